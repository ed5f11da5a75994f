// pagewarden-cli links as a user runs it: a link folder of its own, pages on the loopback
// server.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <thread>

#include "core/app/settings_archive.h"
#include "core/links/link_list.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "support/child_process.h"
#include "support/link_folder_fixture.h"

namespace {

class LinksCommandTest : public ::testing::Test, public LinkFolderFixture {
 protected:
  LinksCommandTest() {
    server.Handle("/a.txt", [](const HttpRequestRecord&) {
      return ScriptedResponse::Ok("new a", "text/plain");
    });
    server.Handle("/b.txt", [](const HttpRequestRecord&) {
      return ScriptedResponse::Ok("new b", "text/plain");
    });
  }
  void WriteLinks(const std::vector<std::string>& files) {
    LinkFolderFixture::WriteLinks(files, "リンク ");
  }
  std::vector<std::string> Args(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", m_home.Path(), "links"});
    return args;
  }
  RunResult Cli(std::vector<std::string> args) {
    RunResult result = RunProgram(PAGEWARDEN_CLI, Args(std::move(args)));
    result.output = platform::Utf8ToCp932(result.output);
    result.errors = platform::Utf8ToCp932(result.errors);
    return result;
  }
  std::string Row(int number, const std::string& file, const std::string& last) {
    return std::to_string(number) + "\t" + file + "\tリンク " + file + "\t" +
           server.Url("/" + file) + "\t" + last + "\n";
  }

  TempFolder m_home;
};

}  // namespace

TEST_F(LinksCommandTest, ListsTheStoredFolderAndRespectsItsLocks) {
  WriteLinks({"a.txt", "b.txt"});
  folder.WriteBytes("a.txt", "old a");
  // The folder the desktop program's link update used last.
  AppSettings settings;
  MainWindowLayout layout;
  layout.m_linkFolder = folder.Path();
  ASSERT_TRUE(SaveSettingsFile(m_home.File(kSettingsArchiveName), settings, layout, {}));

  RunResult listed = Cli({});
  EXPECT_EQ(listed.status, 0) << listed.errors;
  EXPECT_EQ(listed.output, Row(1, "a.txt", "ファイルあり") + Row(2, "b.txt", "ファイルなし"));
  EXPECT_FALSE(platform::FileExists(folder.File("dialog.lock")));

  folder.WriteBytes("dialog.lock", "Pagewarden[1]");
  std::string before = folder.ReadBytes(kLinkListName);
  RunResult refused = Cli({folder.Path(), "update"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.errors, "リンクファイルが他で使用されている可能性があります。\n");
  EXPECT_EQ(folder.ReadBytes("a.txt"), "old a");
  EXPECT_EQ(folder.ReadBytes("dialog.lock"), "Pagewarden[1]");

  RunResult forced = Cli({"--force"});
  EXPECT_EQ(forced.status, 0) << forced.errors;
  EXPECT_FALSE(platform::FileExists(folder.File("dialog.lock")));
  EXPECT_EQ(folder.ReadBytes(kLinkListName), before);

  EXPECT_EQ(Cli({"update", "x"}).status, 2);
  EXPECT_EQ(Cli({folder.File("none"), "update"}).status, 1);
}

TEST_F(LinksCommandTest, UpdatesAndSavesTheList) {
  WriteLinks({"a.txt", "b.txt"});
  folder.WriteBytes("a.txt", "old a");
  RunResult one = Cli({folder.Path(), "update", "2"});
  EXPECT_EQ(one.status, 0) << one.errors;
  EXPECT_EQ(one.output, Row(2, "b.txt", "更新されています"));
  EXPECT_EQ(folder.ReadBytes("b.txt"), "new b");
  EXPECT_EQ(folder.ReadBytes("a.txt"), "old a");

  // No date from the server: the content decides; a.txt is replaced, b.txt unchanged.
  RunResult all = Cli({folder.Path(), "update"});
  EXPECT_EQ(all.status, 0) << all.errors;
  EXPECT_EQ(all.output, Row(1, "a.txt", "更新されています") + Row(2, "b.txt", "更新されていません"));
  EXPECT_EQ(folder.ReadBytes("a.txt"), "new a");
  EXPECT_NE(folder.ReadBytes(kLinkListName).find("Load: "), std::string::npos);
  EXPECT_EQ(Cli({folder.Path(), "update", "3"}).status, 2);
}

TEST_F(LinksCommandTest, AQuestionNoOneCanAnswerWritesNothing) {
  WriteLinks({"a.txt"});
  std::string before = folder.ReadBytes(kLinkListName);
  // The companion starts appending while the link is fetched.
  server.Handle("/a.txt", [this](const HttpRequestRecord&) {
    folder.WriteBytes("append.lock", "Linkreel[1]");
    return ScriptedResponse::Ok("new a", "text/plain");
  });
  RunResult result = Cli({folder.Path(), "update"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.errors.find("更新データファイルが他の作業で使用中です。"), std::string::npos);
  EXPECT_EQ(folder.ReadBytes(kLinkListName), before);
  EXPECT_EQ(folder.ReadBytes("append.lock"), "Linkreel[1]");
}

TEST_F(LinksCommandTest, StopSignalEndsAfterTheCurrentLinkAndSaves) {
  WriteLinks({"slow.txt", "b.txt"});
  std::atomic<bool> asked{false};
  server.Handle("/slow.txt", [&](const HttpRequestRecord&) {
    asked = true;
    ScriptedResponse answer = ScriptedResponse::Ok("slow", "text/plain");
    answer.delayMs = 700;
    return answer;
  });
  ChildProcess cli(PAGEWARDEN_CLI, Args({folder.Path(), "update"}));
  for (int i = 0; i < 500 && !asked; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(asked);
  cli.Signal(SIGINT);
  EXPECT_EQ(cli.Wait(), 0) << cli.Errors();
  EXPECT_EQ(platform::Utf8ToCp932(cli.Output()), Row(1, "slow.txt", "更新されています"));
  EXPECT_EQ(folder.ReadBytes("slow.txt"), "slow");
  EXPECT_FALSE(platform::FileExists(folder.File("b.txt")));
  EXPECT_NE(folder.ReadBytes(kLinkListName).find("Dest: slow.txt\r\n"), std::string::npos);
}
