#include "gui_test_support.h"

#include <chrono>
#include <cstdio>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/taskbar.h>
#include <wx/timer.h>
#include <wx/window.h>
#include <X11/Xlib.h>

#include "platform/file_system.h"

extern char** environ;

bool RunEventsUntil(const std::function<bool()>& done, std::uint32_t timeoutMs) {
  wxGUIEventLoop loop;
  wxEventLoopActivator active(&loop);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    while (loop.Pending()) loop.Dispatch();
    wxTheApp->ProcessPendingEvents();
    loop.ProcessIdle();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void RunEventsFor(std::uint32_t milliseconds) {
  RunEventsUntil([] { return false; }, milliseconds);
}

pid_t StartProcess(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& env) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
  for (const std::string& added : env) environment.push_back(added);
  std::vector<std::string> argvText{program};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv, envp;
  for (std::string& text : argvText) argv.push_back(text.data());
  argv.push_back(nullptr);
  for (std::string& text : environment) envp.push_back(text.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
    return -1;
  }
  return pid;
}

int WaitForProcess(pid_t pid, std::uint32_t timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    int status = 0;
    pid_t result = waitpid(pid, &status, WNOHANG);
    if (result == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (result < 0) return -1;
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TrayHost::TrayHost() {
  m_pid = StartProcess("trayer", {"--edge", "bottom", "--align", "right", "--widthtype",
                                  "pixel", "--width", "120", "--height", "24"},
                       {});
  if (m_pid > 0) {
    m_ready = RunEventsUntil([] { return wxTaskBarIcon::IsAvailable(); }, 10000);
  }
}

TrayHost::~TrayHost() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  WaitForProcess(m_pid, 5000);
  // The selection goes with its owner; wait until the desktop has no tray any more.
  RunEventsUntil([] { return !wxTaskBarIcon::IsAvailable(); }, 5000);
}

namespace {

// A window manager holds the selection WM_S<screen> of the display.
bool WindowManagerRunning() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  std::string name = "WM_S" + std::to_string(DefaultScreen(display));
  Atom selection = XInternAtom(display, name.c_str(), False);
  bool running = XGetSelectionOwner(display, selection) != None;
  XCloseDisplay(display);
  return running;
}

}  // namespace

WindowManagerHost::WindowManagerHost() {
  m_pid = StartProcess("openbox", {}, {});
  if (m_pid > 0) m_ready = RunEventsUntil(WindowManagerRunning, 10000);
}

WindowManagerHost::~WindowManagerHost() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  WaitForProcess(m_pid, 5000);
  RunEventsUntil([] { return !WindowManagerRunning(); }, 5000);
}

GuiWorld::GuiWorld() {
  app = std::make_unique<CWatchApp>(CWatchApp::FrontEnd::Desktop, prompter, queue);
}

GuiWorld::~GuiWorld() {
  app.reset();
  // Deferred calls still queued for this world's windows run now, not in the next test.
  RunEventsFor(20);
}

std::string GuiWorld::State() const {
  return environment.StoredValue("Pageward", "State").value_or("");
}

void HoldForScreenshot(wxWindow& window, const char* done) {
  RunEventsUntil([&] { return window.IsShownOnScreen(); });
  RunEventsFor(500);
  std::printf("SCREENSHOT READY\n");
  std::fflush(stdout);
  RunEventsUntil([&] { return platform::FileExists(done); }, 60000);
}

struct HangGuard::Ticker : wxTimer {
  using Clock = std::chrono::steady_clock;

  Ticker(std::chrono::seconds limit, std::chrono::seconds grace)
      : deadline(Clock::now() + limit), grace(grace) {}

  void Notify() override {
    Clock::time_point now = Clock::now();
    if (testing::Test::HasFailure() && !failedAt) failedAt = now;
    if (failedAt && now - *failedAt >= grace) {
      End("failed and did not end " + std::to_string(grace.count()) + " s later");
    } else if (now >= deadline) {
      End("did not end in time");
    }
  }

  [[noreturn]] void End(const std::string& why) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "?";
    std::string windows;
    for (wxWindow* top : wxTopLevelWindows) {
      if (!top->IsShown()) continue;
      auto* dialog = wxDynamicCast(top, wxDialog);
      windows += std::string(windows.empty() ? "" : ", ") + "\"" +
                 std::string(top->GetLabel().utf8_str()) + "\"" +
                 (dialog && dialog->IsModal() ? " (modal)" : "");
    }
    std::fprintf(stderr, "\n[  HANG    ] %s %s; windows open: %s. Ended here.\n", name.c_str(),
                 why.c_str(), windows.empty() ? "none" : windows.c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);
  }

  Clock::time_point deadline;
  std::chrono::seconds grace;
  std::optional<Clock::time_point> failedAt;
};

HangGuard::HangGuard(std::chrono::seconds limit, std::chrono::seconds grace)
    : m_ticker(std::make_unique<Ticker>(limit, grace)) {
  m_ticker->Start(200);
}

HangGuard::~HangGuard() = default;
