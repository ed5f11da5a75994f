#include "gui/check/results_list.h"

#include "gui/app/app_icon.h"
#include "gui/wx_text.h"

CRenewCheckWnd::CRenewCheckWnd(wxWindow* parent, wxWindowID id, const wxPoint& position,
                               const wxSize& size)
    : wxListCtrl(parent, id, position, size, wxLC_REPORT | wxBORDER_SUNKEN),
      m_images(16, 16, true, 3) {
  SetName(wxASCII_STR("List1"));
}

void CRenewCheckWnd::Attach(const std::array<int, 3>& columnWidths) {
  if (IsAttached()) return;
  for (int image = 0; image < 3; ++image) m_images.Add(MakeResultBitmap(image));
  SetImageList(&m_images, wxIMAGE_LIST_SMALL);
  // A report view always selects the whole row.
  const char* titles[] = {"時刻", "ページ", "結果"};
  for (int column = 0; column < 3; ++column) {
    InsertColumn(column, ToWx(titles[column]), wxLIST_FORMAT_LEFT, columnWidths[column]);
  }
  m_attachedWidths = columnWidths;
}

long CRenewCheckWnd::AddRow(const std::string& time, const std::string& page,
                            const std::string& result, int image, unsigned itemId) {
  long row = InsertItem(0, ToWx(time), image);
  SetItem(row, 1, ToWx(page));
  SetItem(row, 2, ToWx(result));
  SetItemData(row, static_cast<wxUIntPtr>(itemId));
  return row;
}

unsigned CRenewCheckWnd::RowItemId(long row) const {
  return static_cast<unsigned>(GetItemData(row));
}

std::string CRenewCheckWnd::RowText(long row, int column) const {
  return FromWx(GetItemText(row, column));
}

std::array<int, 3> CRenewCheckWnd::ColumnWidths() const {
  if (!IsAttached()) return m_attachedWidths;
  return {GetColumnWidth(0), GetColumnWidth(1), GetColumnWidth(2)};
}
