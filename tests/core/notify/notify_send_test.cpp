// Each form of address against a recording receiver on loopback (HTTPS ones with the test
// certificate): the method, path, headers and JSON fields its service expects, the answer
// it gives back, and a receiver that stalls or refuses.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "core/notify/notify_sender.h"
#include "platform/cancel_signal.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"
#include "support/test_certificate.h"

namespace {

using nlohmann::json;

std::string U8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

class NotifySendTest : public ::testing::Test {
 protected:
  NotifySendTest() {
    folder.WriteBytes("ca.pem", kLoopbackCertificatePem);
    options.caFile = folder.File("ca.pem");
    options.timeoutMs = 5000;
    std::string base = "https://127.0.0.1:" + std::to_string(tls.Port());
    options.endpoints = {base, base, base};
    message.name = "ニュース";
    message.url = "https://example.jp/news";
    message.result = "更新されています";
    message.time = 1765191600;  // 2025-12-08T11:00:00Z
  }

  static json Body(const HttpRequestRecord& request) { return json::parse(request.body); }
  std::string Plain() const { return "127.0.0.1:" + std::to_string(plain.Port()); }
  std::string Secure() const { return "127.0.0.1:" + std::to_string(tls.Port()); }

  TempFolder folder;
  LoopbackHttpServer plain;
  LoopbackHttpServer tls{LoopbackHttpServer::Tls{kLoopbackCertificatePem, kLoopbackKeyPem}};
  NotifySendOptions options;
  NotifyMessage message;
};

TEST_F(NotifySendTest, JsonCarriesTheItemAndItsChangedLinesWithinFourKilobytes) {
  plain.Enqueue("/hook", ScriptedResponse::Ok("thanks", "text/plain"));
  message.lines.added = {"新しい行"};
  message.lines.removed = std::vector<std::string>(400, "古い行がたくさんあります");
  NotifyOutcome outcome = SendNotification("json://u:p%40ss@" + Plain() + "/hook", message, options);
  ASSERT_TRUE(outcome.sent) << outcome.reason;
  EXPECT_EQ(outcome.answer, "HTTP 200\nthanks");
  HttpRequestRecord request = plain.Requests().at(0);
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.Header("Content-Type"), "application/json");
  EXPECT_EQ(request.Header("Authorization"), "Basic dTpwQHNz");  // u:p@ss
  EXPECT_LE(request.body.size(), kJsonDocumentLimit);
  json body = Body(request);
  EXPECT_EQ(body["name"], U8(u8"ニュース"));
  EXPECT_EQ(body["url"], "https://example.jp/news");
  EXPECT_EQ(body["result"], U8(u8"更新されています"));
  EXPECT_EQ(body["time"], "2025-12-08T11:00:00Z");
  EXPECT_EQ(body["added"], json::array({U8(u8"新しい行")}));
  EXPECT_GT(body["removed"].size(), 10u);
  EXPECT_EQ(body["truncated"], true);
}

TEST_F(NotifySendTest, NtfyAndGotifyPublishToTheirServer) {
  tls.Enqueue("/", ScriptedResponse::Ok("{\"id\":\"x\"}", "application/json"));
  NotifyOutcome ntfy = SendNotification("ntfys://me:pw@" + Secure() + "/alerts", message, options);
  ASSERT_TRUE(ntfy.sent) << ntfy.reason;
  HttpRequestRecord published = tls.Requests().at(0);
  EXPECT_EQ(published.target, "/");
  EXPECT_EQ(published.Header("Authorization"), "Basic bWU6cHc=");
  json body = Body(published);
  EXPECT_EQ(body["topic"], "alerts");
  EXPECT_EQ(body["title"], U8(u8"ニュース"));
  EXPECT_EQ(body["click"], "https://example.jp/news");
  EXPECT_EQ(body["tags"], json::array({"pagewarden"}));
  EXPECT_NE(body["message"].get<std::string>().find(U8(u8"更新されています")), std::string::npos);

  plain.Enqueue("/sub/message", ScriptedResponse::Ok("{}", "application/json"));
  NotifyOutcome gotify = SendNotification("gotify://" + Plain() + "/sub/AppTok", message, options);
  ASSERT_TRUE(gotify.sent) << gotify.reason;
  HttpRequestRecord pushed = plain.Requests().at(0);
  EXPECT_EQ(pushed.target, "/sub/message?token=AppTok");
  EXPECT_EQ(Body(pushed)["title"], U8(u8"ニュース"));
  EXPECT_EQ(Body(pushed)["extras"]["client::notification"]["click"]["url"], "https://example.jp/news");
}

TEST_F(NotifySendTest, ChatWebhooksGetTheirOwnFieldsAndARefusalIsTold) {
  tls.Enqueue("/services/T1/B2/C3", ScriptedResponse::Ok("ok", "text/plain"));
  tls.Enqueue("/api/webhooks/42/tok", ScriptedResponse::Status(204));
  tls.Enqueue("/bot1:abc/sendMessage", ScriptedResponse::Ok("{\"ok\":true}", "application/json"));
  EXPECT_TRUE(SendNotification("slack://T1/B2/C3", message, options).sent);
  EXPECT_TRUE(SendNotification("discord://42/tok", message, options).sent);
  EXPECT_TRUE(SendNotification("tgram://1:abc/-100", message, options).sent);
  std::vector<HttpRequestRecord> requests = tls.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_NE(Body(requests[0])["text"].get<std::string>().find(U8(u8"ニュース")), std::string::npos);
  EXPECT_EQ(Body(requests[1])["username"], "Pagewarden");
  EXPECT_TRUE(Body(requests[1]).contains("content"));
  EXPECT_EQ(Body(requests[2])["chat_id"], "-100");
  EXPECT_TRUE(Body(requests[2]).contains("text"));

  ScriptedResponse refused = ScriptedResponse::Ok(
      "{\"ok\":false,\"error_code\":400,\"description\":\"chat not found\"}", "application/json");
  refused.status = 400;
  tls.Enqueue("/bot1:abc/sendMessage", refused);
  NotifyOutcome outcome = SendNotification("tgram://1:abc/-100", message, options);
  EXPECT_FALSE(outcome.sent);
  EXPECT_EQ(outcome.reason, "HTTP 400 chat not found");
}

TEST_F(NotifySendTest, MatrixLogsInJoinsSendsAndLogsOut) {
  plain.Enqueue("/_matrix/client/v3/login",
                ScriptedResponse::Ok("{\"access_token\":\"tok1\"}", "application/json"));
  plain.Enqueue("/_matrix/client/v3/join/%23news%3A127.0.0.1",
                ScriptedResponse::Ok("{\"room_id\":\"!r1:127.0.0.1\"}", "application/json"));
  plain.SetDefault([](const HttpRequestRecord&) {
    return ScriptedResponse::Ok("{\"event_id\":\"$e\"}", "application/json");
  });
  NotifyOutcome outcome = SendNotification("matrix://bot:pw@" + Plain() + "/#news", message, options);
  ASSERT_TRUE(outcome.sent) << outcome.reason;
  std::vector<HttpRequestRecord> requests = plain.Requests();
  ASSERT_EQ(requests.size(), 4u);
  json login = Body(requests[0]);
  EXPECT_EQ(login["type"], "m.login.password");
  EXPECT_EQ(login["identifier"]["user"], "bot");
  EXPECT_EQ(login["password"], "pw");
  EXPECT_EQ(requests[1].Header("Authorization"), "Bearer tok1");
  EXPECT_EQ(requests[2].method, "PUT");
  EXPECT_EQ(requests[2].target.rfind("/_matrix/client/v3/rooms/%21r1%3A127.0.0.1/send/m.room.message/", 0), 0u)
      << requests[2].target;
  EXPECT_EQ(Body(requests[2])["msgtype"], "m.text");
  EXPECT_EQ(requests[3].target, "/_matrix/client/v3/logout");
}

TEST_F(NotifySendTest, AStallingReceiverEndsAtTheTimeOutAndACancelAtOnce) {
  ScriptedResponse stalled = ScriptedResponse::Ok("late");
  stalled.delayMs = 20000;
  plain.SetDefault([stalled](const HttpRequestRecord&) { return stalled; });
  options.timeoutMs = 700;
  auto started = std::chrono::steady_clock::now();
  NotifyOutcome outcome = SendNotification("json://" + Plain() + "/slow", message, options);
  EXPECT_FALSE(outcome.sent);
  EXPECT_FALSE(outcome.reason.empty());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));

  options.timeoutMs = 20000;
  options.cancel = std::make_shared<platform::CCancelSignal>();
  options.cancel->Cancel();
  EXPECT_FALSE(SendNotification("json://" + Plain() + "/slow", message, options).sent);

  // An answer larger than the limit is not read whole.
  plain.Enqueue("/big", ScriptedResponse::Ok(std::string(5000, 'x')));
  options.cancel.reset();
  options.answerLimit = 1000;
  EXPECT_EQ(SendNotification("json://" + Plain() + "/big", message, options).reason, "答えが大きすぎます");
}

}  // namespace
