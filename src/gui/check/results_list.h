// The results list of the main window: one row per finished check, newest on top, with
// the columns "時刻", "ページ" and "結果" and the result's icon. The rows come from the
// results logic of the check cycle (CCheckResults, which this control serves as its
// view); its context menu and double-click open the page, the site definition or the last
// download of a row's item. A row refers to its item by the item's identity, so a command
// reaches the right item after the list changed, and nothing once the item is gone.
//
// Threads: UI thread only. The watch list given to Connect is owned by the caller and
// outlives the control; the callbacks are called on the UI thread, an empty one does
// nothing (an empty showMessage shows a plain message box).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <wx/imaglist.h>
#include <wx/listctrl.h>

#include "core/check/check_results.h"
#include "core/watch/watch_item.h"

class CWatchList;
class wxMenu;

// What the results list asks of the main window.
struct ResultListCallbacks {
  // WM_LIST_FORWARD: the watch list window acknowledges the item at `position`.
  std::function<void(int position)> listForward;
  // WM_DISPLAY_PAGE kind 0: show the item's page.
  std::function<void(const WatchItem& item)> displayPage;
  // WM_DISPLAY_PAGE kind 1 (`kind` 1, the file at `path`) or kind 2 (the image check page).
  std::function<void(int kind, const std::string& path)> displayFile;
  // WM_EDIT_ITEM: the site definition sheet; `index` is the list position plus 1.
  std::function<void(int index)> editItem;
  // The item at `position` changed: its row in the watch list window anew.
  std::function<void(int position)> refreshItem;
  // A message box with an OK button.
  std::function<void(const std::string& text)> showMessage;
};

class CRenewCheckWnd : public wxListCtrl, public IResultView {
 public:
  CRenewCheckWnd(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size);
  // A results list that is attached and connected at once.
  CRenewCheckWnd(wxWindow* parent, CWatchList& list, const std::array<int, 3>& columnWidths,
                 ResultListCallbacks callbacks);

  // The watch list whose items the rows name, and the main window's side of the commands.
  // Until then the context menu and double-click do nothing.
  void Connect(CWatchList& list, ResultListCallbacks callbacks);

  // IResultView, from the results logic.
  void AddResultRow(const ResultRow& row) override;
  void RefreshItem(int position) override;

  // The context menu's entries, also reached by double-click ("サイトを表示").
  enum Command : int {
    ID_RESULT_SHOW_SITE = wxID_HIGHEST + 400,
    ID_RESULT_EDIT_SITE,
    ID_RESULT_SHOW_FILE,
    ID_RESULT_CHECK_IMAGE,
  };
  // Runs a command on the first selected row.
  void RunCommand(int id);
  // The list position of a row's item; -1 for a row that is not a result row, carries no
  // item, or whose item has left the list.
  int ItemPosition(long row) const;
  // The context menu (the caller owns it).
  static std::unique_ptr<wxMenu> MakeContextMenu();

  // The result icons, full-row selection and the three columns with `columnWidths`.
  void Attach(const std::array<int, 3>& columnWidths);
  bool IsAttached() const { return GetColumnCount() == 3; }

  enum Image { kNotUpdated = 0, kUpdated = 1, kError = 2 };
  // Inserts a row on top (CP932 texts); `itemId` is the identity of the row's watch item in
  // the list, 0 for a row that carries none. The new row's position (0).
  long AddRow(const std::string& time, const std::string& page, const std::string& result,
              int image, unsigned itemId);
  // The watch item identity of a row; 0 for none.
  unsigned RowItemId(long row) const;
  // A row's text in one column (CP932).
  std::string RowText(long row, int column) const;

  // The widths of the three columns as they are now (the defaults before Attach).
  std::array<int, 3> ColumnWidths() const;

 private:
  void OnMenu(wxCommandEvent& event);
  void OnRightDown(wxMouseEvent& event);
  void OnActivated(wxListEvent& event);
  void ShowFile(int kind, int position);

  CWatchList* m_watchList = nullptr;
  ResultListCallbacks m_callbacks;
  wxImageList m_images;
  std::array<int, 3> m_attachedWidths = {70, 240, 140};
};
