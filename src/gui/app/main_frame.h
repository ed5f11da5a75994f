// The main window: the results list under a row of four buttons, the menu bar, the tray
// icon and its menus. It lives for the whole run: the program ends when it ends. It is the
// hub to which the other windows and the worker threads (through the UI queue) send their
// requests.
//
// It owns the check session: the watch list with its check engine and dispatcher, the
// results logic that fills the results list, and the display hand-off. The watch list window, the site definition sheet, the
// environment settings, the link update dialog and the announcement check plug in through
// MainWindowParts; a command whose part is missing is disabled.
//
// Threads: UI thread only. Owns the results list, the tray icon and the check session; the
// application object and the queue outlive it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <wx/frame.h>

#include "core/fetch/fetch_request.h"
#include "core/session/check_session.h"
#include "core/watch/watch_item.h"
#include "core/watch/watch_list.h"
#include "gui/app/button_row.h"
#include "gui/app/main_messages.h"

class CMainDlg;
class CMailProgressHost;
class CWatchApp;
class CWxUiQueue;
class CRenewCheckWnd;
class CTrayIcon;
class wxButton;
class wxPanel;
class wxStaticBitmap;

// What the other windows give the main window. Each is called on the UI thread; an empty
// one leaves its commands disabled.
struct MainWindowParts {
  // Deferred initialisation, after the watch list has loaded: create the site definition
  // sheet and the watch list window (hidden; CMainDlg::WatchList() is its list).
  std::function<void(CMainDlg& mainWindow)> createWindows;
  // End of the window, after the watch list learnt that the program ends: destroy the
  // watch list window.
  std::function<void()> destroyWindows;
  // "ウォッチリスト": show the watch list window and bring it to the foreground.
  std::function<void()> showWatchList;
  // The watch list window refills (ID_REFRESH_LIST).
  std::function<void()> refreshWatchList;
  // The site definition sheet, run modally on `item`; `index` 0 for a new item, else the
  // list position plus 1. It stores the item with CMainDlg::StoreItem when closed with OK.
  std::function<void(const WatchItem& item, int index)> runSheet;
  // "環境設定": the environment settings dialog.
  std::function<void()> runEnvironment;
  // "フォルダ更新": the link update dialog, given the link folder; the folder it returns.
  std::function<std::string(const std::string& linkFolder)> runLinkUpdate;
  // Deferred initialisation, last: start the announcement check.
  std::function<void()> startAnnouncement;
};

class CChangeWindow;

class CMainDlg : public wxFrame, public IMainWindowMessages {
 public:
  // Initialises the window (writes "opened", caption, icons, button offsets, the stored
  // rectangle) and queues the deferred initialisation. Not shown yet.
  CMainDlg(CWatchApp& app, CWxUiQueue& queue, MainWindowParts parts = {});
  ~CMainDlg() override;

  // The state changes of the window and its tray icon.
  void GoToTray();
  void ShowFromTray();
  // The close box or Esc: store the layout; hide when in the tray, else end the window.
  void OnCancel();
  // "Pagewardenを終了": remove the tray icon, then end the window.
  void ExitProgram();
  bool InTray() const { return m_inTray; }
  // Minimising: into the tray when the desktop shows tray icons, else left minimised.
  void Minimise();

  // The program's own messages, sent to the main window by other windows and threads.
  void NewSiteFromRequest(const FetchRequest& request);  // WM_NEW_SITE_FROM_REQUEST
  // WM_STORE_ITEM: `index` 0 adds the item, else replaces the item at `index` − 1; an
  // item without URL is not stored.
  void StoreItem(int index, const WatchItem& item);
  void EditItem(int index) override;  // WM_EDIT_ITEM
  void DisplayPage(DisplayKind kind, const FetchRequest& request) override;  // WM_DISPLAY_PAGE
  void DisplayPage(DisplayKind kind, const std::string& text) override;
  void ShowChange(int position) override;
  // The change window of `item` (a copy: the window keeps what it read).
  CChangeWindow* OpenChangeWindow(const WatchItem& item);
  void AnnounceDone(const std::optional<std::string>& address);  // WM_ANNOUNCE_DONE
  // A request the helper left: at start-up (ID_TAKE_HELPER_REQUEST) or on its message.
  void TakeHelperRequest(bool fromMessage);

  // The layout and the link folder into the application object, then the settings archive.
  void SaveSettings();

  // Sends a command as the menus and buttons do (also for the other windows).
  void Command(int id);

  CRenewCheckWnd& Results() { return *m_results; }
  CWatchList& WatchList() { return m_session->List(); }
  CCheckSession& Session() { return *m_session; }
  wxButton* Button(int index) const { return m_buttons[index]; }
  CHLPCall& HandOff() { return m_session->HandOff(); }
  bool DeferredInitDone() const { return m_deferredInitDone; }
  // The file of the image check page.
  static std::string ImageTestPath();

 private:
  void CreateControls();
  void DeferredInit();
  void EndWindow();
  void RemoveTray();
  void StoreLayout();
  void LayoutControls();
  void RunCommand(int id);
  bool CommandAvailable(int id) const;
  void OpenSite(const WatchItem& item, int index);

  void OnMenu(wxCommandEvent& event);
  void OnUpdateUi(wxUpdateUIEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnIconize(wxIconizeEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnShow(wxShowEvent& event);

  CWatchApp& m_app;
  CWxUiQueue& m_queue;
  MainWindowParts m_parts;
  std::unique_ptr<CMailProgressHost> m_mailDialogs;  // the notification mail's windows
  std::unique_ptr<CCheckSession> m_session;  // made with the results list it fills
  wxPanel* m_panel = nullptr;
  wxStaticBitmap* m_icon = nullptr;
  std::vector<wxButton*> m_buttons;
  CRenewCheckWnd* m_results = nullptr;
  CTrayIcon* m_tray = nullptr;
  CButtonRow m_buttonRow{300};
  int m_designWidth = 0;  // the client width the window opens with, from its font
  bool m_inTray = false;
  bool m_hiddenInTray = false;  // hidden by going to the tray, until shown from it
  bool m_lastIconized = false;  // what the last minimise or restore event said
  bool m_ending = false;
  bool m_deferredInitDone = false;
};
