// The commands that make and change watch items, run as a user runs them: on the list file,
// and beside a running `pagewarden-cli run` that takes the changes over.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/session/list_request.h"
#include "core/watch/watch_list.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/single_instance.h"
#include "platform/text_codec.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"
#include "support/watch_list_file.h"

namespace {

const std::string kCli = PAGEWARDEN_CLI;

class ItemCommands : public ::testing::Test {
 protected:
  ItemCommands() {
    setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
    server.Handle("/a", [](const HttpRequestRecord&) { return ScriptedResponse::Ok("page a"); });
    server.Handle("/slow", [](const HttpRequestRecord&) {
      ScriptedResponse response = ScriptedResponse::Ok("slow page");
      response.delayMs = 1500;
      return response;
    });
  }
  RunResult Cli(std::vector<std::string> args, const std::string& input = "/dev/null") {
    args.insert(args.begin(), {"--home", home.Path()});
    for (std::string& arg : args) arg = platform::Cp932ToUtf8(arg);  // as a terminal gives them
    RunResult result = RunProgram(kCli, args, input);
    result.output = platform::Utf8ToCp932(result.output);
    result.errors = platform::Utf8ToCp932(result.errors);
    return result;
  }
  std::vector<WatchItem> ReadList() { return ReadWatchListFile(home.Path()); }
  std::string Show(int number, const std::string& key) {
    std::string output = Cli({"show", std::to_string(number)}).output;
    std::size_t at = output.find(key + "\t");
    if (at == std::string::npos) return "(none)";
    std::size_t end = output.find('\n', at);
    return output.substr(at + 5, end - at - 5);
  }

  TempFolder home;
  LoopbackHttpServer server;
};

TEST_F(ItemCommands, AddShowSetAndRemoveWorkOnTheFile) {
  home.WriteBytes("password.txt", "secret\n");
  RunResult added = Cli({"add", server.Url("/a"), "--name", "ニュース", "--weekly", "日,水",
                         "--at", "09:30:00", "--keyword", "新着", "--increase", "--user", "me",
                         "--password-stdin", "--no-popup", "--sound", "none"},
                        home.File("password.txt"));
  ASSERT_EQ(added.status, 0) << added.errors;
  EXPECT_EQ(added.output, "1\n");
  std::vector<WatchItem> items = ReadList();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].m_name, "ニュース");
  EXPECT_EQ(items[0].m_checkKind, "weekly");
  EXPECT_EQ(items[0].m_date, 1 | 8);
  EXPECT_EQ(items[0].m_timing, "define");
  EXPECT_EQ(items[0].m_time, 9 * 3600 + 30 * 60);
  EXPECT_EQ(items[0].m_simpleKeyword, "新着");
  EXPECT_EQ(items[0].m_simpleKeywordOptions, 1);
  EXPECT_EQ(items[0].m_password, "secret");
  EXPECT_EQ(items[0].m_active, 1);
  EXPECT_EQ(items[0].m_popUp, 0);
  EXPECT_EQ(items[0].m_soundUse, 0);
  EXPECT_EQ(Show(1, "Pass"), "********");
  EXPECT_EQ(Show(1, "SKyW"), "新着");

  EXPECT_EQ(Cli({"add", server.Url("/a"), "--inactive", "--every", "00:10:00"}).output, "2\n");
  EXPECT_EQ(ReadList()[1].m_active, 0);
  EXPECT_EQ(Cli({"set", "2", "Chec", "monthly"}).status, 2) << "monthly needs a day";
  EXPECT_EQ(Cli({"set", "2", "Date", "15"}).status, 0);
  EXPECT_EQ(Cli({"set", "2", "Chec", "monthly"}).status, 0);
  EXPECT_EQ(Cli({"enable", "2"}).status, 0);
  EXPECT_EQ(ReadList()[1].ScheduleText(), "毎月15日10分間隔");
  EXPECT_EQ(ReadList()[1].m_active, 1);

  RunResult removed = Cli({"remove", "1"});
  EXPECT_EQ(removed.status, 0) << removed.errors;
  items = ReadList();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].m_checkKind, "monthly");
}

TEST_F(ItemCommands, AddMakesANewDataFolderForTheUserAlone) {
  std::string fresh = home.File("fresh");
  RunResult added = RunProgram(kCli, {"--home", fresh, "add", server.Url("/a")});
  ASSERT_EQ(added.status, 0) << added.errors;
  struct stat info {};
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(ItemCommands, BadOptionsAndNumbersAreRefusedAndTheListIsUntouched) {
  ASSERT_EQ(Cli({"add", server.Url("/a")}).status, 0);
  std::string before = home.ReadBytes("WatchList.pgl");
  struct Case {
    std::vector<std::string> args;
    std::string named;  // what the message names
  };
  for (const Case& bad : std::vector<Case>{
           {{"add", server.Url("/a"), "--full", "--anchor", "x"}, "--anchor"},
           {{"add", server.Url("/a"), "--every", "00:00:09"}, "--every"},
           {{"add", server.Url("/a"), "--at", "25:00:00"}, "--at"},
           {{"add", server.Url("/a"), "--weekly", "月,xyz"}, "--weekly"},
           {{"add", server.Url("/a"), "--once", "2026-02-30"}, "--once"},
           {{"add", server.Url("/a"), "--nth", "2"}, "--anchor"},
           {{"add", server.Url("/a"), "--download", "new"}, "Dest"},
           {{"add", server.Url("/a"), "--proxy", "host"}, "--proxy"},
           {{"add", server.Url("/a"), "--name"}, "--name"},
           {{"add", "ftp://x/"}, "URL"},
           {{"add", server.Url("/a"), "--colour"}, "--colour"},
           {{"set", "1", "Down", "7"}, "Down"},
           {{"set", "1", "Zzzz", "1"}, "Zzzz"},
           {{"set", "2", "Name", "x"}, "2"},
           {{"remove", "1", "3"}, "3"},
           {{"enable", "0"}, "0"},
           {{"ack", "x"}, "x"}}) {
    RunResult result = Cli(bad.args);
    EXPECT_EQ(result.status, 2) << ::testing::PrintToString(bad.args);
    EXPECT_NE(result.errors.find(bad.named), std::string::npos) << result.errors;
  }
  EXPECT_EQ(home.ReadBytes("WatchList.pgl"), before);
}

TEST_F(ItemCommands, AckClearsUpdateMarksOnly) {
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Cli({"add", server.Url("/a")}).status, 0);
  platform::SetProgramFolder(home.Path());
  {
    CWatchList list;
    list.Load();
    list.GetItemPtr(0)->m_renewMark = UpdateMark::Updated;
    list.GetItemPtr(1)->m_renewMark = UpdateMark::Updated;
    list.Save();
  }
  EXPECT_EQ(Cli({"ack", "1"}).status, 0);
  EXPECT_EQ(ReadList()[0].m_renewMark, UpdateMark::None);
  EXPECT_EQ(ReadList()[1].m_renewMark, UpdateMark::Updated);
  EXPECT_EQ(Cli({"ack", "all"}).status, 0);
  std::vector<WatchItem> items = ReadList();
  EXPECT_EQ(items[1].m_renewMark, UpdateMark::None);
  EXPECT_EQ(items[2].m_renewMark, UpdateMark::Unknown) << "an error mark stays";
}

TEST_F(ItemCommands, JsonDocumentsNameTheFields) {
  ASSERT_EQ(Cli({"add", server.Url("/a"), "--name", "ページ", "--full"}).status, 0);
  RunResult list = RunProgram(kCli, {"--home", home.Path(), "list", "--json"});
  ASSERT_EQ(list.status, 0);
  nlohmann::json items = nlohmann::json::parse(list.output);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0]["number"], 1);
  EXPECT_EQ(items[0]["name"], u8"ページ");
  EXPECT_EQ(items[0]["url"], server.Url("/a"));
  EXPECT_EQ(items[0]["compareFullText"], 1);
  EXPECT_EQ(items[0]["keys"]["ChkD"], 1);

  RunResult check = RunProgram(kCli, {"--home", home.Path(), "check", "all", "--json"});
  ASSERT_EQ(check.status, 0) << check.errors;
  nlohmann::json rows = nlohmann::json::parse(check.output);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["number"], 1);
  EXPECT_EQ(rows[0]["result"], u8"更新されています");
  EXPECT_EQ(nlohmann::json::parse(
                RunProgram(kCli, {"--home", home.Path(), "show", "1", "--json"}).output)["lastResult"],
            2);
}

TEST_F(ItemCommands, EditChangesOnlyWhatWasEditedAndRefusesABadText) {
  ASSERT_EQ(Cli({"add", server.Url("/a"), "--name", "old"}).status, 0);
  home.WriteBytes("good.sh", "sed -i 's/^Name\\told$/Name\\tnew/' \"$1\"\n");
  setenv("VISUAL", ("sh " + home.File("good.sh")).c_str(), 1);
  RunResult good = Cli({"edit", "1"});
  EXPECT_EQ(good.status, 0) << good.errors;
  EXPECT_EQ(ReadList()[0].m_name, "new");

  std::string before = home.ReadBytes("WatchList.pgl");
  home.WriteBytes("bad.sh", "sed -i 's/^Down\\t0$/Down\\t9/' \"$1\"\n");
  home.WriteBytes("no.txt", "n\n");
  setenv("VISUAL", ("sh " + home.File("bad.sh")).c_str(), 1);
  RunResult bad = Cli({"edit", "1"}, home.File("no.txt"));
  unsetenv("VISUAL");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.errors.find("行目"), std::string::npos) << bad.errors;
  EXPECT_EQ(home.ReadBytes("WatchList.pgl"), before);
}

TEST_F(ItemCommands, ARunningRunTakesTheChangesAndAnswers) {
  ASSERT_EQ(Cli({"add", server.Url("/slow"), "--name", "遅い", "--full", "--sound", "none"}).status, 0);
  ChildProcess run(kCli, {"--home", home.Path(), "run"});
  // The first check runs: the change waits for it and is then made among the queued ones.
  while (server.RequestCount() == 0) run.WaitForOutput("never", 10);
  RunResult added = Cli({"add", server.Url("/a"), "--name", "新しい", "--inactive"});
  EXPECT_EQ(added.status, 0) << added.errors;
  EXPECT_EQ(added.output, "2\n");
  EXPECT_NE(added.errors.find("チェックが終わるのを待っています"), std::string::npos) << added.errors;
  EXPECT_TRUE(run.WaitForOutput(platform::Cp932ToUtf8("遅い\t更新されています"), 2000)) << run.Output();

  EXPECT_EQ(Cli({"set", "2", "Name", "変えた"}).status, 0);
  EXPECT_EQ(Cli({"remove", "9"}).status, 2);
  std::vector<WatchItem> items = ReadList();  // saved before the answers
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].m_name, "変えた");
  EXPECT_EQ(items[0].m_result, CheckResult::Updated) << "the check's own result is kept";

  EXPECT_EQ(Cli({"remove", "1"}).status, 0);
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(10000), 0) << run.Errors();
  items = ReadList();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].m_name, "変えた");
}

TEST_F(ItemCommands, ARunKilledDuringItsCheckEndsTheWaitingChangeAtOnce) {
  server.Handle("/stall", [](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("never in time");
    response.delayMs = 120000;  // far beyond the 10 seconds promised
    return response;
  });
  ASSERT_EQ(Cli({"add", server.Url("/stall"), "--full", "--sound", "none"}).status, 0);
  ChildProcess run(kCli, {"--home", home.Path(), "run"});
  while (server.RequestCount() == 0) run.WaitForOutput("never", 10);
  ChildProcess added(kCli, {"--home", home.Path(), "add", server.Url("/a"), "--inactive"});
  ASSERT_TRUE(added.WaitForErrors(platform::Cp932ToUtf8("チェックが終わるのを待っています"), 10000))
      << added.Errors();
  run.Signal(SIGKILL);
  EXPECT_EQ(run.Wait(), -1);
  // Well inside the 10 seconds: the wait ends with the taker, not with its own limit.
  EXPECT_EQ(added.Wait(9000), 1);
  std::string errors = platform::Utf8ToCp932(added.Errors());
  EXPECT_NE(errors.find("応答する前に終了しました。変更されたかどうか分かりません"), std::string::npos)
      << errors;
  EXPECT_EQ(ReadList().size(), 1u) << "the queued change died with the run";
}

TEST_F(ItemCommands, TextsThatShiftJisCannotHoldAreRefusedNamingTheCharacter) {
  std::string before = home.ReadBytes("WatchList.pgl");
  RunResult emoji = RunProgram(kCli, {"--home", home.Path(), "add", server.Url("/a"), "--name",
                                      "\xE3\x83\x8B\xF0\x9F\x98\x80"});  // "ニ" and an emoji
  EXPECT_EQ(emoji.status, 2);
  EXPECT_NE(emoji.errors.find("U+1F600\xE3\x80\x8C\xF0\x9F\x98\x80"), std::string::npos) << emoji.errors;
  RunResult broken = RunProgram(kCli, {"--home", home.Path(), "add", server.Url("/a"), "--name", "a\xFF" "b"});
  EXPECT_EQ(broken.status, 2);
  EXPECT_NE(broken.errors.find("0xFF"), std::string::npos) << broken.errors;
  EXPECT_EQ(home.ReadBytes("WatchList.pgl"), before);

  // What Japanese input methods type for the wave dash and the minus is stored as it looks.
  ASSERT_EQ(RunProgram(kCli, {"--home", home.Path(), "add", server.Url("/a"), "--name",
                              "\xE3\x80\x9C\xE2\x88\x92"}).status, 0);
  EXPECT_EQ(ReadList()[0].m_name, "\x81\x60\x81\x7C");
}

TEST_F(ItemCommands, AHolderThatNeverAnswersGetsTheRequestWithdrawn) {
  platform::SetProgramFolder(home.Path());
  platform::CSingleInstanceLock lock;  // a program that holds the folder but takes nothing
  ASSERT_EQ(lock.Acquire(home.Path()), platform::CSingleInstanceLock::Result::Acquired);
  ListChange change;
  change.kind = ListChange::Kind::Acknowledge;
  ListHandOverTimes times;
  times.firstAnswer = std::chrono::milliseconds(200);
  ListAnswer answer = HandListChange(change, times);
  EXPECT_EQ(answer.status, ListAnswer::kFailed);
  EXPECT_NE(answer.text.find("変更していません"), std::string::npos);
  EXPECT_EQ(home.ReadBytes("WatchList.pgl"), "");
  for (const auto& entry : std::filesystem::directory_iterator(home.Path())) {
    ADD_FAILURE() << "left behind: " << entry.path();
  }
}

}  // namespace

TEST_F(ItemCommands, ABrowserItemKeepsItsFieldsAndRefusesFormDataAndAStrayWait) {
  ASSERT_EQ(Cli({"add", server.Url("/a")}).status, 0);
  EXPECT_EQ(Show(1, "Brws"), "(none)") << "a plain item writes no browser line";
  ASSERT_EQ(Cli({"add", server.Url("/a"), "--browser", "--wait-for", "ul.news li"}).status, 0);
  EXPECT_EQ(Show(2, "Brws"), "1");
  EXPECT_EQ(Show(2, "WaiF"), "ul.news li");
  nlohmann::json shown =
      nlohmann::json::parse(RunProgram(kCli, {"--home", home.Path(), "show", "2", "--json"}).output);
  EXPECT_EQ(shown["browser"], 1);
  EXPECT_EQ(shown["waitFor"], "ul.news li");

  RunResult stray = Cli({"add", server.Url("/a"), "--wait-for", "li"});
  EXPECT_EQ(stray.status, 2) << "--wait-for means nothing without --browser";
  RunResult posted = Cli({"set", "2", "Argu", "q=1"});
  EXPECT_EQ(posted.status, 2);
  EXPECT_NE(posted.errors.find("フォーム送信データのあるアイテムはブラウザで表示できません"), std::string::npos)
      << posted.errors;
  EXPECT_EQ(Cli({"set", "2", "Brws", "0"}).status, 0);
  EXPECT_EQ(ReadList().size(), 2u);
  EXPECT_EQ(ReadList()[1].m_browser, 0);
}
