#include "core/app/watch_app.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>

#include "core/app/settings_archive.h"
#include "core/companion/companion_names.h"
#include "platform/broadcast.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/registry_key.h"
#include "support/companion_environment.h"
#include "support/scripted_prompter.h"

namespace {

using FrontEnd = CWatchApp::FrontEnd;

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      bytes.append(buffer, count);
    }
    std::fclose(file);
  }
  return bytes;
}

class WatchAppTest : public ::testing::Test {
 protected:
  bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }
  std::optional<std::string> Own(const char* name) {
    return environment.StoredValue("Pageward", name);
  }

  CompanionEnvironment environment;
  CScriptedPrompter m_prompter;
  platform::CLoopQueue m_queue;
};

TEST_F(WatchAppTest, DesktopStartUpPreparesEverythingAndEndsClosed) {
  AppSettings saved;
  saved.m_mailServer = "mail.example.invalid";
  MainWindowLayout layout;
  layout.m_linkFolder = "/リンク";
  ASSERT_TRUE(SaveSettingsFile(SettingsArchivePath(), saved, layout, {}));

  CWatchApp app(FrontEnd::Desktop, m_prompter, m_queue);
  int runs = 0;
  WatchAppHooks hooks;
  hooks.runMainWindow = [&](CWatchApp& running) {
    ++runs;
    EXPECT_EQ(&running, &app);
    EXPECT_TRUE(IsFolder(environment.Program().File("comp")));
    EXPECT_EQ(Own("Position"), environment.Program().Path());
    EXPECT_EQ(Own("Version"), "1.35");
    EXPECT_NE(running.Converter(), nullptr);
    EXPECT_EQ(running.m_settings.m_mailServer, "mail.example.invalid");
    EXPECT_EQ(running.m_mainWindowLayout.m_linkFolder, "/リンク");
    running.WriteState("opened");
    EXPECT_EQ(Own("State"), "opened");
    return 7;
  };
  EXPECT_EQ(app.InitInstance(hooks), 7);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(Own("State"), "closed");
  EXPECT_EQ(app.Converter(), nullptr);
  EXPECT_TRUE(m_prompter.Messages().empty());
  // The downloader's key is only ever opened, never made.
  EXPECT_TRUE(IsFolder(environment.Config().File("Velmar/grabHelper")));
  EXPECT_TRUE(IsFolder(environment.Config().File("Velmar/Location")));
  EXPECT_FALSE(IsFolder(environment.Config().File("Velmar/Linkreel")));
  EXPECT_EQ(app.DownloaderKey()->Read("Position"), "");
  EXPECT_EQ(CWatchApp::VersionNumber(), 135);
}

TEST_F(WatchAppTest, SecondDesktopProgramWakesTheFirstAndEnds) {
  CWatchApp first(FrontEnd::Desktop, m_prompter, m_queue);
  int shown = 0;
  int helperRequests = 0;
  WatchAppHooks hooks;
  hooks.showMainWindow = [&] { ++shown; };
  hooks.helperRequestMessage = [&] { ++helperRequests; };
  ASSERT_EQ(first.StartUp(hooks), CWatchApp::StartResult::Run);

  // Before the windows exist the request waits for them.
  platform::CLoopQueue secondQueue;
  CWatchApp second(FrontEnd::Desktop, m_prompter, secondQueue);
  bool secondRan = false;
  WatchAppHooks secondHooks;
  secondHooks.runMainWindow = [&](CWatchApp&) { secondRan = true; return 0; };
  EXPECT_EQ(second.InitInstance(secondHooks), 0);
  EXPECT_FALSE(secondRan);
  platform::Broadcast(kMessageHelperRequest);
  m_queue.Run(500);
  EXPECT_EQ(shown, 0);
  first.MainWindowReady();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(helperRequests, 1);

  // Once they exist it is shown at once.
  EXPECT_EQ(second.InitInstance(secondHooks), 0);
  ASSERT_TRUE(m_queue.RunUntil([&] { return shown == 2; }, 5000));
  EXPECT_TRUE(m_prompter.Messages().empty());
  first.ShutDown();

  // The folder is free again.
  EXPECT_EQ(second.StartUp(secondHooks), CWatchApp::StartResult::Run);
  second.ShutDown();
}

TEST_F(WatchAppTest, CommandLineProgramRefusesABusyFolderWithAMessage) {
  CWatchApp desktop(FrontEnd::Desktop, m_prompter, m_queue);
  ASSERT_EQ(desktop.StartUp({}), CWatchApp::StartResult::Run);
  CWatchApp cli(FrontEnd::Cli, m_prompter, m_queue);
  EXPECT_EQ(cli.StartUp({}), CWatchApp::StartResult::OtherInstance);
  ASSERT_EQ(m_prompter.Messages().size(), 1u);
  EXPECT_EQ(m_prompter.Messages()[0],
            "このデータフォルダは他のPagewardenが使用中です。終了します。");
  desktop.ShutDown();

  // The command-line program leaves the desktop program's values alone.
  platform::CRegistryKey(kOwnKeyPath, false).Write("State", "hide");
  EXPECT_EQ(cli.StartUp({}), CWatchApp::StartResult::Run);
  // A desktop program started meanwhile ends without a word.
  EXPECT_EQ(desktop.StartUp({}), CWatchApp::StartResult::OtherInstance);
  EXPECT_EQ(m_prompter.Messages().size(), 1u);
  cli.ShutDown();
  EXPECT_EQ(Own("State"), "hide");
}

TEST_F(WatchAppTest, DataFolderIsCreatedOrTheStartEnds) {
  // A program folder that does not exist yet is made, with "comp" in it.
  platform::SetProgramFolder(environment.Program().File("new/home"));
  CWatchApp app(FrontEnd::Desktop, m_prompter, m_queue);
  ASSERT_EQ(app.StartUp({}), CWatchApp::StartResult::Run);
  EXPECT_TRUE(IsFolder(environment.Program().File("new/home/comp")));
  app.ShutDown();

  // A file where "comp" belongs ends the start, and the folder is not kept locked.
  platform::SetProgramFolder(environment.Program().Path());
  environment.Program().WriteBytes("comp", "not a folder");
  CWatchApp broken(FrontEnd::Desktop, m_prompter, m_queue);
  bool ran = false;
  WatchAppHooks hooks;
  hooks.runMainWindow = [&](CWatchApp&) { ran = true; return 0; };
  EXPECT_EQ(broken.InitInstance(hooks), 1);
  EXPECT_FALSE(ran);
  EXPECT_EQ(m_prompter.Messages(),
            (std::vector<std::string>{"Pagewardenが正しくインストールされていません"}));
  platform::CSingleInstanceLock lock;
  EXPECT_EQ(lock.Acquire(environment.Program().Path()),
            platform::CSingleInstanceLock::Result::Acquired);
}

TEST_F(WatchAppTest, MissingConverterIsReportedAndTheStartGoesOn) {
  CWatchApp app(FrontEnd::Cli, m_prompter, m_queue);
  app.SetConverterFactory([] { return std::unique_ptr<platform::CCodePageConverter>(); });
  ASSERT_EQ(app.StartUp({}), CWatchApp::StartResult::Run);
  EXPECT_EQ(app.Converter(), nullptr);
  EXPECT_EQ(m_prompter.Messages(),
            (std::vector<std::string>{"漢字処理ルーチンが初期化できませんでした。"}));
  app.ShutDown();
}

TEST_F(WatchAppTest, KeysThatCannotBeCreatedAreReportedAndStayClosed) {
  environment.Config().WriteBytes("Velmar", "a file where the store belongs");
  CWatchApp app(FrontEnd::Desktop, m_prompter, m_queue);
  // Own, helper and location; the downloader's key is never created.
  auto questions = m_prompter.Questions();
  ASSERT_EQ(questions.size(), 3u);
  for (const auto& question : questions) {
    EXPECT_FALSE(question.text.empty());
    EXPECT_EQ(question.icon, IPrompter::Icon::Information);
  }
  EXPECT_FALSE(app.OwnKey()->IsOpen());
  ASSERT_EQ(app.StartUp({}), CWatchApp::StartResult::Run);
  app.WriteState("opened");
  EXPECT_EQ(app.OwnKey()->Read("State"), "");
  app.ShutDown();
}

TEST_F(WatchAppTest, SettingsSurviveARestart) {
  {
    CWatchApp app(FrontEnd::Desktop, m_prompter, m_queue);
    ASSERT_EQ(app.StartUp({}), CWatchApp::StartResult::Run);
    app.m_settings.m_proxy = "proxy.example.invalid:8080";
    app.m_watchListWindowLayout.m_columnWidths[4] = 321;
    EXPECT_TRUE(app.SaveSettings());
    app.ShutDown();
  }
  CWatchApp again(FrontEnd::Desktop, m_prompter, m_queue);
  ASSERT_EQ(again.StartUp({}), CWatchApp::StartResult::Run);
  EXPECT_EQ(again.m_settings.m_proxy, "proxy.example.invalid:8080");
  EXPECT_EQ(again.m_watchListWindowLayout.m_columnWidths[4], 321);
  again.ShutDown();
}

// The folders are made for the user alone whatever the umask; one that lets others in is
// left so and said once, until it changes.
TEST_F(WatchAppTest, DataFoldersAreMadePrivateAndAWideOneIsReportedOnce) {
  mode_t oldMask = umask(0);
  platform::SetProgramFolder(environment.Program().File("fresh"));
  {
    CWatchApp app(FrontEnd::Cli, m_prompter, m_queue);
    ASSERT_EQ(app.StartUp({}), CWatchApp::StartResult::Run);
    app.ShutDown();
  }
  umask(oldMask);
  struct stat info {};
  ASSERT_EQ(stat(environment.Program().File("fresh").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(stat(environment.Program().File("fresh/comp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_TRUE(m_prompter.Messages().empty());

  platform::SetProgramFolder(environment.Program().Path());
  chmod(environment.Program().Path().c_str(), 0755);
  auto start = [&] {
    CWatchApp app(FrontEnd::Desktop, m_prompter, m_queue);
    EXPECT_EQ(app.StartUp({}), CWatchApp::StartResult::Run);
    app.ShutDown();
  };
  start();
  ASSERT_EQ(m_prompter.Messages().size(), 1u);
  EXPECT_NE(m_prompter.Messages()[0].find(environment.Program().Path() + " は他のユーザーも使えるアクセス権 (755)"),
            std::string::npos) << m_prompter.Messages()[0];
  start();
  EXPECT_EQ(m_prompter.Messages().size(), 1u) << "said once";
  ASSERT_EQ(stat(environment.Program().Path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0755u) << "left as the user set it";
  chmod(environment.Program().Path().c_str(), 0700);
  start();
  chmod(environment.Program().Path().c_str(), 0750);
  start();
  EXPECT_EQ(m_prompter.Messages().size(), 2u) << "a folder widened again is said again";
  chmod(environment.Program().Path().c_str(), 0700);
}

// A truncated archive is never written over: the command line ends with its message; the
// desktop user who goes on keeps the old file under a dated name.
TEST_F(WatchAppTest, ADamagedArchiveIsReportedAndKeptAsideBeforeItIsReplaced) {
  AppSettings saved;
  saved.m_mailServer = "mail.example.invalid";
  ASSERT_TRUE(SaveSettingsFile(SettingsArchivePath(), saved, {}, {}));
  const std::string path = SettingsArchivePath();
  const std::string cut = ReadBytes(path).substr(0, ReadBytes(path).size() - 3);
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(cut.data(), 1, cut.size(), file);
  std::fclose(file);

  {
    CWatchApp cli(FrontEnd::Cli, m_prompter, m_queue);
    EXPECT_EQ(cli.StartUp({}), CWatchApp::StartResult::Failed);
    ASSERT_EQ(m_prompter.Messages().size(), 1u);
    EXPECT_NE(m_prompter.Messages()[0].find("設定ファイルを読み込めません: " + path),
              std::string::npos);
    EXPECT_FALSE(cli.SaveSettings());
  }
  m_prompter.QueueAnswer(IPrompter::Answer::No);
  {
    CWatchApp refused(FrontEnd::Desktop, m_prompter, m_queue);
    EXPECT_EQ(refused.StartUp({}), CWatchApp::StartResult::Failed);
  }
  auto backups = [&] {
    std::vector<std::string> found;
    DIR* dir = opendir(environment.Program().Path().c_str());
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name.rfind("PAGEWARD.INI.", 0) == 0 && name.size() > 4 &&
          name.compare(name.size() - 4, 4, ".bak") == 0) {
        found.push_back(environment.Program().File(name));
      }
    }
    closedir(dir);
    return found;
  };
  EXPECT_TRUE(backups().empty()) << "nothing is touched before the user goes on";

  m_prompter.QueueAnswer(IPrompter::Answer::Yes);
  CWatchApp desktop(FrontEnd::Desktop, m_prompter, m_queue);
  ASSERT_EQ(desktop.StartUp({}), CWatchApp::StartResult::Run);
  EXPECT_EQ(desktop.m_settings.m_mailServer, "mail.example.invalid") << "what was read stays";
  EXPECT_TRUE(desktop.SaveSettings());
  std::vector<std::string> kept = backups();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(ReadBytes(kept[0]), cut);
  EXPECT_TRUE(desktop.SaveSettings());
  EXPECT_EQ(backups().size(), 1u) << "kept aside once";
  desktop.ShutDown();
}

}  // namespace
