// The watch list window "ウォッチリスト": every watch item in list order with its update
// mark, name, last update, last check, schedule and address, and a check box for taking
// part in scheduled checks; commands to edit, delete, show and check items and to clear
// update marks. The main window creates it hidden and shows it on its "ウォッチリスト"
// command; closing it only hides it. Its column widths and position persist in the
// settings archive (WatchListWindowLayout).
//
// It is a frame rather than a dialog because it has a menu bar; it belongs to the main
// window (its parent) and never ends the program.
//
// Threads: UI thread only. The watch list, the settings and the layout are owned by the
// caller and outlive the window. The callbacks are called on the UI thread; an empty one
// does nothing.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <wx/frame.h>
#include <wx/imaglist.h>

#include "core/common/app_settings.h"
#include "core/app/window_layout.h"
#include "core/ui/watch_list_filter.h"
#include "core/watch/watch_item.h"
#include "gui/ui/watch_list_model.h"

class CWatchList;
class CButtonRow;
class wxButton;
class wxListCtrl;
class wxListEvent;
class wxMenu;
class wxPanel;
class wxTextCtrl;

// What the watch list window asks of the main window.
struct EditBoxCallbacks {
  // WM_EDIT_ITEM: the site definition sheet on a copy of the item; `index` is its list
  // position plus 1.
  std::function<void(int index)> editItem;
  // WM_DISPLAY_PAGE kind 0: show the item's page.
  std::function<void(const WatchItem& item)> displayPage;
  // "変更点を表示": the change window of the item.
  std::function<void(const WatchItem& item)> showChange;
  // ID_SAVE_SETTINGS: write the settings archive (the column widths changed).
  std::function<void()> saveSettings;
  // One of the main window's own commands (gui/app/main_commands.h): new site, the
  // environment settings, exit and the help entries.
  std::function<void(int id)> mainCommand;
};

class CEditBox : public wxFrame {
 public:
  // Creates the window hidden, filled from the list, at the stored position.
  CEditBox(wxWindow* parent, CWatchList& list, const AppSettings& settings,
           WatchListWindowLayout& layout, EditBoxCallbacks callbacks = {});
  ~CEditBox() override;
  // Stops the list's item news before the window goes.
  bool Destroy() override;

  // The main window's "ウォッチリスト": show and bring to the foreground.
  void ShowWindow();
  // ID_REFRESH_LIST: all rows anew.
  void Refill();
  // Closing (the close box, Esc, "ウォッチリストを閉じる"): the reset rule, the position and
  // the column widths kept, then hidden.
  void OnCancel();

  // The window's own command numbers (menu bar, context menu, buttons).
  enum Command : int {
    ID_EB_NEW_SITE = wxID_HIGHEST + 300,
    ID_EB_ENVIRONMENT,
    ID_EB_CLOSE,
    ID_EB_DELETE,
    ID_EB_EDIT,
    ID_EB_SHOW_SITE,
    ID_EB_ACKNOWLEDGE,
    ID_EB_SET_MARK,
    ID_EB_CHECK_NOW,
    ID_EB_CHECK_ALL,
    ID_EB_CLEAR_MARKS,
    ID_EB_SHOW_UPDATED,
    ID_EB_SYNC_CHECKS,  // the list's own command after a click: the check boxes
    ID_EB_SHOW_CHANGE,
  };
  // Runs a command as the menus and buttons do.
  void RunCommand(int id);

  // The parts, for the program and for tests.
  wxListCtrl* List() const { return m_list; }
  // The filter box above the list: typing keeps the rows whose tags, name or URL hold
  // every word typed.
  wxTextCtrl* FilterBox() const { return m_filterBox; }
  wxButton* Button(int index) const { return m_buttons[index]; }  // left to right
  // The context menu as it would open now (the caller owns it).
  std::unique_ptr<wxMenu> MakeContextMenu() const;
  CWatchListModel& Model() { return m_model; }
  // The list position of the first selected row, -1 when none.
  int FirstSelectedPosition() const;
  // The widths of the five columns as the control has them.
  std::array<int, 5> ColumnWidths() const;

 private:
  void CreateControls();
  void CreateMenuBar();
  void WriteRow(long row, const WatchListRow& data, bool force = false);
  // The model's rows that the filter box keeps.
  std::vector<WatchListRow> ShownRows();
  long RowOfId(unsigned id) const;
  unsigned FirstSelectedId() const;
  std::vector<long> SelectedRows() const;
  // Rewrites every row in place, or refills when the rows no longer match the list.
  void CatchUp();
  // CatchUp when the list changed beyond the checked item or the window's changes wait.
  void CatchUpAfterCheck();
  // The list tells that the item changed (a check's result, a mark cleared): its row
  // anew. The list may make queued changes right after; the window catches up afterwards.
  void ItemChanged(unsigned id);
  void ShowSite(unsigned id);
  void EditFirstSelected();
  void DeleteSelected();
  void ClearAllMarks();
  void ShowFirstUpdated();
  void SyncCheckBoxes();
  void LayoutControls();

  void OnMenu(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnListClick(wxMouseEvent& event);
  void OnItemChecked(wxListEvent& event);
  void OnItemActivated(wxListEvent& event);
  void OnListRightDown(wxMouseEvent& event);

  CWatchList& m_watchList;
  const AppSettings& m_settings;
  WatchListWindowLayout& m_layout;
  EditBoxCallbacks m_callbacks;
  CWatchListModel m_model;
  wxImageList m_images;
  wxPanel* m_panel = nullptr;
  wxListCtrl* m_list = nullptr;
  wxTextCtrl* m_filterBox = nullptr;
  CWatchListFilter m_filter;
  std::vector<wxButton*> m_buttons;
  std::vector<WatchListRow> m_shown;  // what each row shows now
  unsigned long m_shownGeneration = 0;  // the list's generation the rows were compared with
  std::unique_ptr<CButtonRow> m_buttonRow;
  int m_designWidth = 0;  // the client width the window opens with, from its font
  bool m_filling = false;  // rows are being written: check-box events are ours
};
