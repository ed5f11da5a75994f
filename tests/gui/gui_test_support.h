// What the window tests share: running wx's event loop until something happened, a tray
// host on the virtual display, and a private world for one application object.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

#include "core/app/watch_app.h"
#include "gui/app/main_messages.h"
#include "gui/wx_prompter.h"
#include "gui/wx_ui_queue.h"
#include "support/companion_environment.h"

// Runs the event loop (events, deferred calls, idle work such as deleting windows) until
// `done` holds or `timeoutMs` passes; whether `done` held.
bool RunEventsUntil(const std::function<bool()>& done, std::uint32_t timeoutMs = 5000);
// Runs the event loop for `milliseconds`.
void RunEventsFor(std::uint32_t milliseconds);

class wxWindow;
// The end of a screenshot scene (scripts/screenshot_scene.sh): once `window` is on the
// screen and drawn, prints "SCREENSHOT READY" and runs the event loop until the file
// `done` exists (the picture has been taken).
void HoldForScreenshot(wxWindow& window, const char* done);

// Ends the test program with a readable message, instead of leaving it to ctest's time-out,
// when the running test failed and has not ended `grace` later, or has run for `limit`: a
// modal window that nobody answers any more (a message box, a sheet) would hold it for ever.
// The message names the test and the windows still open. Ticks in every event loop, modal
// ones included; lives as long as the test it guards.
class HangGuard {
 public:
  explicit HangGuard(std::chrono::seconds limit,
                     std::chrono::seconds grace = std::chrono::seconds(5));
  ~HangGuard();
  HangGuard(const HangGuard&) = delete;
  HangGuard& operator=(const HangGuard&) = delete;

 private:
  struct Ticker;
  std::unique_ptr<Ticker> m_ticker;
};

// A main window that shows nothing, for windows tested without one.
class CNoDisplay : public IMainWindowMessages {
 public:
  void DisplayPage(DisplayKind, const FetchRequest&) override {}
  void DisplayPage(DisplayKind, const std::string&) override {}
  void EditItem(int) override {}
  void ShowChange(int) override {}
};

// A tray host (Debian's trayer) on the test's display for the life of the object.
class TrayHost {
 public:
  TrayHost();
  ~TrayHost();
  TrayHost(const TrayHost&) = delete;
  TrayHost& operator=(const TrayHost&) = delete;
  // The desktop shows tray icons now.
  bool Ready() const { return m_ready; }

 private:
  pid_t m_pid = -1;
  bool m_ready = false;
};

// A window manager (Debian's openbox) on the test's display for the life of the object:
// minimising then goes through it, as on a desktop.
class WindowManagerHost {
 public:
  WindowManagerHost();
  ~WindowManagerHost();
  WindowManagerHost(const WindowManagerHost&) = delete;
  WindowManagerHost& operator=(const WindowManagerHost&) = delete;
  bool Ready() const { return m_ready; }

 private:
  pid_t m_pid = -1;
  bool m_ready = false;
};

// A fresh value store, runtime folder and program folder with an application object for
// the desktop on the wx queue and prompter.
struct GuiWorld {
  GuiWorld();
  ~GuiWorld();

  CompanionEnvironment environment;
  CWxUiQueue queue;
  CWxPrompter prompter{queue};
  std::unique_ptr<CWatchApp> app;

  std::string State() const;
};

// Starts `program` with `args` and the environment variables `env` ("NAME=value") added;
// its process id, or -1.
pid_t StartProcess(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& env);
// Waits for the process to end; its exit status, or -1 when it did not end in time.
int WaitForProcess(pid_t pid, std::uint32_t timeoutMs);
