// pagewarden-cli as a user runs it: a data folder of its own, pages on the loopback server.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <nlohmann/json.hpp>
#include <regex>

#include "core/watch/watch_item.h"
#include "core/watch/watch_list.h"
#include "platform/file_system.h"
#include "platform/single_instance.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"
#include "support/watch_list_file.h"
#include "support/time_zone.h"

namespace {

const std::string kCli = PAGEWARDEN_CLI;

// An environment variable set for the life of the object (the children inherit it).
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (m_old) setenv(m_name, m_old->c_str(), 1);
    else unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

class CliTest : public ::testing::Test {
 protected:
  CliTest() : config("XDG_CONFIG_HOME", home.File("config")) {
    server.Handle("/a", [](const HttpRequestRecord&) { return ScriptedResponse::Ok("page a"); });
    server.Handle("/b", [](const HttpRequestRecord&) { return ScriptedResponse::Ok("page b"); });
    server.Handle("/slow", [](const HttpRequestRecord&) {
      ScriptedResponse response = ScriptedResponse::Ok("slow page");
      response.delayMs = 500;
      return response;
    });
    server.Handle("/secret", [](const HttpRequestRecord&) { return ScriptedResponse::Challenge(); });
  }

  // A full-text item on `path` of the server, checked at every start.
  WatchItem Item(const std::string& path, const std::string& name = "") {
    WatchItem item;
    item.m_url = server.Url(path);
    item.m_name = name;
    item.m_active = 1;
    item.m_compareAll = 1;
    item.m_soundUse = 0;
    return item;
  }
  void WriteList(const std::vector<WatchItem>& items) {
    FILE* file = platform::OpenFile(home.File("WatchList.pgl"), "w");
    for (const WatchItem& item : items) item.Write(file);
    std::fclose(file);
  }
  std::vector<WatchItem> ReadList() { return ReadWatchListFile(home.Path()); }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.Path()});
    RunResult result = RunProgram(kCli, args);
    result.output = platform::Utf8ToCp932(result.output);
    result.errors = platform::Utf8ToCp932(result.errors);
    return result;
  }
  std::size_t RequestsFor(const std::string& path) {
    std::size_t count = 0;
    for (const HttpRequestRecord& request : server.Requests()) count += request.target == path;
    return count;
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }
  // A result row: "HH:MM", page, text.
  static void ExpectRow(const std::string& line, const std::string& page, const std::string& text) {
    EXPECT_TRUE(std::regex_match(line.substr(0, 6), std::regex("[0-2][0-9]:[0-5][0-9]\t"))) << line;
    EXPECT_EQ(line.substr(6), page + "\t" + text);
  }

  TempFolder home;
  ScopedEnvironment config;  // the value store of the program and its companions
  LoopbackHttpServer server;
};

TEST_F(CliTest, ListShowsEveryItemInOrderWithoutChangingTheFile) {
  ScopedTimeZone zone("Asia/Tokyo");
  WatchItem first = Item("/a", "ニュース");
  first.m_renewMark = UpdateMark::Updated;
  first.m_lastCheck = static_cast<int>(LocalTimeOf(2026, 12, 7, 9, 5, 3));
  WatchItem second = Item("/b");
  second.m_active = 0;
  second.m_checkKind = "weekly";
  second.m_date = 2 | 8 | 32;
  second.m_timing = "define";
  second.m_time = 9 * 3600;
  WriteList({first, second});
  std::string before = home.ReadBytes("WatchList.pgl");

  RunResult result = Cli({"list"});
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(Lines(result.output),
            (std::vector<std::string>{"1\t1\t1\t毎日起動時\t26/12/07 09:05:03\tニュース",
                                      "2\t2\t0\t毎週[月水金]09時00分00秒\t未確認\t" + server.Url("/b")}));
  EXPECT_EQ(home.ReadBytes("WatchList.pgl"), before);
  EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(CliTest, CheckAllChecksEveryActiveItemPrintsARowEachAndSaves) {
  WatchItem inactive = Item("/b");
  inactive.m_active = 0;
  WriteList({Item("/a", "ページA"), inactive, Item("/slow")});

  RunResult first = Cli({"check", "all"});
  EXPECT_EQ(first.status, 0) << first.errors;
  std::vector<std::string> lines = Lines(first.output);
  ASSERT_EQ(lines.size(), 2u) << first.output;
  ExpectRow(lines[0], "ページA", "更新されています");
  ExpectRow(lines[1], server.Url("/slow"), "更新されています");
  EXPECT_EQ(RequestsFor("/b"), 0u);
  std::vector<WatchItem> saved = ReadList();
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0].m_result, CheckResult::Updated);
  EXPECT_EQ(saved[0].m_renewMark, UpdateMark::Updated);
  EXPECT_FALSE(saved[0].m_hiddenPath.empty());

  RunResult second = Cli({"check", "all"});
  lines = Lines(second.output);
  ASSERT_EQ(lines.size(), 2u);
  ExpectRow(lines[0], "ページA", "更新されていません");
  ExpectRow(lines[1], server.Url("/slow"), "更新されていません");
}

TEST_F(CliTest, CheckNChecksOnlyThatItemAndLeavesItemsDueAtStartUp) {
  WriteList({Item("/a"), Item("/b")});
  RunResult result = Cli({"check", "2"});
  EXPECT_EQ(result.status, 0) << result.errors;
  ASSERT_EQ(Lines(result.output).size(), 1u);
  ExpectRow(Lines(result.output)[0], server.Url("/b"), "更新されています");
  EXPECT_EQ(RequestsFor("/a"), 0u) << "a start-up item is left for run";
  EXPECT_EQ(ReadList()[0].m_result, CheckResult::NeverChecked);
}

TEST_F(CliTest, NothingToCheckSavesAndEndsAtOnce) {
  WatchItem inactive = Item("/a");
  inactive.m_active = 0;
  WriteList({inactive});
  RunResult result = Cli({"check", "1"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(server.RequestCount(), 0u);

  RunResult empty = Cli({"check", "all"});
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(ReadList().size(), 1u);
}

TEST_F(CliTest, ErrorsAndRefusedAuthenticationBecomeResultRows) {
  server.Handle("/gone", [](const HttpRequestRecord&) { return ScriptedResponse::Status(404); });
  WriteList({Item("/gone"), Item("/secret")});
  RunResult result = Cli({"check", "all"});  // standard input is not a terminal
  EXPECT_EQ(result.status, 3) << "a check failed";
  std::vector<std::string> lines = Lines(result.output);
  ASSERT_EQ(lines.size(), 2u);
  ExpectRow(lines[0], server.Url("/gone"), "エラー(status=404)");
  ExpectRow(lines[1], server.Url("/secret"), "認証が否定されました");
  EXPECT_EQ(ReadList()[0].m_renewMark, UpdateMark::Unknown);
}

// The scripts' view of a check: one object per row with the item, a machine-readable
// outcome, the failure's HTTP status and message, and ISO 8601 times.
TEST_F(CliTest, CheckJsonGivesEachResultsItemOutcomeStatusAndTimes) {
  ScopedTimeZone zone("Asia/Tokyo");
  server.Handle("/gone", [](const HttpRequestRecord&) { return ScriptedResponse::Status(404); });
  WriteList({Item("/a", "ページA"), Item("/gone")});
  RunResult result = RunProgram(kCli, {"--home", home.Path(), "check", "all", "--json"});
  EXPECT_EQ(result.status, 3) << result.errors;
  nlohmann::json rows = nlohmann::json::parse(result.output);
  ASSERT_EQ(rows.size(), 2u) << result.output;
  const std::regex iso("20[0-9]{2}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\+09:00");
  EXPECT_EQ(rows[0]["number"], 1);
  EXPECT_EQ(rows[0]["name"], platform::Cp932ToUtf8("ページA"));
  EXPECT_EQ(rows[0]["url"], server.Url("/a"));
  EXPECT_EQ(rows[0]["outcome"], "updated");
  EXPECT_TRUE(rows[0]["httpStatus"].is_null());
  EXPECT_TRUE(rows[0]["error"].is_null());
  EXPECT_TRUE(std::regex_match(rows[0]["checkedAt"].get<std::string>(), iso)) << rows[0];
  EXPECT_TRUE(std::regex_match(rows[0]["lastUpdatedAt"].get<std::string>(), iso)) << rows[0];
  EXPECT_EQ(rows[0]["result"], platform::Cp932ToUtf8("更新されています")) << "the row's text stays";
  EXPECT_EQ(rows[1]["number"], 2);
  EXPECT_EQ(rows[1]["name"], "");
  EXPECT_EQ(rows[1]["outcome"], "error");
  EXPECT_EQ(rows[1]["httpStatus"], 404);
  EXPECT_EQ(rows[1]["error"], platform::Cp932ToUtf8("エラー(status=404)"));
  EXPECT_TRUE(rows[1]["lastUpdatedAt"].is_null()) << "never updated";

  RunResult again = RunProgram(kCli, {"--home", home.Path(), "check", "1", "--json"});
  EXPECT_EQ(again.status, 0) << "the failing item was not checked";
  EXPECT_EQ(nlohmann::json::parse(again.output)[0]["outcome"], "unchanged");
}

// A mistake is told in one line naming the wrong word (with the close known name, if any)
// and a pointer to --help, not the whole usage.
TEST_F(CliTest, MistakesEndWithStatusTwoAndOneLineNamingThem) {
  WriteList({Item("/a")});
  const std::string pointer = "使い方は pagewarden-cli --help で表示します";
  for (std::vector<std::string> args :
       {std::vector<std::string>{"check"}, {"check", "0"}, {"check", "x"}, {"check", "1", "2"},
        {"list", "extra"}, {"frobnicate"}, {"--colour", "list"}, {}, {"diff"}, {"run", "now"},
        {"links", "--forse"}, {"remove", "--all"}}) {
    RunResult result = Cli(args);
    EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
    std::vector<std::string> lines = Lines(result.errors);
    ASSERT_EQ(lines.size(), 2u) << result.errors;
    EXPECT_EQ(lines[0].rfind("pagewarden-cli: ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], pointer);
  }
  EXPECT_EQ(Cli({"check", "2"}).status, 2) << "no such item";
  const std::pair<std::vector<std::string>, std::string> typos[] = {
      {{"lsit"}, "不明なコマンド: lsit (もしかして: list)"},
      {{"chek", "all"}, "不明なコマンド: chek (もしかして: check)"},
      {{"xyzzy"}, "不明なコマンド: xyzzy"},
      {{"list", "--jsno"}, "不明なオプション: --jsno (もしかして: --json)"},
      {{"check", "all", "--no-action"}, "不明なオプション: --no-action (もしかして: --no-actions)"},
      {{"--hmoe", "x", "list"}, "不明なオプション: --hmoe (もしかして: --home)"},
      {{"add", server.Url("/b"), "--nmae", "x"}, "不明なオプション: --nmae (もしかして: --name)"}};
  for (const auto& [args, line] : typos) {
    RunResult result = Cli(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.errors, "pagewarden-cli: " + line + "\n" + pointer + "\n");
  }
  RunResult setting = Cli({"settings", "mail-sever", "x"});
  EXPECT_EQ(setting.status, 2);
  EXPECT_NE(setting.errors.find("不明な設定: mail-sever (もしかして: mail-server)"), std::string::npos)
      << setting.errors;
  RunResult noHome = RunProgram(kCli, {"--home"});
  EXPECT_EQ(noHome.status, 2);
  EXPECT_EQ(ReadList().size(), 1u);
  EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(CliTest, GlobalOptionsGoInAnyOrderBeforeTheCommand) {
  for (std::vector<std::string> args :
       {std::vector<std::string>{"--home", home.Path(), "--version"}, {"--version", "--home", home.Path()},
        {"--version"}}) {
    RunResult result = RunProgram(kCli, args);
    EXPECT_EQ(result.status, 0) << ::testing::PrintToString(args);
    EXPECT_EQ(result.output, "Pagewarden 1.35\n");
  }
  for (std::vector<std::string> args : {std::vector<std::string>{"--help"}, {"-h"}, {"check", "--help"}}) {
    RunResult result = Cli(args);
    EXPECT_EQ(result.status, 0) << ::testing::PrintToString(args);
    EXPECT_EQ(result.output.rfind("使い方: pagewarden-cli", 0), 0u) << result.output;
    EXPECT_EQ(result.errors, "");
  }
  WriteList({Item("/a")});
  RunResult list = RunProgram(kCli, {"--home=" + home.Path(), "list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(Lines(list.output).size(), 1u);
}

TEST_F(CliTest, ADamagedListOrArchiveIsReportedWithStatusOneAndLeftAsItIs) {
  WriteList({Item("/a"), Item("/b")});
  std::string whole = home.ReadBytes("WatchList.pgl");
  std::string cut = whole.substr(0, whole.size() - 20);
  home.WriteBytes("WatchList.pgl", cut);
  for (std::vector<std::string> args : {std::vector<std::string>{"check", "all"}, {"run"}}) {
    RunResult result = Cli(args);
    EXPECT_EQ(result.status, 1) << args[0];
    EXPECT_NE(result.errors.find("ウォッチリストを読み込めません: " + home.File("WatchList.pgl")),
              std::string::npos) << result.errors;
  }
  RunResult removed = Cli({"remove", "1"});
  EXPECT_EQ(removed.status, 1);
  EXPECT_NE(removed.errors.find("ウォッチリストを読み込めません"), std::string::npos) << removed.errors;
  RunResult list = Cli({"list"});
  EXPECT_EQ(list.status, 1);
  EXPECT_EQ(Lines(list.output).size(), 1u) << "the item read is shown";
  EXPECT_EQ(home.ReadBytes("WatchList.pgl"), cut);
  EXPECT_EQ(server.RequestCount(), 0u);

  // A settings archive cut short is not rewritten by the mail test.
  home.WriteBytes("WatchList.pgl", whole);
  home.WriteBytes("PAGEWARD.INI", std::string("\x09\0\0\0\0\0\0\0\0\x05mail.", 15));
  RunResult mail = Cli({"mailtest"});
  EXPECT_EQ(mail.status, 1);
  EXPECT_NE(mail.errors.find("設定ファイルを読み込めません"), std::string::npos) << mail.errors;
  EXPECT_EQ(home.ReadBytes("PAGEWARD.INI"), std::string("\x09\0\0\0\0\0\0\0\0\x05mail.", 15));
  EXPECT_EQ(Cli({"check", "all"}).status, 1);
}

TEST_F(CliTest, AFileInPlaceOfCompIsAnInstallationFault) {
  home.WriteBytes("comp", "not a folder");
  RunResult result = Cli({"check", "all"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.errors.find("Pagewardenが正しくインストールされていません"), std::string::npos);
}

TEST_F(CliTest, AFreshFolderIsCreatedWithItsCompFolder) {
  std::string fresh = home.File("new/data");
  RunResult result = RunProgram(kCli, {"--home", fresh, "check", "all"});
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_TRUE(platform::FileExists(fresh + "/comp"));
  EXPECT_TRUE(platform::FileExists(fresh + "/WatchList.pgl"));
}

TEST_F(CliTest, AnotherWorkingCopyOnTheSameFolderEndsThisOne) {
  WriteList({Item("/a")});
  platform::CSingleInstanceLock lock;
  ASSERT_EQ(lock.Acquire(home.Path()), platform::CSingleInstanceLock::Result::Acquired);
  RunResult result = Cli({"check", "all"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.errors.find("他のPagewardenが使用中です"), std::string::npos);
  EXPECT_EQ(server.RequestCount(), 0u);
  EXPECT_EQ(Cli({"list"}).status, 0) << "reading the list is harmless";
}

TEST_F(CliTest, RunChecksOnScheduleAndTerminationCancelsTheRunningCheck) {
  server.Handle("/stall", [](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("never sent");
    response.delayMs = 120000;  // far beyond the time-outs: only a cancel ends this check
    return response;
  });
  WatchItem later = Item("/b");
  later.m_timing = "define";  // tomorrow at this time or later today: not now
  later.m_time = 86399;
  WriteList({Item("/a", "すぐ"), Item("/stall"), later});
  ChildProcess child(kCli, {"--home", home.Path(), "run"});
  ASSERT_TRUE(child.WaitForOutput(platform::Cp932ToUtf8("すぐ\t更新されています"), 10000))
      << child.Output() << child.Errors();
  while (RequestsFor("/stall") == 0) child.WaitForOutput("never", 10);
  child.Signal(SIGTERM);  // the stalled check is running
  EXPECT_EQ(child.Wait(10000), 0) << child.Errors();
  std::vector<std::string> lines = Lines(platform::Utf8ToCp932(child.Output()));
  EXPECT_EQ(lines.size(), 1u) << "the cancelled check has no row";
  std::vector<WatchItem> saved = ReadList();
  EXPECT_EQ(saved[0].m_result, CheckResult::Updated);
  EXPECT_EQ(saved[1].m_lastCheck, 0) << "the cancelled check records nothing";
  EXPECT_EQ(RequestsFor("/b"), 0u);
}

TEST_F(CliTest, RunEndsOnInterruptWhileWaiting) {
  WriteList({});
  ChildProcess child(kCli, {"--home", home.Path(), "run"});
  child.WaitForOutput("never", 300);
  child.Signal(SIGINT);
  EXPECT_EQ(child.Wait(5000), 0);
  EXPECT_TRUE(platform::FileExists(home.File("WatchList.pgl")));
}

// The desktop notification reaches a real notification server (dunst) on a session bus
// of its own under a virtual X server, with the item's name and address; --no-actions
// shows none.
TEST_F(CliTest, AnUpdateShowsADesktopNotificationUnlessActionsAreOff) {
  WatchItem quiet = Item("/a", "静かなページ");
  quiet.m_showPage = 1;
  WatchItem news = Item("/b", "ニュース");
  news.m_showPage = 1;  // a graphical session is there: the desktop's opener shows it
  WriteList({quiet, news});
  home.WriteBytes("opener.sh", "#!/bin/sh\necho \"$1\" >> '" + home.File("opened.txt") + "'\n");
  chmod(home.File("opener.sh").c_str(), 0755);
  ScopedEnvironment opener("PAGEWARDEN_OPENER", home.File("opener.sh"));
  std::string record = home.File("notifications.txt");
  std::string commands = "'" + kCli + "' --home '" + home.Path() + "' check 1 --no-actions && '" +
                         kCli + "' --home '" + home.Path() + "' check 2";
  RunResult result = RunProgram("/usr/bin/xvfb-run",
                                {"-a", "dbus-run-session", "--", NOTIFICATION_SESSION, record,
                                 "/bin/sh", "-c", commands});
  ASSERT_EQ(result.status, 0) << result.output << result.errors;
  std::string seen = platform::Utf8ToCp932(
      home.ReadBytes(record.substr(home.Path().size() + 1)));
  EXPECT_NE(seen.find("string \"ニュース\""), std::string::npos) << seen;
  EXPECT_NE(seen.find("更新されています\n" + server.Url("/b")), std::string::npos) << seen;
  EXPECT_NE(seen.find("pagewarden.png"), std::string::npos) << "the program's icon";
  EXPECT_EQ(seen.find("静かなページ"), std::string::npos) << "no actions, no notification";
  EXPECT_EQ(home.ReadBytes("opened.txt"), server.Url("/b") + "\n");
  std::vector<WatchItem> saved = ReadList();
  EXPECT_EQ(saved[0].m_result, CheckResult::Updated) << "the update itself still counts";
}

}  // namespace
