// The results list of the main window: one row per finished check, newest on top, with
// the columns "時刻", "ページ" and "結果" and the result's icon. The rows come from the
// results logic of the check cycle; this control only draws them.
//
// Threads: UI thread only.
#pragma once

#include <array>
#include <string>
#include <wx/imaglist.h>
#include <wx/listctrl.h>

class CRenewCheckWnd : public wxListCtrl {
 public:
  CRenewCheckWnd(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size);

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
  wxImageList m_images;
  std::array<int, 3> m_attachedWidths = {70, 240, 140};
};
