// The results list of the main window: one row per finished check, newest on top, with
// the columns "時刻", "ページ" and "結果" and the result's icon. The results logic of the
// check cycle (CCheckResults) hands it the rows. Its context menu and double click open
// the page, the site definition or the last download of a row's item.
//
// Threads: UI thread only. The watch list and the main window outlive the control.
#pragma once

#include <array>
#include <string>
#include <wx/imaglist.h>
#include <wx/listctrl.h>

#include "core/check/check_results.h"
#include "gui/app/main_messages.h"

class CWatchList;

class CRenewCheckWnd : public wxListCtrl, public IResultView {
 public:
  CRenewCheckWnd(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size);

  // The watch list the rows' items live in (may be null: the menu then does nothing), the
  // window the row commands go to, the result icons and the three columns.
  void Attach(CWatchList* watchList, IMainWindowMessages* mainWindow,
              const std::array<int, 3>& columnWidths);
  bool IsAttached() const { return GetColumnCount() == 3; }

  // IResultView: a row on top.
  void AddResultRow(const ResultRow& row) override;

  enum Image { kNotUpdated = 0, kUpdated = 1, kError = 2 };
  // Inserts a row on top (CP932 texts); `itemId` is the identity of the row's watch item in
  // the list (CWatchList::FindById), 0 for a row that carries none.
  long AddRow(const std::string& time, const std::string& page, const std::string& result,
              int image, unsigned itemId);
  unsigned RowItemId(long row) const;
  std::string RowText(long row, int column) const;
  std::array<int, 3> ColumnWidths() const;

  // The context menu's commands on the first selected row.
  enum class RowCommand { ShowSite, EditSite, ShowLatestFile, CheckLatestImage, ShowChange };
  void RunRowCommand(RowCommand command);
  // "変更点を表示" is offered: the first selected row's item has a previous version kept.
  bool SelectedHasPreviousVersion() const;

 private:
  // The list position of the first selected row's item; -1 when there is none, the row is
  // not a result row, or its item is no longer in the list.
  int SelectedItemPosition() const;
  void OnRightDown(wxMouseEvent& event);
  void OnActivated(wxListEvent& event);

  CWatchList* m_watchList = nullptr;
  IMainWindowMessages* m_mainWindow = nullptr;
  wxImageList m_images;
  std::array<int, 3> m_attachedWidths = {70, 240, 140};
};
