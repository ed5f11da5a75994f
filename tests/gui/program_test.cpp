// The real desktop program, started as the user starts it: one instance per data folder,
// the state it leaves for its companions, and its end on a termination signal.
#include <gtest/gtest.h>
#include <csignal>
#include <thread>

#include "core/app/settings_archive.h"
#include "support/child_process.h"
#include "support/watch_list_file.h"
#include "gui_test_support.h"
#include "support/temp_folder.h"

namespace {

class DesktopProgram : public testing::Test {
 protected:
  std::vector<std::string> Environment() const {
    return {"XDG_CONFIG_HOME=" + m_config.Path(), "XDG_RUNTIME_DIR=" + m_runtime.Path()};
  }
  pid_t Start(std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"--home", m_home.Path()});
    return StartProcess(PAGEWARDEN_BINARY, more, Environment());
  }
  // A value of the program's own key.
  std::string Read(const std::string& name) const {
    std::string path = m_config.Path() + "/Velmar/Pageward/" + name;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    char buffer[64] = {};
    std::size_t size = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    return std::string(buffer, size);
  }
  std::string State() const { return Read("State"); }
  bool WaitForState(const std::string& state, std::uint32_t timeoutMs = 10000) {
    return WaitUntil([&] { return State() == state; }, timeoutMs);
  }

  TempFolder m_home, m_config, m_runtime;
};

// The login's autostart entry starts the program this way, whatever the settings say.
TEST_F(DesktopProgram, TheResidentSwitchStartsInTheTray) {
  TrayHost tray;
  ASSERT_TRUE(tray.Ready());
  pid_t program = Start({"--resident"});
  ASSERT_GT(program, 0);
  EXPECT_TRUE(WaitForState("hide")) << "state: " << State();
  kill(program, SIGTERM);
  EXPECT_EQ(WaitForProcess(program, 10000), 0);
}

TEST_F(DesktopProgram, SecondStartShowsTheFirstOnesWindowAndEnds) {
  TrayHost tray;
  ASSERT_TRUE(tray.Ready());
  // The first program starts resident: its window goes to the tray at once.
  AppSettings settings;
  settings.m_startResident = 1;
  ASSERT_TRUE(SaveSettingsFile(m_home.File("PAGEWARD.INI"), settings, MainWindowLayout{},
                               WatchListWindowLayout{}));
  pid_t first = Start();
  ASSERT_GT(first, 0);
  ASSERT_TRUE(WaitForState("hide")) << "state: " << State();

  pid_t second = Start();
  ASSERT_GT(second, 0);
  EXPECT_EQ(WaitForProcess(second, 10000), 0);
  EXPECT_TRUE(WaitForState("opened")) << "state: " << State();

  kill(first, SIGTERM);
  EXPECT_EQ(WaitForProcess(first, 10000), 0);
  EXPECT_EQ(State(), "closed");
  std::FILE* comp = std::fopen(m_home.File("comp").c_str(), "rb");
  EXPECT_NE(comp, nullptr);
  if (comp) std::fclose(comp);
}

TEST_F(DesktopProgram, StartsWithItsWindowOpenAndEndsOnTermination) {
  pid_t program = Start();
  ASSERT_GT(program, 0);
  ASSERT_TRUE(WaitForState("opened"));
  kill(program, SIGTERM);
  EXPECT_EQ(WaitForProcess(program, 10000), 0);
  EXPECT_EQ(State(), "closed");
}

// The command line hands its changes to the running desktop program, which makes them in
// its own list: they survive the program's own save when it ends.
TEST_F(DesktopProgram, TakesTheCommandLinesChangesIntoItsOwnList) {
  pid_t program = Start();
  ASSERT_GT(program, 0);
  ASSERT_TRUE(WaitForState("opened"));
  std::vector<std::string> old;
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
    const char* value = std::getenv(name);
    old.push_back(value ? value : "");
  }
  setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
  setenv("XDG_RUNTIME_DIR", m_runtime.Path().c_str(), 1);
  auto cli = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", m_home.Path()});
    return RunProgram(PAGEWARDEN_CLI, args);
  };
  RunResult added = cli({"add", "http://127.0.0.1:9/page", "--name", "desk", "--inactive"});
  RunResult second = cli({"add", "http://127.0.0.1:9/other", "--inactive"});
  RunResult removed = cli({"remove", "1"});
  setenv("XDG_CONFIG_HOME", old[0].c_str(), 1);
  setenv("XDG_RUNTIME_DIR", old[1].c_str(), 1);
  EXPECT_EQ(added.status, 0) << added.errors;
  EXPECT_EQ(added.output, "1\n");
  EXPECT_EQ(second.output, "2\n");
  EXPECT_EQ(removed.status, 0) << removed.errors;

  kill(program, SIGTERM);
  EXPECT_EQ(WaitForProcess(program, 10000), 0);
  std::vector<WatchItem> items = ReadWatchListFile(m_home.Path());
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].m_url, "http://127.0.0.1:9/other");
}

// Started three times on one data folder under a window manager, the window opens where
// it was and as large as it was (the first start sets the size a user would have given
// it), and GTK has nothing to complain about while it is laid out.
TEST_F(DesktopProgram, OpensItsWindowAsItWasLeftAtEveryStart) {
  WindowManagerHost windowManager;
  if (!windowManager.Ready()) GTEST_SKIP() << "openbox is not installed";
  const std::string settingsFile = m_home.File("PAGEWARD.INI");
  auto runOnce = [&](const char* which) {
    std::vector<std::string> args = Environment();
    args.insert(args.end(), {PAGEWARDEN_BINARY, "--home", m_home.Path()});
    ChildProcess program("/usr/bin/env", args);
    EXPECT_TRUE(WaitForState("opened")) << which;
    // Framed by the window manager, laid out, and its frame noted for the next start.
    EXPECT_TRUE(WaitUntil([&] { return !Read("MainWindowFrame").empty(); })) << which;
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(10000), 0) << which;
    EXPECT_EQ(program.Errors().find("Gtk-"), std::string::npos) << which << ": "
                                                                 << program.Errors();
    AppSettings settings;
    MainWindowLayout main;
    WatchListWindowLayout list;
    LoadSettingsFile(settingsFile, settings, main, list);
    return std::tuple{settings, main, list};
  };
  auto [settings, main, list] = runOnce("first start");
  ASSERT_TRUE(main.m_windowRect.IsKnown());
  WindowRect& rect = main.m_windowRect;
  rect = {rect.left + 30, rect.top + 20, rect.left + 30 + 700, rect.top + 20 + 430};
  ASSERT_TRUE(SaveSettingsFile(settingsFile, settings, main, list));
  const WindowRect given = rect;
  EXPECT_EQ(std::get<1>(runOnce("second start")).m_windowRect, given);
  EXPECT_EQ(std::get<1>(runOnce("third start")).m_windowRect, given);
}

}  // namespace
