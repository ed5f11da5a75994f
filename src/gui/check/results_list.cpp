#include "gui/check/results_list.h"

#include <cctype>
#include <wx/menu.h>
#include <wx/msgdlg.h>

#include "core/watch/watch_list.h"
#include "gui/app/app_icon.h"
#include "gui/list_body.h"
#include "gui/wx_text.h"

namespace {

constexpr const char* kNotDownloading = "ダウンロードする設定になっていません。";

}  // namespace

CRenewCheckWnd::CRenewCheckWnd(wxWindow* parent, wxWindowID id, const wxPoint& position,
                               const wxSize& size)
    : wxListCtrl(parent, id, position, size, wxLC_REPORT | wxBORDER_SUNKEN),
      m_images(16, 16, true, 3) {
  SetName(wxASCII_STR("List1"));
  Bind(wxEVT_MENU, &CRenewCheckWnd::OnMenu, this);
  Bind(wxEVT_LIST_ITEM_ACTIVATED, &CRenewCheckWnd::OnActivated, this);
  // The rows are drawn in a child window, which gets the mouse.
  ListBody(this)->Bind(wxEVT_RIGHT_DOWN, &CRenewCheckWnd::OnRightDown, this);
}

CRenewCheckWnd::CRenewCheckWnd(wxWindow* parent, CWatchList& list,
                               const std::array<int, 3>& columnWidths,
                               ResultListCallbacks callbacks)
    : CRenewCheckWnd(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize) {
  Attach(columnWidths);
  Connect(list, std::move(callbacks));
}

void CRenewCheckWnd::Connect(CWatchList& list, ResultListCallbacks callbacks) {
  m_watchList = &list;
  m_callbacks = std::move(callbacks);
}

void CRenewCheckWnd::AddResultRow(const ResultRow& row) {
  AddRow(row.m_time, row.m_page, row.m_text, row.m_image, row.m_itemId);
}

void CRenewCheckWnd::RefreshItem(int position) {
  if (m_callbacks.refreshItem) m_callbacks.refreshItem(position);
}

int CRenewCheckWnd::ItemPosition(long row) const {
  if (!m_watchList || row < 0 || row >= GetItemCount()) return -1;
  // Only result rows: their first column is a time; other rows may share the control.
  std::string time = RowText(row, 0);
  if (time.empty() || !std::isdigit(static_cast<unsigned char>(time[0]))) return -1;
  return m_watchList->FindById(RowItemId(row));
}

std::unique_ptr<wxMenu> CRenewCheckWnd::MakeContextMenu() {
  auto menu = std::make_unique<wxMenu>();
  menu->Append(ID_RESULT_SHOW_SITE, ToWx("サイトを表示"));
  menu->Append(ID_RESULT_EDIT_SITE, ToWx("サイト定義の編集"));
  menu->AppendSeparator();
  menu->Append(ID_RESULT_SHOW_FILE, ToWx("ダウンロードした最新ファイルを表示"));
  menu->Append(ID_RESULT_CHECK_IMAGE, ToWx("ダウンロードした最新画像のチェック"));
  return menu;
}

void CRenewCheckWnd::RunCommand(int id) {
  long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
  int position = ItemPosition(row);
  if (position < 0) return;
  switch (id) {
    case ID_RESULT_SHOW_SITE:
      if (m_callbacks.listForward) m_callbacks.listForward(position);
      // The forward may have changed the item (its mark), never the list's order.
      if (m_callbacks.displayPage) m_callbacks.displayPage(m_watchList->GetItem(position));
      break;
    case ID_RESULT_EDIT_SITE:
      if (m_callbacks.editItem) m_callbacks.editItem(position + 1);
      break;
    case ID_RESULT_SHOW_FILE:
      ShowFile(1, position);
      break;
    case ID_RESULT_CHECK_IMAGE:
      ShowFile(2, position);
      break;
    default:
      break;
  }
}

void CRenewCheckWnd::ShowFile(int kind, int position) {
  std::string path = m_watchList->GetItem(position).m_savePath;
  if (!path.empty()) {
    if (m_callbacks.displayFile) m_callbacks.displayFile(kind, path);
    return;
  }
  if (m_callbacks.showMessage) {
    m_callbacks.showMessage(kNotDownloading);
  } else {
    wxMessageBox(ToWx(kNotDownloading), ToWx("Pagewarden"), wxOK | wxICON_INFORMATION, this);
  }
}

void CRenewCheckWnd::OnMenu(wxCommandEvent& event) { RunCommand(event.GetId()); }

void CRenewCheckWnd::OnActivated(wxListEvent& event) {
  (void)event;
  RunCommand(ID_RESULT_SHOW_SITE);
}

void CRenewCheckWnd::OnRightDown(wxMouseEvent& event) {
  // The control selects the row under the click first.
  event.Skip();
  wxPoint at = ScreenToClient(ListBody(this)->ClientToScreen(event.GetPosition()));
  CallAfter([this, at] {
    std::unique_ptr<wxMenu> menu = MakeContextMenu();
    PopupMenu(menu.get(), at);
  });
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
