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
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"

namespace {

class LinksCommandTest : public ::testing::Test {
 protected:
  LinksCommandTest() {
    m_server.Handle("/a.txt", [](const HttpRequestRecord&) {
      return ScriptedResponse::Ok("new a", "text/plain");
    });
    m_server.Handle("/b.txt", [](const HttpRequestRecord&) {
      return ScriptedResponse::Ok("new b", "text/plain");
    });
  }
  void WriteLinks(const std::vector<std::string>& files) {
    FILE* out = platform::OpenFile(m_links.File(kLinkListName), "w");
    for (const std::string& file : files) {
      FetchRequest request;
      request.m_savePath = file;
      request.m_url = m_server.Url("/" + file);
      request.m_name = "リンク " + file;
      request.Write(out);
    }
    std::fclose(out);
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
           m_server.Url("/" + file) + "\t" + last + "\n";
  }

  TempFolder m_home;
  TempFolder m_links;
  LoopbackHttpServer m_server;
};

}  // namespace

TEST_F(LinksCommandTest, ListsTheStoredFolderAndRespectsItsLocks) {
  WriteLinks({"a.txt", "b.txt"});
  m_links.WriteBytes("a.txt", "old a");
  // The folder the desktop program's link update used last.
  AppSettings settings;
  MainWindowLayout layout;
  layout.m_linkFolder = m_links.Path();
  ASSERT_TRUE(SaveSettingsFile(m_home.File(kSettingsArchiveName), settings, layout, {}));

  RunResult listed = Cli({});
  EXPECT_EQ(listed.status, 0) << listed.errors;
  EXPECT_EQ(listed.output, Row(1, "a.txt", "ファイルあり") + Row(2, "b.txt", "ファイルなし"));
  EXPECT_FALSE(platform::FileExists(m_links.File("dialog.lock")));

  m_links.WriteBytes("dialog.lock", "Pagewarden[1]");
  std::string before = m_links.ReadBytes(kLinkListName);
  RunResult refused = Cli({m_links.Path(), "update"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.errors, "リンクファイルが他で使用されている可能性があります。\n");
  EXPECT_EQ(m_links.ReadBytes("a.txt"), "old a");
  EXPECT_EQ(m_links.ReadBytes("dialog.lock"), "Pagewarden[1]");

  RunResult forced = Cli({"--force"});
  EXPECT_EQ(forced.status, 0) << forced.errors;
  EXPECT_FALSE(platform::FileExists(m_links.File("dialog.lock")));
  EXPECT_EQ(m_links.ReadBytes(kLinkListName), before);

  EXPECT_EQ(Cli({"update", "x"}).status, 2);
  EXPECT_EQ(Cli({m_links.File("none"), "update"}).status, 1);
}

TEST_F(LinksCommandTest, UpdatesAndSavesTheList) {
  WriteLinks({"a.txt", "b.txt"});
  m_links.WriteBytes("a.txt", "old a");
  RunResult one = Cli({m_links.Path(), "update", "2"});
  EXPECT_EQ(one.status, 0) << one.errors;
  EXPECT_EQ(one.output, Row(2, "b.txt", "更新されています"));
  EXPECT_EQ(m_links.ReadBytes("b.txt"), "new b");
  EXPECT_EQ(m_links.ReadBytes("a.txt"), "old a");

  // No date from the server: the content decides; a.txt is replaced, b.txt unchanged.
  RunResult all = Cli({m_links.Path(), "update"});
  EXPECT_EQ(all.status, 0) << all.errors;
  EXPECT_EQ(all.output, Row(1, "a.txt", "更新されています") + Row(2, "b.txt", "更新されていません"));
  EXPECT_EQ(m_links.ReadBytes("a.txt"), "new a");
  EXPECT_NE(m_links.ReadBytes(kLinkListName).find("Load: "), std::string::npos);
  EXPECT_EQ(Cli({m_links.Path(), "update", "3"}).status, 2);
}

TEST_F(LinksCommandTest, AQuestionNoOneCanAnswerWritesNothing) {
  WriteLinks({"a.txt"});
  std::string before = m_links.ReadBytes(kLinkListName);
  // The companion starts appending while the link is fetched.
  m_server.Handle("/a.txt", [this](const HttpRequestRecord&) {
    m_links.WriteBytes("append.lock", "Linkreel[1]");
    return ScriptedResponse::Ok("new a", "text/plain");
  });
  RunResult result = Cli({m_links.Path(), "update"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.errors.find("更新データファイルが他の作業で使用中です。"), std::string::npos);
  EXPECT_EQ(m_links.ReadBytes(kLinkListName), before);
  EXPECT_EQ(m_links.ReadBytes("append.lock"), "Linkreel[1]");
}

TEST_F(LinksCommandTest, StopSignalEndsAfterTheCurrentLinkAndSaves) {
  WriteLinks({"slow.txt", "b.txt"});
  std::atomic<bool> asked{false};
  m_server.Handle("/slow.txt", [&](const HttpRequestRecord&) {
    asked = true;
    ScriptedResponse answer = ScriptedResponse::Ok("slow", "text/plain");
    answer.delayMs = 700;
    return answer;
  });
  ChildProcess cli(PAGEWARDEN_CLI, Args({m_links.Path(), "update"}));
  for (int i = 0; i < 500 && !asked; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(asked);
  cli.Signal(SIGINT);
  EXPECT_EQ(cli.Wait(), 0) << cli.Errors();
  EXPECT_EQ(platform::Utf8ToCp932(cli.Output()), Row(1, "slow.txt", "更新されています"));
  EXPECT_EQ(m_links.ReadBytes("slow.txt"), "slow");
  EXPECT_FALSE(platform::FileExists(m_links.File("b.txt")));
  EXPECT_NE(m_links.ReadBytes(kLinkListName).find("Dest: slow.txt\r\n"), std::string::npos);
}
