// The main window: the results list under a row of four buttons, the menu bar, the tray
// icon and its menus. It lives for the whole run: the program ends when it ends. It is the
// hub to which the other windows and the worker threads (through the UI queue) send their
// requests.
//
// The watch list with its dispatcher, the watch list window, the site definition sheet,
// the environment settings, the link update dialog and the announcement check plug in
// through MainWindowParts; a command whose part is missing is disabled.
//
// Threads: UI thread only. Owns the results list, the tray icon and the display hand-off;
// the application object and the queue outlive it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <wx/frame.h>

#include "core/companion/hlp_call.h"
#include "core/fetch/fetch_request.h"
#include "core/watch/watch_item.h"
#include "gui/app/button_row.h"

class CWatchApp;
class CWxUiQueue;
class CRenewCheckWnd;
class CTrayIcon;
class wxButton;
class wxPanel;
class wxStaticBitmap;

// What the later windows and the watch list give the main window. Each is called on the
// UI thread; an empty one leaves its commands disabled.
struct MainWindowParts {
  // Deferred initialisation, steps 3 to 6: load the watch list with the results list as
  // its notification target, create the site definition sheet and the (hidden) watch list
  // window, start the dispatcher.
  std::function<void(CRenewCheckWnd& results)> startWatchList;
  // End of the window: the watch list learns that the program is ending, the watch list
  // window is destroyed.
  std::function<void()> endWatchList;
  // "ウォッチリスト": show the watch list window and bring it to the foreground.
  std::function<void()> showWatchList;
  // The site definition sheet, run modally on `item`; `index` 0 for a new item, else the
  // list position plus 1.
  std::function<void(const WatchItem& item, int index)> runSheet;
  // The copy of the item at list position `index` − 1 (WM_EDIT_ITEM); nullopt when none.
  std::function<std::optional<WatchItem>(int index)> copyItem;
  // WM_STORE_ITEM: `index` 0 adds the item, else replaces the item at `index` − 1; then the
  // watch list window refills.
  std::function<void(int index, const WatchItem& item)> storeItem;
  // WM_LIST_FORWARD: on to the watch list window (acknowledge the item at `position`).
  std::function<void(int position)> listForward;
  // "環境設定": the environment settings dialog.
  std::function<void()> runEnvironment;
  // "フォルダ更新": the link update dialog, given the link folder; the folder it returns.
  std::function<std::string(const std::string& linkFolder)> runLinkUpdate;
  // Deferred initialisation, step 8: start the announcement check.
  std::function<void()> startAnnouncement;
};

class CMainDlg : public wxFrame {
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
  void StoreItem(int index, const WatchItem& item);      // WM_STORE_ITEM
  void EditItem(int index);                              // WM_EDIT_ITEM
  enum class DisplayKind { Request = 0, Address = 1, Image = 2 };
  void DisplayPage(DisplayKind kind, const FetchRequest& request);  // WM_DISPLAY_PAGE
  void DisplayPage(DisplayKind kind, const std::string& text);
  void ListForward(int position);                             // WM_LIST_FORWARD
  void AnnounceDone(const std::optional<std::string>& address);  // WM_ANNOUNCE_DONE
  // A request the helper left: at start-up (ID_TAKE_HELPER_REQUEST) or on its message.
  void TakeHelperRequest(bool fromMessage);

  // The layout and the link folder into the application object, then the settings archive.
  void SaveSettings();

  // Sends a command as the menus and buttons do (also for the other windows).
  void Command(int id);

  CRenewCheckWnd& Results() { return *m_results; }
  wxButton* Button(int index) const { return m_buttons[index]; }
  CHLPCall& HandOff() { return m_handOff; }
  bool DeferredInitDone() const { return m_deferredInitDone; }
  // The file of the image check page.
  static std::string ImageTestPath();

 private:
  void CreateControls();
  void DeferredInit();
  void EndWindow();
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
  CHLPCall m_handOff;
  wxPanel* m_panel = nullptr;
  wxStaticBitmap* m_icon = nullptr;
  std::vector<wxButton*> m_buttons;
  CRenewCheckWnd* m_results = nullptr;
  CTrayIcon* m_tray = nullptr;
  CButtonRow m_buttonRow{300};
  bool m_inTray = false;
  bool m_hiddenInTray = false;  // hidden by going to the tray, until shown from it
  bool m_ending = false;
  bool m_deferredInitDone = false;
};
