// Notification addresses and the feed through pagewarden-cli as a user runs it: the
// addresses set program-wide and per item (secrets masked, a wrong form refused by its
// part), a test send to a receiver on loopback, and the updates of real checks reaching
// the receiver and the feed.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "platform/text_codec.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"

namespace {

class NotifyCommands : public ::testing::Test {
 protected:
  NotifyCommands() {
    setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
    chmod(home.Path().c_str(), 0700);
    receiver.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Ok("{\"ok\":true}", "application/json"); });
  }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.Path()});
    for (std::string& arg : args) arg = platform::Cp932ToUtf8(arg);
    RunResult result = RunProgram(PAGEWARDEN_CLI, args, "/dev/null");
    result.output = platform::Utf8ToCp932(result.output);
    result.errors = platform::Utf8ToCp932(result.errors);
    return result;
  }
  std::string Hook(const std::string& login, const std::string& path) const {
    return "json://" + login + "127.0.0.1:" + std::to_string(receiver.Port()) + path;
  }

  TempFolder home;
  LoopbackHttpServer pages;
  LoopbackHttpServer receiver;
};

TEST_F(NotifyCommands, AddressesAreKeptWithTheirSecretsHiddenAndAWrongOneIsRefused) {
  RunResult set = Cli({"settings", "notify-urls", Hook("me:hush@", "/all") + " discord://12/tok3n"});
  ASSERT_EQ(set.status, 0) << set.errors;
  std::string masked = Hook("me:****@", "/all") + " discord://12/****";
  EXPECT_EQ(set.output, "notify-urls\t" + masked + "\n");
  EXPECT_EQ(Cli({"settings", "notify-urls"}).output, "notify-urls\t" + masked + "\n");
  struct stat info {};
  ASSERT_EQ(stat(home.File("PAGEWARD.INI").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  RunResult wrong = Cli({"settings", "notify-urls", "tgram://1:abc/x1"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.errors.find("ChatID「x1」"), std::string::npos) << wrong.errors;
  EXPECT_EQ(Cli({"notifytest", "ntfy://ntfy.sh"}).status, 2);

  RunResult added = Cli({"add", pages.Url("/p"), "--notify", Hook("", "/own"), "--notify",
                         "gotify://push.example/Secret1"});
  ASSERT_EQ(added.status, 0) << added.errors;
  nlohmann::json shown = nlohmann::json::parse(platform::Cp932ToUtf8(Cli({"show", "1", "--json"}).output));
  EXPECT_EQ(shown["notify"], 1);
  EXPECT_EQ(shown["notifyUrls"], Hook("", "/own") + "\ngotify://push.example/****");
  EXPECT_EQ(home.ReadBytes("WatchList.pgl").find("Secret1") != std::string::npos, true);
  EXPECT_EQ(Cli({"set", "1", "NtfA", "slack://only/two"}).status, 2);
}

TEST_F(NotifyCommands, ATestSendAndRealUpdatesReachTheReceiverAndTheFeed) {
  RunResult test = Cli({"notifytest", Hook("", "/test")});
  ASSERT_EQ(test.status, 0) << test.errors;
  EXPECT_NE(test.output.find("HTTP 200"), std::string::npos) << test.output;
  ASSERT_EQ(receiver.RequestCount(), 1u);
  EXPECT_EQ(receiver.Requests()[0].target, "/test");

  std::string body = "one";
  pages.Handle("/p", [&body](const HttpRequestRecord&) { return ScriptedResponse::Ok(body); });
  ASSERT_EQ(Cli({"settings", "notify-urls", Hook("", "/all")}).status, 0);
  ASSERT_EQ(Cli({"add", pages.Url("/p"), "--name", "ページ", "--full", "--sound", "none", "--no-popup",
                 "--notify", Hook("", "/own")}).status, 0);
  EXPECT_EQ(Cli({"check", "1"}).status, 0);
  body = "two";
  RunResult check = Cli({"check", "1"});
  EXPECT_EQ(check.status, 0) << check.errors;
  std::vector<HttpRequestRecord> requests = receiver.Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests.back().target, "/own");
  EXPECT_EQ(nlohmann::json::parse(requests.back().body)["url"], pages.Url("/p"));
  RunResult feed = Cli({"feed"});
  ASSERT_EQ(feed.status, 0);
  EXPECT_NE(feed.output.find("<title>ページ</title>"), std::string::npos) << feed.output;
  EXPECT_NE(feed.output.find("<feed xmlns=\"http://www.w3.org/2005/Atom\">"), std::string::npos);
}

}  // namespace
