#include "gui/ui/edit_box.h"

#include <algorithm>
#include <unordered_map>
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

#include "core/watch/page_history.h"
#include "core/watch/watch_list.h"
#include "gui/app/app_icon.h"
#include "gui/button_bar.h"
#include "gui/app/main_commands.h"
#include "gui/window_utils.h"
#include "gui/wx_text.h"

namespace {

constexpr int kDesignWidth = 700;
constexpr int kDesignHeight = 360;
constexpr int kMargin = 8;
// Below this client width the buttons stay where they are.
constexpr int kButtonMinimumWidth = 480;

constexpr const char* kColumnTitles[5] = {"サイト名", "最終更新日時", "最終チェック日時",
                                           "スケジュール", "リンク先ＵＲＬ"};

// The three buttons, left to right.
constexpr ButtonSpec kButtons[] = {
    {CEditBox::ID_EB_CHECK_ALL, "全てのアイテムを直ちにチェック"},
    {CEditBox::ID_EB_SHOW_UPDATED, "更新されたページを表示"},
    {CEditBox::ID_EB_CLEAR_MARKS, "全ての更新マークを消す"},
};

void Add(wxMenu* menu, int id, const char* label) { menu->Append(id, ToWx(label)); }

}  // namespace

CEditBox::CEditBox(wxWindow* parent, CWatchList& list, const AppSettings& settings,
                   WatchListWindowLayout& layout, EditBoxCallbacks callbacks)
    : wxFrame(parent, wxID_ANY, ToWx("ウォッチリスト")),
      m_watchList(list),
      m_settings(settings),
      m_layout(layout),
      m_callbacks(std::move(callbacks)),
      m_model(list, &settings.m_errorAlertAfter),
      m_images(16, 16, true, 3),
      m_buttonRow(std::make_unique<CButtonRow>(kButtonMinimumWidth)) {
  SetIcons(MakeAppIcons());
  CreateMenuBar();
  CreateControls();
  SetClientSize(m_designWidth, FontScaled(this, kDesignHeight));
  SetMinClientSize(wxSize(200, 120));

  Bind(wxEVT_MENU, &CEditBox::OnMenu, this);
  Bind(wxEVT_BUTTON, &CEditBox::OnMenu, this);
  Bind(wxEVT_CLOSE_WINDOW, &CEditBox::OnClose, this);
  Bind(wxEVT_CHAR_HOOK, &CEditBox::OnCharHook, this);
  m_panel->Bind(wxEVT_SIZE, &CEditBox::OnSize, this);

  Refill();
  m_watchList.SetItemListener([this](unsigned id) { ItemChanged(id); });
}

CEditBox::~CEditBox() = default;

bool CEditBox::Destroy() {
  // The list may outlive the window; a window deleted with its parent outlives the list.
  m_watchList.SetItemListener({});
  return wxFrame::Destroy();
}

void CEditBox::CreateMenuBar() {
  auto* operation = new wxMenu();
  Add(operation, ID_EB_NEW_SITE, "新規サイト(&N)");
  Add(operation, ID_EB_ENVIRONMENT, "環境設定(&S)");
  Add(operation, ID_EB_CLOSE, "ウォッチリストを閉じる");
  operation->AppendSeparator();
  Add(operation, ID_EXIT_PROGRAM, "Pagewardenを終了(&X)");

  auto* selected = new wxMenu();
  Add(selected, ID_EB_DELETE, "削除(&D)");
  Add(selected, ID_EB_EDIT, "編集(&E)");
  Add(selected, ID_EB_SHOW_SITE, "サイトを表示");
  Add(selected, ID_EB_ACKNOWLEDGE, "更新マークを消す");
  Add(selected, ID_EB_SET_MARK, "更新マークをつける");
  Add(selected, ID_EB_CHECK_NOW, "直ちにチェック");

  auto* help = new wxMenu();
  Add(help, ID_HELP_CONTENTS, "Pagewardenのヘルプ(&H)");
  Add(help, ID_HELP_TROUBLE, "あれっ？と思ったら・・・");
  Add(help, ID_HELP_QA, "更新チェックＱ＆Ａ(&Q)");
  Add(help, ID_ABOUT, "Pagewardenについて(&A)...");

  auto* bar = new wxMenuBar();
  bar->Append(operation, ToWx("操作(&O)"));
  bar->Append(selected, ToWx("選択されたアイテム(&S)"));
  bar->Append(help, ToWx("ﾍﾙﾌﾟ(&H)"));
  SetMenuBar(bar);
}

void CEditBox::CreateControls() {
  // The design size in this desktop's font; wider still when the buttons need it.
  m_designWidth = FontScaled(this, kDesignWidth);
  int designHeight = FontScaled(this, kDesignHeight);
  m_panel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxSize(m_designWidth, designHeight));
  int bottom = CreateButtonBar(m_panel, kButtons, std::size(kButtons), m_designWidth, 0, kMargin,
                               0, m_buttons, *m_buttonRow);

  m_filterBox = new wxTextCtrl(m_panel, wxID_ANY, wxString(), wxPoint(0, bottom + 6),
                               wxSize(m_designWidth, -1));
  m_filterBox->SetHint(ToWx("タグ, 名前, URL で絞り込む"));
  m_filterBox->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
    if (m_filter.SetText(FromWx(m_filterBox->GetValue()))) Refill();
  });
  int top = m_filterBox->GetRect().GetBottom() + 6;
  m_list = new wxListCtrl(m_panel, wxID_ANY, wxPoint(0, top),
                          wxSize(m_designWidth, std::max(designHeight - top, 40)),
                          wxLC_REPORT | wxBORDER_SUNKEN);
  m_list->EnableCheckBoxes(true);
  for (int image = 0; image < 3; ++image) m_images.Add(MakeResultBitmap(image));
  m_list->SetImageList(&m_images, wxIMAGE_LIST_SMALL);
  // The longest usual text of each column, for the widths in this desktop's font.
  const char* samples[5] = {"", "26/12/31 23:59:59", "26/12/31 23:59:59",
                            "毎週[月水金]23:59:59", ""};
  const WatchListWindowLayout builtIn;
  for (int column = 0; column < 5; ++column) {
    int stored = m_layout.m_columnWidths[column];
    int width = ColumnWidthFor(m_list, stored, builtIn.m_columnWidths[column],
                               kColumnTitles[column], samples[column]);
    m_list->InsertColumn(column, ToWx(kColumnTitles[column]), wxLIST_FORMAT_LEFT, width);
    // What the window opened with is what closing compares with.
    m_layout.m_columnWidths[column] = width;
  }
  int tagWidth = ColumnWidthFor(m_list, m_layout.m_tagColumnWidth, builtIn.m_tagColumnWidth, "タグ", "");
  m_list->InsertColumn(5, ToWx("タグ"), wxLIST_FORMAT_LEFT, tagWidth);
  m_layout.m_tagColumnWidth = tagWidth;
  m_list->Bind(wxEVT_LEFT_UP, &CEditBox::OnListClick, this);
  m_list->Bind(wxEVT_LIST_ITEM_CHECKED, &CEditBox::OnItemChecked, this);
  m_list->Bind(wxEVT_LIST_ITEM_UNCHECKED, &CEditBox::OnItemChecked, this);
  m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED, &CEditBox::OnItemActivated, this);
  m_list->Bind(wxEVT_RIGHT_DOWN, &CEditBox::OnListRightDown, this);
}

void CEditBox::OnSize(wxSizeEvent& event) {
  event.Skip();
  LayoutControls();
}

void CEditBox::LayoutControls() {
  if (!m_list) return;
  m_filterBox->SetSize(m_panel->GetClientSize().GetWidth(), -1);
  LayoutButtonBar(m_panel, m_list, m_buttons, *m_buttonRow);
}

void CEditBox::ShowWindow() {
  Show();
  BringToForeground(this);
}

// --- rows ---------------------------------------------------------------------------

void CEditBox::WriteRow(long row, const WatchListRow& data, bool force) {
  if (row < 0 || row >= static_cast<long>(m_shown.size())) return;
  bool boxRight = m_list->IsItemChecked(row) == data.m_checked;
  // A check of every item refreshes after each check: unchanged rows are left alone.
  if (!force && boxRight && m_shown[row] == data) return;
  m_shown[row] = data;
  m_list->SetItem(row, 0, ToWx(data.m_texts[0]), data.m_image);
  for (int column = 1; column < 6; ++column) m_list->SetItem(row, column, ToWx(data.m_texts[column]));
  m_list->SetItemData(row, static_cast<wxUIntPtr>(data.m_itemId));
  if (m_list->IsItemChecked(row) != data.m_checked) m_list->CheckItem(row, data.m_checked);
}

std::vector<WatchListRow> CEditBox::ShownRows() {
  std::vector<WatchListRow> rows = m_model.Rows();
  if (m_filter.IsEmpty()) return rows;
  std::erase_if(rows, [this](const WatchListRow& row) {
    return !m_filter.Keeps(row.m_itemId, row.m_texts[5], row.m_texts[0], row.m_texts[4]);
  });
  return rows;
}

void CEditBox::Refill() {
  m_filling = true;
  std::vector<unsigned> selected;
  for (long row : SelectedRows()) selected.push_back(static_cast<unsigned>(m_list->GetItemData(row)));
  m_list->DeleteAllItems();
  if (m_shownGeneration != m_watchList.Generation()) m_filter.Forget();
  m_shownGeneration = m_watchList.Generation();
  std::vector<WatchListRow> rows = ShownRows();
  m_shown.assign(rows.size(), WatchListRow());
  for (std::size_t index = 0; index < rows.size(); ++index) {
    long row = m_list->InsertItem(static_cast<long>(index), ToWx(rows[index].m_texts[0]),
                                  rows[index].m_image);
    WriteRow(row, rows[index], true);
  }
  // A refill keeps what the user had selected.
  for (unsigned id : selected) {
    long row = RowOfId(id);
    if (row >= 0) m_list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  }
  m_filling = false;
}

void CEditBox::CatchUp() {
  if (m_shownGeneration != m_watchList.Generation()) m_filter.Forget();
  m_shownGeneration = m_watchList.Generation();
  m_model.SubmitDeferred();
  std::vector<WatchListRow> rows = ShownRows();
  bool same = static_cast<long>(rows.size()) == m_list->GetItemCount();
  for (std::size_t index = 0; same && index < rows.size(); ++index) {
    same = static_cast<unsigned>(m_list->GetItemData(static_cast<long>(index))) ==
           rows[index].m_itemId;
  }
  if (!same) {
    Refill();
    return;
  }
  m_filling = true;
  for (std::size_t index = 0; index < rows.size(); ++index) {
    WriteRow(static_cast<long>(index), rows[index]);
  }
  m_filling = false;
}

void CEditBox::ItemChanged(unsigned id) {
  int position = m_watchList.FindById(id);
  // The rows follow the list's order: without deletions waiting, the row is the position.
  bool same = position >= 0 && position < static_cast<int>(m_shown.size()) &&
              m_shown[position].m_itemId == id;
  long row = same ? position : RowOfId(id);
  if (row >= 0) {
    m_filling = true;
    WriteRow(row, m_model.RowOf(id));
    m_filling = false;
  }
  // The end of a check makes the changes queued during it right after this.
  CallAfter([this] { CatchUpAfterCheck(); });
}

// Comparing every row after each of the checks of a long list would cost more than the
// checks: only a change of the list or of the window's waiting changes needs it.
void CEditBox::CatchUpAfterCheck() {
  if (m_model.HasQueued() || m_watchList.Generation() != m_shownGeneration) CatchUp();
}

long CEditBox::RowOfId(unsigned id) const {
  for (long row = 0; row < m_list->GetItemCount(); ++row) {
    if (static_cast<unsigned>(m_list->GetItemData(row)) == id) return row;
  }
  return -1;
}

std::vector<long> CEditBox::SelectedRows() const {
  std::vector<long> rows;
  for (long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row >= 0;
       row = m_list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    rows.push_back(row);
  }
  return rows;
}

unsigned CEditBox::FirstSelectedId() const {
  long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
  return row < 0 ? 0 : static_cast<unsigned>(m_list->GetItemData(row));
}

int CEditBox::FirstSelectedPosition() const { return m_model.PositionOf(FirstSelectedId()); }

std::array<int, 5> CEditBox::ColumnWidths() const {
  std::array<int, 5> widths{};
  for (int column = 0; column < 5; ++column) widths[column] = m_list->GetColumnWidth(column);
  return widths;
}

// --- commands -----------------------------------------------------------------------

void CEditBox::OnMenu(wxCommandEvent& event) { RunCommand(event.GetId()); }

void CEditBox::RunCommand(int id) {
  switch (id) {
    case ID_EB_NEW_SITE:
      if (m_callbacks.mainCommand) m_callbacks.mainCommand(ID_NEW_SITE);
      OnCancel();
      break;
    case ID_EB_ENVIRONMENT:
      if (m_callbacks.mainCommand) m_callbacks.mainCommand(ID_ENVIRONMENT);
      break;
    case ID_EB_CLOSE:
      OnCancel();
      break;
    case ID_EB_DELETE:
      DeleteSelected();
      break;
    case ID_EB_EDIT:
      EditFirstSelected();
      break;
    case ID_EB_SHOW_SITE:
      ShowSite(FirstSelectedId());
      break;
    case ID_EB_ACKNOWLEDGE:
      m_model.Acknowledge(FirstSelectedId());
      break;
    case ID_EB_SET_MARK: {
      unsigned item = FirstSelectedId();
      if (m_model.SetMark(item)) CatchUp();
      break;
    }
    case ID_EB_CHECK_NOW:
      if (unsigned item = FirstSelectedId()) m_model.CheckNow(item);
      break;
    case ID_EB_CHECK_ALL:
      m_model.CheckAll();
      break;
    case ID_EB_CLEAR_MARKS:
      ClearAllMarks();
      break;
    case ID_EB_SHOW_UPDATED:
      ShowFirstUpdated();
      break;
    case ID_EB_SYNC_CHECKS:
      SyncCheckBoxes();
      break;
    case ID_EB_SHOW_CHANGE: {
      int position = m_model.PositionOf(FirstSelectedId());
      if (position >= 0 && m_callbacks.showChange) m_callbacks.showChange(m_watchList.GetItem(position));
      break;
    }
    default:
      // Exit and the help entries are the main window's.
      if (m_callbacks.mainCommand) m_callbacks.mainCommand(id);
      break;
  }
}

void CEditBox::ShowSite(unsigned id) {
  int position = m_model.PositionOf(id);
  if (position < 0) return;
  m_model.Acknowledge(id);
  if (m_callbacks.displayPage) m_callbacks.displayPage(m_watchList.GetItem(position));
}

void CEditBox::EditFirstSelected() {
  int position = FirstSelectedPosition();
  if (position >= 0 && m_callbacks.editItem) m_callbacks.editItem(position + 1);
}

void CEditBox::DeleteSelected() {
  // No confirmation: the first selected row goes, until none is left.
  for (long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row >= 0;
       row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    m_model.Delete(static_cast<unsigned>(m_list->GetItemData(row)));
    m_list->DeleteItem(row);
    m_shown.erase(m_shown.begin() + row);
  }
  CatchUp();
}

void CEditBox::ClearAllMarks() {
  m_model.ClearAllMarks();
  CatchUp();
}

void CEditBox::ShowFirstUpdated() {
  unsigned id = m_model.FirstMarked();
  if (id != 0) ShowSite(id);
}

void CEditBox::SyncCheckBoxes() {
  std::vector<bool> boxes;
  if (m_filter.IsEmpty()) {
    for (long row = 0; row < m_list->GetItemCount(); ++row) boxes.push_back(m_list->IsItemChecked(row));
  } else {
    // The model takes a box for every item: a row the filter hides keeps its state.
    std::unordered_map<unsigned, long> shown;
    for (long row = 0; row < m_list->GetItemCount(); ++row) {
      shown[static_cast<unsigned>(m_list->GetItemData(row))] = row;
    }
    for (const WatchListRow& row : m_model.Rows()) {
      auto found = shown.find(row.m_itemId);
      boxes.push_back(found == shown.end() ? row.m_checked : m_list->IsItemChecked(found->second));
    }
  }
  unsigned changed = m_model.SyncCheckBoxes(boxes);
  if (changed == 0) return;
  long row = RowOfId(changed);
  if (row < 0) return;
  m_filling = true;
  WriteRow(row, m_model.RowOf(changed));
  m_filling = false;
}

// --- events -------------------------------------------------------------------------

void CEditBox::OnListClick(wxMouseEvent& event) {
  event.Skip();
  // After the control has selected the row (or toggled its box).
  CallAfter([this] {
    m_model.Acknowledge(FirstSelectedId());
    CallAfter([this] { RunCommand(ID_EB_SYNC_CHECKS); });
  });
}

void CEditBox::OnItemChecked(wxListEvent& event) {
  event.Skip();
  if (m_filling) return;
  CallAfter([this] { RunCommand(ID_EB_SYNC_CHECKS); });
}

void CEditBox::OnItemActivated(wxListEvent& event) {
  if (m_settings.m_listDoubleClick == 1) {
    EditFirstSelected();
  } else {
    ShowSite(static_cast<unsigned>(m_list->GetItemData(event.GetIndex())));
  }
}

std::unique_ptr<wxMenu> CEditBox::MakeContextMenu() const {
  auto menu = std::make_unique<wxMenu>();
  Add(menu.get(), ID_EB_SHOW_SITE, "サイトを表示");
  Add(menu.get(), ID_EB_SHOW_CHANGE, "変更点を表示");
  menu->AppendSeparator();
  Add(menu.get(), ID_EB_ACKNOWLEDGE, "この更新を確認");
  Add(menu.get(), ID_EB_SET_MARK, "更新マークをつける");
  Add(menu.get(), ID_EB_EDIT, "このサイトを編集");
  Add(menu.get(), ID_EB_CHECK_NOW, "直ちにページチェック");
  menu->AppendSeparator();
  Add(menu.get(), ID_EB_DELETE, "選択されたサイトを削除");
  // The entries that act on one item need exactly one selected row.
  bool one = m_list->GetSelectedItemCount() == 1;
  for (int id : {ID_EB_ACKNOWLEDGE, ID_EB_SET_MARK, ID_EB_EDIT, ID_EB_CHECK_NOW}) {
    menu->Enable(id, one);
  }
  int position = m_model.PositionOf(FirstSelectedId());
  menu->Enable(ID_EB_SHOW_CHANGE, one && m_callbacks.showChange && position >= 0 &&
                                      !PreviousVersionPath(m_watchList.GetItem(position)).empty());
  return menu;
}

void CEditBox::OnListRightDown(wxMouseEvent& event) {
  // The control selects the row under the click first.
  event.Skip();
  wxPoint at = ScreenToClient(m_list->ClientToScreen(event.GetPosition()));
  CallAfter([this, at] {
    std::unique_ptr<wxMenu> menu = MakeContextMenu();
    PopupMenu(menu.get(), at);
  });
}

// --- closing ------------------------------------------------------------------------

void CEditBox::OnCancel() {
  if (m_settings.m_resetOnListClose == 1) ClearAllMarks();
  RememberWindowRect(this, m_layout.m_windowRect);
  std::array<int, 5> widths = ColumnWidths();
  int tagWidth = m_list->GetColumnWidth(5);
  if (CWatchListModel::WidthsDiffer(m_layout.m_columnWidths, widths) ||
      tagWidth != m_layout.m_tagColumnWidth) {
    m_layout.m_columnWidths = widths;
    m_layout.m_tagColumnWidth = tagWidth;
    if (m_callbacks.saveSettings) m_callbacks.saveSettings();
  }
  Hide();
}

void CEditBox::OnClose(wxCloseEvent& event) {
  if (!event.CanVeto()) {
    event.Skip();  // the main window is ending: the frame goes with it
    return;
  }
  event.Veto();
  OnCancel();
}

void CEditBox::OnCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_ESCAPE && PressedIn(event, this)) {
    OnCancel();
    return;
  }
  event.Skip();
}
