// Desktop notifications through the desktop's notification service (libnotify on the
// session bus). Showing never waits: each notice is handed to a thread of the notifier's
// own, which talks to the service and receives the service's answers (an action chosen by
// the user) in a main loop of its own, apart from any toolkit's loop.
//
// No session bus, no service on it, or no libnotify to load: nothing is shown and nothing
// is reported. A session bus that is not already there is not started (no auto-launch).
// libnotify is loaded with the first notice (notify_library.h).
//
// Threads: Show from any thread. A notice's onAction runs on the notifier's thread. The
// destructor ends and joins that thread; a notice still waiting for an action then closes
// (nobody would take the action any more). libnotify keeps process-wide state, so only
// one notifier at a time shows anything: a second one made while the first lives is silent.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

struct DesktopNotice {
  std::string summary;      // CP932
  std::string body;         // CP932; lines separated by "\n"
  std::string iconPath;     // CP932 path of an image file; empty: none
  std::string actionLabel;  // CP932; empty: no action offered
  // The user chose the action (where the service offers actions). Notifier's thread.
  std::function<void()> onAction;
};

class CDesktopNotifier {
 public:
  // `appName` (CP932): the program's name as the service shows it.
  explicit CDesktopNotifier(std::string appName);
  ~CDesktopNotifier();
  CDesktopNotifier(const CDesktopNotifier&) = delete;
  CDesktopNotifier& operator=(const CDesktopNotifier&) = delete;

  // Hands the notice over and returns at once.
  void Show(DesktopNotice notice);
  // Waits until every notice handed over so far has been given to the service (or given
  // up); for the end of a short run and for tests.
  void Flush();

  // A session bus is there to reach (its address is set, or the user's bus socket exists).
  static bool SessionBusAvailable();

 private:
  struct Loop;
  Loop* StartedLoop();

  std::string m_appName;
  std::mutex m_startMutex;
  std::unique_ptr<Loop> m_loop;  // started with the first notice
};

}  // namespace platform
