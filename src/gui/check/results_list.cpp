#include "gui/check/results_list.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <wx/msgdlg.h>
#include <wx/menu.h>

#include "core/app/window_layout.h"
#include "core/watch/page_history.h"
#include "core/watch/watch_list.h"
#include "gui/app/app_icon.h"
#include "gui/window_utils.h"
#include "gui/wx_prompter.h"
#include "gui/wx_text.h"

namespace {

constexpr const char* kNoDownload = "ダウンロードする設定になっていません。";

enum MenuId {
  ID_ROW_SHOW_SITE = wxID_HIGHEST + 400,
  ID_ROW_EDIT_SITE,
  ID_ROW_LATEST_FILE,
  ID_ROW_LATEST_IMAGE,
  ID_ROW_SHOW_CHANGE,
};

}  // namespace

CRenewCheckWnd::CRenewCheckWnd(wxWindow* parent, wxWindowID id, const wxPoint& position,
                               const wxSize& size)
    : wxListCtrl(parent, id, position, size, wxLC_REPORT | wxBORDER_SUNKEN),
      m_images(16, 16, true, 3) {
  SetName(wxASCII_STR("List1"));
  Bind(wxEVT_RIGHT_DOWN, &CRenewCheckWnd::OnRightDown, this);
  Bind(wxEVT_LIST_ITEM_ACTIVATED, &CRenewCheckWnd::OnActivated, this);
}

void CRenewCheckWnd::Attach(CWatchList* watchList, IMainWindowMessages* mainWindow,
                            const std::array<int, 3>& columnWidths) {
  m_watchList = watchList;
  m_mainWindow = mainWindow;
  if (IsAttached()) return;
  for (int image = 0; image < 3; ++image) m_images.Add(MakeResultBitmap(image));
  SetImageList(&m_images, wxIMAGE_LIST_SMALL);
  // A report view always selects the whole row.
  const char* titles[] = {"時刻", "ページ", "結果"};
  // The longest usual text of each column, for the widths in this desktop's font.
  const char* samples[] = {"00:00", "ページ", "エラー(status=404)"};
  const MainWindowLayout builtIn;
  for (int column = 0; column < 3; ++column) {
    int width = ColumnWidthFor(this, columnWidths[column], builtIn.m_columnWidths[column],
                               titles[column], samples[column]);
    InsertColumn(column, ToWx(titles[column]), wxLIST_FORMAT_LEFT, width);
    m_attachedWidths[column] = width;
  }
}

void CRenewCheckWnd::AddResultRow(const ResultRow& row) {
  AddRow(row.m_time, row.m_page, row.m_text, row.m_image, row.m_itemId);
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

int CRenewCheckWnd::SelectedItemPosition() const {
  long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
  if (row < 0 || !m_watchList) return -1;
  // Only result rows begin with the time; other rows carry no item.
  std::string time = RowText(row, 0);
  if (time.empty() || !std::isdigit(static_cast<unsigned char>(time[0]))) return -1;
  unsigned id = RowItemId(row);
  return id == 0 ? -1 : m_watchList->FindById(id);
}

void CRenewCheckWnd::RunRowCommand(RowCommand command) {
  int position = SelectedItemPosition();
  if (position < 0 || !m_mainWindow) return;
  WatchItem item = m_watchList->GetItem(position);
  using Kind = IMainWindowMessages::DisplayKind;
  switch (command) {
    case RowCommand::ShowSite:
      m_watchList->Acknowledge(position);  // the watch list window hears it from the list
      m_mainWindow->DisplayPage(Kind::Request, static_cast<const FetchRequest&>(item));
      break;
    case RowCommand::EditSite:
      m_mainWindow->EditItem(position + 1);
      break;
    case RowCommand::ShowChange:
      m_mainWindow->ShowChange(position);
      break;
    case RowCommand::ShowLatestFile:
    case RowCommand::CheckLatestImage:
      if (item.m_savePath.empty()) {
        std::unique_ptr<wxMessageDialog> box(CWxPrompter::MakeMessageDialog(
            GetParent(), kNoDownload, IPrompter::Buttons::Ok, IPrompter::Icon::Warning, {}));
        box->ShowModal();
        return;
      }
      m_mainWindow->DisplayPage(
          command == RowCommand::ShowLatestFile ? Kind::Address : Kind::Image, item.m_savePath);
      break;
  }
}

bool CRenewCheckWnd::SelectedHasPreviousVersion() const {
  int position = SelectedItemPosition();
  return position >= 0 && !PreviousVersionPath(m_watchList->GetItem(position)).empty();
}

void CRenewCheckWnd::OnRightDown(wxMouseEvent& event) {
  // The control selects the row under the pointer first.
  int flags = 0;
  long row = HitTest(event.GetPosition(), flags);
  if (row >= 0) {
    SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                 wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
  }
  wxMenu menu;
  menu.Append(ID_ROW_SHOW_SITE, ToWx("サイトを表示"));
  menu.Append(ID_ROW_EDIT_SITE, ToWx("サイト定義の編集"));
  menu.AppendSeparator();
  menu.Append(ID_ROW_LATEST_FILE, ToWx("ダウンロードした最新ファイルを表示"));
  menu.Append(ID_ROW_LATEST_IMAGE, ToWx("ダウンロードした最新画像のチェック"));
  menu.AppendSeparator();
  menu.Append(ID_ROW_SHOW_CHANGE, ToWx("変更点を表示"));
  menu.Enable(ID_ROW_SHOW_CHANGE, SelectedHasPreviousVersion());
  int chosen = GetPopupMenuSelectionFromUser(menu, event.GetPosition());
  switch (chosen) {
    case ID_ROW_SHOW_SITE:
      RunRowCommand(RowCommand::ShowSite);
      break;
    case ID_ROW_EDIT_SITE:
      RunRowCommand(RowCommand::EditSite);
      break;
    case ID_ROW_LATEST_FILE:
      RunRowCommand(RowCommand::ShowLatestFile);
      break;
    case ID_ROW_LATEST_IMAGE:
      RunRowCommand(RowCommand::CheckLatestImage);
      break;
    case ID_ROW_SHOW_CHANGE:
      RunRowCommand(RowCommand::ShowChange);
      break;
    default:
      break;
  }
}

void CRenewCheckWnd::OnActivated(wxListEvent&) { RunRowCommand(RowCommand::ShowSite); }
