// The watch list as the desktop program's main window plugs it in: the list with its
// engine and dispatcher, the results logic feeding the main window's results list, and
// the watch list window. Fills the watch-list entries of MainWindowParts.
//
// Use (in the start of the main window):
//   CWatchListWindows watchList(app, queue, CWatchListWindows::EnvironmentOf(app));
//   MainWindowParts parts;
//   watchList.FillParts(parts, [&] { return mainWindow; });  // the CMainDlg* once made
//   mainWindow = new CMainDlg(app, queue, std::move(parts));
//
// Threads: UI thread only. The object must outlive the main window and every task posted
// to the queue (the list's destructor stops the engine and saves a changed list); the
// application object and the queue outlive it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <wx/weakref.h>

#include "core/check/check_results.h"
#include "core/check/renew.h"
#include "core/watch/watch_list.h"
#include "gui/ui/edit_box.h"

class CMainDlg;
class CRenewCheckWnd;
class CWatchApp;
struct MainWindowParts;
namespace platform {
class IUiQueue;
}

class CWatchListWindows {
 public:
  CWatchListWindows(CWatchApp& app, platform::IUiQueue& queue, CheckEnvironment environment);
  ~CWatchListWindows();
  CWatchListWindows(const CWatchListWindows&) = delete;
  CWatchListWindows& operator=(const CWatchListWindows&) = delete;

  // What a check needs from the application object: its prompter, settings and converter.
  static CheckEnvironment EnvironmentOf(CWatchApp& app);

  // startWatchList, endWatchList, showWatchList, copyItem, storeItem and listForward.
  // `mainWindow` gives the main window once it exists (the parts run only after that).
  void FillParts(MainWindowParts& parts, std::function<CMainDlg*()> mainWindow);

  CWatchList& List() { return m_list; }
  // The watch list window; null before the deferred initialisation and after the end.
  CEditBox* Box() { return m_box.get(); }

 private:
  // The results list, until the main window ends (a late report then draws nothing).
  class CViewRelay : public IResultView {
   public:
    void AddResultRow(const ResultRow& row) override;
    void RefreshItem(int position) override;
    IResultView* m_results = nullptr;
    std::function<void(int)> m_refresh;
  };

  void Start(CMainDlg& main, CRenewCheckWnd& results);
  void End();

  CWatchApp& m_app;
  platform::IUiQueue& m_queue;
  CViewRelay m_relay;
  CWatchList m_list;
  CCheckResults m_results{m_list, m_relay};
  wxWeakRef<CEditBox> m_box;
};
