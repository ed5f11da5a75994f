// One check session: the watch list with its check engine, the results logic, the display
// hand-off and the actions on update, put together the same way for both front ends. The
// front end gives only what differs: its UI queue, its prompter, where the result rows go,
// and the window requests it can carry out.
//
// Threads: UI thread (the one serving the host's queue). The session owns what it makes;
// the application object and the host's parts outlive it. Each check reads a snapshot of
// the application object's settings taken on this thread when the check is given to the
// engine, so the settings may be changed here at any time. Destruction cancels a check
// that runs, joins the engine's worker and stops the hand-off's worker.
//
// Once loaded, the session also takes the list changes that the command line hands to the
// program working on the data folder (list_request_server.h).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "core/check/check_notify.h"
#include "core/check/check_results.h"
#include "core/companion/hlp_call.h"
#include "core/fetch/fetch.h"
#include "core/watch/watch_list.h"

class CWatchApp;
class CReNew;
class CListRequestServer;
class IMailDialogHost;
class IPrompter;
namespace platform {
class CDesktopNotifier;
class IUiQueue;
}  // namespace platform

struct CheckSessionHost {
  platform::IUiQueue* queue = nullptr;  // the UI thread's queue
  IPrompter* prompter = nullptr;        // questions of the checks and the hand-off
  IResultView* view = nullptr;          // the result rows
  // Brings the main window to the front ("開く"); empty where there is none.
  std::function<void()> raiseMainWindow;
  // The watch list changed by another program's request; empty where nothing shows it.
  std::function<void()> listChanged;
  // How the actions on update show a page: through the display hand-off (the desktop
  // program), with the desktop's opener (the command line in a graphical session), or not.
  enum class PageDisplay { HandOff, DesktopOpener, None };
  PageDisplay pageDisplay = PageDisplay::HandOff;
  // Opens the change window of an updated item, from its desktop notification; UI thread.
  // Empty: the notification offers the page instead.
  std::function<void(const WatchItem& item)> showChange;
  // The mail progress windows of the notification mail; null: none (the mail runs on the
  // check's worker without a window).
  IMailDialogHost* mailDialogs = nullptr;
  // false: an update changes the list and adds its row, nothing more (no sound, window,
  // page, program, mail or desktop notification).
  bool runActions = true;
  // The front end stays running to take a desktop notification's "表示".
  bool resident = true;
  // Network time-outs and trusted certificates of the checks (tests shorten and add them).
  FetchSettings fetch;
  // Checks that may run at once for this session; 0: the program-wide "同時チェック数",
  // read at every dispatch.
  int jobs = 0;
};

class CCheckSession {
 public:
  CCheckSession(CWatchApp& app, CheckSessionHost host);
  ~CCheckSession();
  CCheckSession(const CCheckSession&) = delete;
  CCheckSession& operator=(const CCheckSession&) = delete;

  // Loads the watch list (each item gets its first check time) and connects the engine's
  // reports to the results. Call once, before the first dispatch. false when the file could
  // not be opened (the list is then empty).
  bool Load();

  CWatchList& List() { return *m_list; }
  // The first engine; there is one per check that may run at once (EngineCount).
  CReNew& Engine() { return *m_engines.front(); }
  int EngineCount() const { return static_cast<int>(m_engines.size()); }
  // Breaks off the mail exchanges of every engine's actions (the program is ending).
  void AbortActions();
  CCheckResults& Results() { return *m_results; }
  CHLPCall& HandOff() { return m_handOff; }
  const CheckSessionHost& Host() const { return m_host; }

  // Replaces the actions on update that the engines run for every updated item (null:
  // none; shared by every engine, so they must be safe on several workers). The session
  // installs its own, one set per engine, unless the host asked for no actions.
  void SetUpdateActions(std::unique_ptr<IUpdateActions> actions);
  // Waits until the desktop notifications of the checks so far have been handed over.
  void FlushNotifications();

  // The program is ending: a check that ends from now on reports nothing.
  void SetShuttingDown();
  // Ends dispatching (the command line's end): a check that runs is cancelled. true when a
  // check had ended all the same and its report is still to be taken up from the queue.
  bool Close();
  // Stops the hand-off's worker (a request being handed over is finished first).
  void StopHandOff() { m_handOff.Stop(); }

 private:
  void InstallActions();
  CheckSessionHost m_host;
  CHLPCall m_handOff;
  // The engines' questions, one at a time (several workers may ask at once).
  std::unique_ptr<IPrompter> m_workerPrompter;
  std::vector<std::unique_ptr<IUpdateActions>> m_actions;
  std::unique_ptr<platform::CDesktopNotifier> m_notifier;  // after the actions: goes first
  std::vector<CReNew*> m_engines;  // owned by m_list
  std::unique_ptr<CWatchList> m_list;
  std::unique_ptr<CCheckResults> m_results;  // after the list: goes first
  CWatchApp& m_app;
  // Takes the command line's list changes while this session works on the folder.
  std::unique_ptr<CListRequestServer> m_requests;
};
