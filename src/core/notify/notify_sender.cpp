#include "core/notify/notify_sender.h"

#include <algorithm>
#include <atomic>
#include <nlohmann/json.hpp>

#include "core/fetch/fetch.h"
#include "platform/clock.h"
#include "platform/http_session.h"
#include "platform/text_codec.h"

namespace {

using nlohmann::json;

constexpr const char* kAgent = "Pagewarden";
constexpr std::size_t kAnswerShown = 512;  // bytes of an answer kept for the user to see
constexpr const char* kMatrixApi = "/_matrix/client/v3";

struct Answer {
  bool arrived = false;  // a status came back
  int status = 0;
  std::string body;  // UTF-8 as sent
  std::string error;  // CP932
};

// The answer's text as the user sees it: UTF-8 made CP932, cut short.
std::string Shown(const std::string& utf8) {
  std::string text = platform::Utf8ToCp932(utf8.substr(0, kAnswerShown));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

Answer Exchange(const NotifyRequest& request, const NotifySendOptions& options) {
  platform::HttpOptions http;
  http.agent = kAgent;
  http.proxy = options.proxy;
  http.bypassLocal = options.bypassLocal;
  http.connectTimeoutMs = options.connectTimeoutMs;
  http.receiveTimeoutMs = options.timeoutMs;
  http.totalTimeoutMs = options.timeoutMs;
  http.caFile = options.caFile;
  http.extraCaFile = options.extraCaFile;
  http.cancel = options.cancel;
  platform::CHttpSession session(http);
  Answer answer;
  auto call = session.OpenRequest(request.verb, request.url, request.user, request.password);
  if (!call) {
    answer.error = "送り先のアドレスが正しくありません";
    return answer;
  }
  call->AddHeaders(request.headers);
  if (!call->Send(request.body)) {
    answer.error = call->ErrorMessage();
    return answer;
  }
  answer.arrived = true;
  answer.status = call->StatusCode();
  char buffer[8192];
  for (;;) {
    long count = call->Read(buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      answer.arrived = false;
      answer.error = call->ErrorMessage();
      return answer;
    }
    if (options.answerLimit > 0 &&
        static_cast<std::int64_t>(answer.body.size()) + count > options.answerLimit) {
      answer.arrived = false;
      answer.error = "答えが大きすぎます";
      return answer;
    }
    answer.body.append(buffer, static_cast<std::size_t>(count));
  }
  return answer;
}

// What a service said beside its status: Matrix's "error", Telegram's "description", ...
std::string ServiceError(const std::string& body) {
  json document = json::parse(body, nullptr, false);
  if (!document.is_object()) return Shown(body);
  for (const char* key : {"error", "description", "message", "errmsg"}) {
    auto found = document.find(key);
    if (found != document.end() && found->is_string()) return Shown(found->get<std::string>());
  }
  return Shown(body);
}

NotifyOutcome Outcome(const Answer& answer) {
  NotifyOutcome outcome;
  if (!answer.arrived) {
    outcome.reason = answer.error;
    return outcome;
  }
  outcome.answer = "HTTP " + std::to_string(answer.status);
  std::string said = Shown(answer.body);
  if (!said.empty()) outcome.answer += "\n" + said;
  if (answer.status >= 200 && answer.status < 300) {
    // Telegram answers 200 only with "ok": true; any other "ok" is a refusal.
    json document = json::parse(answer.body, nullptr, false);
    if (document.is_object() && document.contains("ok") && document["ok"] == false) {
      outcome.reason = ServiceError(answer.body);
      return outcome;
    }
    outcome.sent = true;
    return outcome;
  }
  outcome.reason = "HTTP " + std::to_string(answer.status);
  std::string error = ServiceError(answer.body);
  if (!error.empty()) outcome.reason += " " + error;
  return outcome;
}

NotifyRequest MatrixRequest(const NotifyAddress& address, const std::string& path,
                            const std::string& token, std::string body) {
  NotifyRequest request;
  request.url = ServiceBase(address) + kMatrixApi + path;
  request.headers = "Content-Type: application/json\r\n";
  if (!token.empty()) request.headers += "Authorization: Bearer " + token + "\r\n";
  request.body = std::move(body);
  return request;
}

// A string member of a JSON answer; empty when it has none.
std::string Member(const std::string& body, const char* key) {
  json document = json::parse(body, nullptr, false);
  if (!document.is_object() || !document.contains(key) || !document[key].is_string()) return {};
  return document[key].get<std::string>();
}

std::string TransactionId() {
  static std::atomic<unsigned> counter{0};
  return "pw" + std::to_string(platform::Now()) + "-" + std::to_string(++counter);
}

// Log in when a password was given, join the room (which also finds the room behind an
// alias), send the text, and log out again, so that no login is left behind.
NotifyOutcome SendMatrix(const NotifyAddress& address, const NotifyMessage& message,
                         const NotifySendOptions& options) {
  std::string token = address.tokens.empty() ? std::string() : address.tokens[0];
  bool loggedIn = false;
  if (token.empty()) {
    json login = {{"type", "m.login.password"},
                  {"identifier", {{"type", "m.id.user"}, {"user", platform::Cp932ToUtf8(address.user)}}},
                  {"password", platform::Cp932ToUtf8(address.password)},
                  {"initial_device_display_name", kAgent}};
    Answer answer = Exchange(MatrixRequest(address, "/login", {}, login.dump()), options);
    NotifyOutcome outcome = Outcome(answer);
    if (!outcome.sent) return outcome;
    token = Member(answer.body, "access_token");
    if (token.empty()) return {false, "ログインの答えにアクセストークンがありません", outcome.answer};
    loggedIn = true;
  }
  Answer joined = Exchange(
      MatrixRequest(address, "/join/" + PercentEncoded(address.target), token, "{}"), options);
  NotifyOutcome outcome = Outcome(joined);
  std::string room = Member(joined.body, "room_id");
  if (outcome.sent && room.empty()) outcome = {false, "ルームに入れませんでした", outcome.answer};
  if (outcome.sent) {
    json body = {{"msgtype", "m.text"}, {"body", MessageText(message, 4000)}};
    NotifyRequest send = MatrixRequest(
        address, "/rooms/" + PercentEncoded(room) + "/send/m.room.message/" + TransactionId(),
        token, body.dump(-1, ' ', false, json::error_handler_t::replace));
    send.verb = "PUT";
    outcome = Outcome(Exchange(send, options));
  }
  if (loggedIn) Exchange(MatrixRequest(address, "/logout", token, "{}"), options);
  return outcome;
}

}  // namespace

NotifySendOptions NotifyOptionsFrom(const AppSettings& settings, const FetchRequest* item) {
  NotifySendOptions options;
  FetchSettings fetch = FetchSettingsFrom(settings);
  options.extraCaFile = fetch.m_extraCaFile;
  options.answerLimit = fetch.m_pageSizeLimit;
  const FetchRequest programWide;  // no proxy of its own
  const FetchRequest& request = item ? *item : programWide;
  options.proxy = ProxyOf(request, fetch);
  options.bypassLocal = BypassesLocal(request, fetch);
  // A check's time limit bounds its sends too, at most half a minute each.
  constexpr std::uint32_t kLongestSendMs = 30000;
  std::uint32_t limit = static_cast<std::uint32_t>(std::max(settings.m_fetchTimeLimit, 0)) * 1000;
  options.timeoutMs = limit == 0 ? kLongestSendMs : std::min(limit, kLongestSendMs);
  options.connectTimeoutMs = std::min(options.connectTimeoutMs, options.timeoutMs);
  return options;
}

NotifyOutcome SendNotification(const std::string& text, const NotifyMessage& message,
                               const NotifySendOptions& options) {
  NotifyAddress address;
  std::string error = ParseNotifyAddress(text, address);
  if (!error.empty()) return {false, error, {}};
  if (address.service == NotifyService::Matrix) return SendMatrix(address, message, options);
  return Outcome(Exchange(BuildNotifyRequest(address, message, options.endpoints), options));
}

NotifyMessage TestNotifyMessage() {
  NotifyMessage message;
  message.name = "Pagewarden";
  message.result = "通知先のテストです";
  message.url = "https://example.com/";
  message.time = platform::Now();
  return message;
}
