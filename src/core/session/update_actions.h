// The actions on update, run by the check engine on its worker for every updated item, in
// this order, each whatever the others did: the sound, the desktop notification, raising
// the main window, showing the page, running the item's file or opening its address, the
// notification mail, the messages to the notification addresses and the entry in the feed
// of changes (notify_actions.h). A failed mail is told once more by a desktop
// notification; the engine posts its row, and one for each failed notification.
//
// Threads: OnUpdate runs on the engine's worker. Raising and showing are sent to the UI
// thread through the host's queue (the worker waits for them); the sound, the program
// and the mail run on the worker (the mail's progress windows are the host's). Once the
// program is ending, or the check is cancelled, the actions not yet run are skipped; a
// mail under way is broken off by the engine's abort signal.
// Ownership: the engine, the host's queue, mail window host and the notifier outlive this.
#pragma once

#include <functional>
#include <string>

#include "core/check/check_notify.h"
#include "core/common/app_settings.h"
#include "core/fetch/fetch_request.h"
#include "core/notify/notify_message.h"

class CMailServerInfo;
class CReNew;
class IMailDialogHost;
namespace platform {
class CDesktopNotifier;
class IUiQueue;
}  // namespace platform

// What the first notification mail found out, and the settings it started from.
struct MailWayFound {
  AppSettings before;  // the check's snapshot: kept only while the settings are these
  std::string authState;
  int loginForm = 0;
  MailSecurity security = MailSecurity::None;
};

// What differs between the front ends.
struct UpdateActionsHost {
  platform::IUiQueue* queue = nullptr;  // the UI thread's
  // Brings the main window up ("開く"); UI thread. Empty: there is none.
  std::function<void()> raiseMainWindow;
  // Shows a page or an address; UI thread. Empty: pages cannot be shown here.
  std::function<void(const FetchRequest& request)> showPage;
  // Shows what changed on an updated item that has a previous version; UI thread. Empty:
  // the notification offers the page instead.
  std::function<void(const WatchItem& item)> showChange;
  // The mail progress windows; null: the mail runs on the worker without a window.
  IMailDialogHost* mailDialogs = nullptr;
  // The front end stays to take the notification's "表示" (a resident program).
  bool notificationAction = true;
  // Keeps what a notification mail found out about the mail server (the state, and the
  // login and encryption that worked) in the program-wide settings; UI thread. Empty:
  // not kept.
  std::function<void(const MailWayFound& found)> rememberMailWay;
};

// Keeps `found` in `settings` when they still hold the mail settings it was found with;
// whether they changed.
bool RememberMailWay(AppSettings& settings, const MailWayFound& found);

// The subject and body of an item's notification mail: its own, else the item's name
// (or address) and "更新されています" with the page's address.
std::string NoticeSubject(const WatchItem& item);
std::string NoticeBody(const WatchItem& item);

class CUpdateActions : public IUpdateActions {
 public:
  // `notifier` may be null (no desktop notifications).
  CUpdateActions(CReNew& engine, UpdateActionsHost host, platform::CDesktopNotifier* notifier);

  // false when the notification mail could not be sent.
  bool OnUpdate(const WatchItem& item, const AppSettings& settings) override;
  // The item's mail (when it has one) and a desktop notification with `text`.
  bool OnAlert(const WatchItem& item, const AppSettings& settings,
               const std::string& text) override;

  // The sound an item plays: "notify.wav" as shipped with the program, its own file, or
  // none (empty).
  static std::string SoundPath(const WatchItem& item);
  // `Exec` names an address to show rather than a file to start.
  static bool IsAddress(const std::string& exec);

 private:
  bool Ending() const;
  void RaiseMainWindow();
  void ShowPage(const FetchRequest& request);
  void RunExec(const std::string& exec);
  bool SendMail(const WatchItem& item, const AppSettings& settings, const std::string& subject,
                const std::string& body);
  // Posts what a notice found out about the server (state, login, encryption) to the
  // host's rememberMailWay when it differs from the settings.
  void KeepWayFound(const AppSettings& settings, const CMailServerInfo& info,
                    MailSecurity security, const std::string& stateBefore);
  void Notify(const WatchItem& item, const std::string& text);
  // The notification addresses and the feed; a failure goes to the engine as a row.
  void Announce(const WatchItem& item, const AppSettings& settings, const std::string& result,
                ChangedLines lines);

  CReNew& m_engine;
  UpdateActionsHost m_host;
  platform::CDesktopNotifier* m_notifier;
  std::string m_iconPath;
};
