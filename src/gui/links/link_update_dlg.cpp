#include "gui/links/link_update_dlg.h"

#include <wx/activityindicator.h>
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/utils.h>

#include "core/common/prompter.h"
#include "gui/app/app_icon.h"
#include "gui/links/folder_edit.h"
#include "gui/links/link_images.h"
#include "gui/links/link_item_dlg.h"
#include "gui/wx_text.h"
#include "gui/wx_ui_queue.h"

namespace {

constexpr int kDesignWidth = 680;
constexpr int kDesignHeight = 360;
constexpr int kMargin = 8;
constexpr int kButtonHeight = 28;
constexpr int kColumnWidths[CLinkUpdateModel::kColumnCount] = {140, 140, 380};

struct TopButton {
  int id;
  const char* label;
  int width;
};
constexpr TopButton kTopButtons[] = {
    {CLinkUpdateDlg::ID_LU_CLOSE, "閉じる", 80},
    {CLinkUpdateDlg::ID_LU_UPDATE_ALL, "全て更新", 96},
    {CLinkUpdateDlg::ID_LU_SETTINGS, "設定", 72},
    {CLinkUpdateDlg::ID_LU_REMOVE, "リンク削除", 96},
    {CLinkUpdateDlg::ID_LU_REMOVE_FILE, "ファイル削除", 104},
};

}  // namespace

CLinkUpdateDlg::CLinkUpdateDlg(wxWindow* parent, LinkListEnvironment environment,
                               CWxUiQueue& queue, LinkUpdateCallbacks callbacks)
    : wxDialog(parent, wxID_ANY, ToWx("フォルダ更新"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_prompter(*environment.m_prompter),
      m_callbacks(std::move(callbacks)),
      m_linkList(std::make_unique<CLinkList>(std::move(environment))),
      m_model(std::make_unique<CLinkUpdateModel>(*m_linkList, m_prompter, &queue)),
      m_images(16, 16, true, 5) {
  CreateControls();
  SetClientSize(kDesignWidth, kDesignHeight);
  // Never smaller than at first: below that width nothing would move anyway.
  SetMinClientSize(wxSize(kDesignWidth, kDesignHeight));

  m_model->SetRowChanged([this](int row) {
    ShowRow(row);
    m_list->Update();
  });
  m_model->SetRunEnded([this] { RunEnded(); });
  m_model->SetRowsReset([this] { FillRows(); });

  Bind(wxEVT_BUTTON, &CLinkUpdateDlg::OnButton, this);
  Bind(wxEVT_MENU, &CLinkUpdateDlg::OnButton, this);
  Bind(wxEVT_CLOSE_WINDOW, &CLinkUpdateDlg::OnClose, this);
  Bind(wxEVT_CHAR_HOOK, &CLinkUpdateDlg::OnCharHook, this);
  Bind(wxEVT_UPDATE_UI, &CLinkUpdateDlg::OnUpdateUi, this);
  Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    event.Skip();
    LayoutControls();
  });
}

CLinkUpdateDlg::~CLinkUpdateDlg() {
  // The list goes first: its run (if the program ends during one) stops and is joined
  // while the model it reports to still exists.
  m_linkList->StopUpdate();
  m_linkList.reset();
  if (m_busyCursor) wxEndBusyCursor();
}

void CLinkUpdateDlg::CreateControls() {
  // The program's picture stands still while idle; the indicator turns in its place.
  m_stillPicture = new wxStaticBitmap(this, wxID_ANY, MakeAppBitmap(24),
                                      wxPoint(kMargin, kMargin + 2), wxSize(24, 24));
  m_indicator = new wxActivityIndicator(this, wxID_ANY, wxPoint(kMargin, kMargin + 2),
                                        wxSize(24, 24));
  m_indicator->Hide();
  int x = kMargin + 24 + kMargin;
  for (const TopButton& top : kTopButtons) {
    auto* button = new wxButton(this, top.id, ToWx(top.label), wxPoint(x, kMargin),
                                wxSize(top.width, kButtonHeight));
    if (top.id == ID_LU_UPDATE_ALL) m_updateButton = button;
    x += top.width + 4;
  }
  int row2 = kMargin + kButtonHeight + 6;
  new wxButton(this, ID_LU_BROWSE, ToWx("保存フォルダ"), wxPoint(kMargin, row2),
               wxSize(104, kButtonHeight));
  int editLeft = kMargin + 104 + 6;
  m_folderEdit = new CFolder(this, wxID_ANY, wxPoint(editLeft, row2 + 1),
                             wxSize(kDesignWidth - editLeft - kMargin, kButtonHeight - 2));
  m_folderRightOffset = kMargin;
  m_folderEdit->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { CommitFolderEdit(); });

  int top = row2 + kButtonHeight + 6;
  m_list = new wxListCtrl(this, wxID_ANY, wxPoint(kMargin, top),
                          wxSize(kDesignWidth - 2 * kMargin, kDesignHeight - top - kMargin),
                          wxLC_REPORT | wxLC_EDIT_LABELS | wxBORDER_SUNKEN);
  m_list->SetName(wxASCII_STR("List1"));
  AddLinkStateImages(m_images);
  m_list->SetImageList(&m_images, wxIMAGE_LIST_SMALL);
  for (int column = 0; column < CLinkUpdateModel::kColumnCount; ++column) {
    m_list->InsertColumn(column, ToWx(m_model->ColumnCaption(column)), wxLIST_FORMAT_LEFT,
                         kColumnWidths[column]);
  }
  m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED, &CLinkUpdateDlg::OnActivated, this);
  m_list->Bind(wxEVT_LIST_KEY_DOWN, &CLinkUpdateDlg::OnKeyDown, this);
  m_list->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, &CLinkUpdateDlg::OnRightClick, this);
  m_list->Bind(wxEVT_LIST_END_LABEL_EDIT, &CLinkUpdateDlg::OnEndLabelEdit, this);
  m_list->Bind(wxEVT_LIST_COL_CLICK, &CLinkUpdateDlg::OnColumnClick, this);
}

void CLinkUpdateDlg::LayoutControls() {
  if (!m_list) return;
  wxSize client = GetClientSize();
  if (client.x < kDesignWidth) return;
  wxPoint listAt = m_list->GetPosition();
  m_list->SetSize(client.x - listAt.x - kMargin, std::max(0, client.y - listAt.y - kMargin));
  wxRect edit = m_folderEdit->GetRect();
  m_folderEdit->SetSize(client.x - m_folderRightOffset - edit.x, edit.height);
}

bool CLinkUpdateDlg::Init(const std::string& folder) {
  if (!m_model->Open(folder)) return false;
  m_folderEdit->ChangeValue(ToWx(m_model->Folder()));
  FillRows();
  return true;
}

void CLinkUpdateDlg::FillRows() {
  m_list->DeleteAllItems();
  for (int row = 0; row < m_model->RowCount(); ++row) {
    m_list->InsertItem(row, wxString());
    ShowRow(row);
  }
  ShowCaptions();
}

void CLinkUpdateDlg::ShowRow(int row) {
  if (row < 0 || row >= m_list->GetItemCount()) return;
  for (int column = 0; column < CLinkUpdateModel::kColumnCount; ++column) {
    m_list->SetItem(row, column, ToWx(m_model->RowText(row, column)));
  }
  m_list->SetItemImage(row, m_model->RowImage(row) - kImageFilePresent);
  m_list->SetItemData(row, row);
}

void CLinkUpdateDlg::ShowCaptions() {
  for (int column = 0; column < CLinkUpdateModel::kColumnCount; ++column) {
    wxListItem caption;
    caption.SetMask(wxLIST_MASK_TEXT);
    caption.SetText(ToWx(m_model->ColumnCaption(column)));
    m_list->SetColumn(column, caption);
  }
}

std::vector<int> CLinkUpdateDlg::SelectedRows() const {
  std::vector<int> rows;
  for (long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
       row = m_list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    rows.push_back(static_cast<int>(row));
  }
  return rows;
}

int CLinkUpdateDlg::FirstSelectedRow() const {
  std::vector<int> rows = SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

void CLinkUpdateDlg::OnButton(wxCommandEvent& event) { RunCommand(event.GetId()); }

void CLinkUpdateDlg::RunCommand(int id) {
  switch (id) {
    case ID_LU_CLOSE:
      CloseDialog();
      break;
    case ID_LU_UPDATE_ALL:
      if (!m_model->IsBusy()) {
        m_model->ToggleUpdateAll();
        if (m_model->IsBusy()) {
          wxBeginBusyCursor();
          m_busyCursor = true;
          ShowActivity(true);
        }
      } else {
        m_model->ToggleUpdateAll();
      }
      m_updateButton->SetLabel(ToWx(m_model->UpdateButtonCaption()));
      break;
    case ID_LU_SETTINGS:
      // A running update reads the settings: they change only while none runs.
      if (m_callbacks.settings && !m_model->IsBusy()) m_callbacks.settings();
      break;
    case ID_LU_REMOVE:
      RemoveSelected(false);
      break;
    case ID_LU_REMOVE_FILE:
      RemoveSelected(true);
      break;
    case ID_LU_BROWSE:
      if (!m_model->IsBusy() && m_folderEdit->Browse(m_prompter) == 0) CommitFolderEdit();
      break;
    case ID_LU_EDIT:
      EditLink();
      break;
    case ID_LU_RENAME:
      if (int row = FirstSelectedRow(); row >= 0) m_list->EditLabel(row);
      break;
    case ID_LU_WATCH_ITEM:
      if (int row = FirstSelectedRow(); row >= 0 && m_callbacks.newSite) {
        m_callbacks.newSite(m_model->WatchItemRequest(row));
      }
      break;
    default:
      break;
  }
}

void CLinkUpdateDlg::OnUpdateUi(wxUpdateUIEvent& event) {
  bool busy = m_model->IsBusy();
  switch (event.GetId()) {
    case ID_LU_CLOSE:
    case ID_LU_REMOVE:
    case ID_LU_REMOVE_FILE:
    case ID_LU_BROWSE:
      event.Enable(!busy);
      break;
    case ID_LU_SETTINGS:
      event.Enable(m_callbacks.settings && !busy);
      break;
    default:
      event.Skip();
      break;
  }
}

void CLinkUpdateDlg::ShowActivity(bool active) {
  m_stillPicture->Show(!active);
  m_indicator->Show(active);
  if (active) {
    m_indicator->Start();
  } else {
    m_indicator->Stop();
  }
}

void CLinkUpdateDlg::RunEnded() {
  ShowActivity(false);
  if (m_busyCursor) wxEndBusyCursor();
  m_busyCursor = false;
  m_updateButton->SetLabel(ToWx(m_model->UpdateButtonCaption()));
}

void CLinkUpdateDlg::UpdateRowNow(int row) {
  if (m_model->IsBusy() || row < 0) return;
  LinkResult result;
  {
    wxBusyCursor wait;
    ShowActivity(true);
    m_indicator->Update();
    result = m_model->UpdateRow(row);
    ShowActivity(false);
  }
  if (result == LinkResult::Updated && m_callbacks.displayPage) {
    m_callbacks.displayPage(m_linkList->GetItem(row));
  }
}

void CLinkUpdateDlg::OnActivated(wxListEvent&) { UpdateRowNow(FirstSelectedRow()); }

void CLinkUpdateDlg::RemoveSelected(bool withFiles) {
  std::vector<int> removed = m_model->RemoveRows(SelectedRows(), withFiles);
  for (auto row = removed.rbegin(); row != removed.rend(); ++row) m_list->DeleteItem(*row);
  for (int row = 0; row < m_list->GetItemCount(); ++row) m_list->SetItemData(row, row);
}

void CLinkUpdateDlg::OnKeyDown(wxListEvent& event) {
  if (event.GetKeyCode() == WXK_DELETE) {
    RemoveSelected(wxGetKeyState(WXK_SHIFT));
    return;
  }
  event.Skip();
}

void CLinkUpdateDlg::OnRightClick(wxListEvent&) {
  bool one = SelectedRows().size() == 1;
  wxMenu menu;
  menu.Append(ID_LU_EDIT, ToWx("リンク編集"))->Enable(one);
  menu.Append(ID_LU_RENAME, ToWx("ファイル名変更"))->Enable(one);
  menu.Append(ID_LU_REMOVE, ToWx("リンク削除"));
  menu.Append(ID_LU_REMOVE_FILE, ToWx("ファイル削除"));
  menu.AppendSeparator();
  menu.Append(ID_LU_WATCH_ITEM, ToWx("ウォッチアイテム"));
  PopupMenu(&menu);
}

void CLinkUpdateDlg::EditLink() {
  int row = FirstSelectedRow();
  if (row < 0) return;
  CLinkItemDlg edit(this, m_model->RowText(row, 0), m_model->RowText(row, 1),
                    m_model->RowText(row, 2));
  if (edit.ShowModal() != wxID_OK) return;
  m_model->ApplyItemEdit(row, edit.FileName(), edit.LinkName(), edit.Url());
}

void CLinkUpdateDlg::OnEndLabelEdit(wxListEvent& event) {
  if (event.IsEditCancelled()) return;
  if (!m_model->ApplyFileName(static_cast<int>(event.GetIndex()), FromWx(event.GetLabel()))) {
    event.Veto();
  }
}

void CLinkUpdateDlg::OnColumnClick(wxListEvent& event) { m_model->SortBy(event.GetColumn()); }

void CLinkUpdateDlg::CommitFolderEdit() {
  m_folderEdit->ChangeValue(ToWx(m_model->CommitFolder(FromWx(m_folderEdit->GetValue()))));
}

void CLinkUpdateDlg::CloseDialog() {
  if (!m_model->Close()) return;
  if (IsModal()) {
    EndModal(wxID_CANCEL);
  } else {
    Hide();
  }
}

void CLinkUpdateDlg::OnClose(wxCloseEvent& event) {
  if (!event.CanVeto()) {
    event.Skip();
    return;
  }
  CloseDialog();
}

void CLinkUpdateDlg::OnCharHook(wxKeyEvent& event) {
  // Esc ends a label edit first; otherwise it is "閉じる".
  if (event.GetKeyCode() == WXK_ESCAPE && !m_list->GetEditControl()) {
    CloseDialog();
    return;
  }
  event.Skip();
}
