#include "gui/ui/sheet/form_data_page.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>

#include "gui/ui/sheet/form_data_dialog.h"
#include "gui/ui/sheet/sheet_layout.h"
#include "gui/wx_text.h"

CPGDetail::CPGDetail(wxWindow* book, const SheetServices& services)
    : CSheetPage(book, services) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto* edit = new wxButton(this, wxID_ANY, ToWx("編集"));
  auto* remove = new wxButton(this, wxID_ANY, ToWx("削除"));
  auto* insert = new wxButton(this, wxID_ANY, ToWx("挿入"));
  for (wxButton* button : {edit, remove, insert}) buttons->Add(button, 0, wxRIGHT, kGap);
  top->Add(buttons, 0, wxALL, kBorder);

  m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxSize(-1, FromDIP(200)),
                          wxLC_REPORT);
  m_list->AppendColumn(ToWx("name"), wxLIST_FORMAT_LEFT, FromDIP(200));
  m_list->AppendColumn(ToWx("value"), wxLIST_FORMAT_LEFT, FromDIP(200));
  top->Add(m_list, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);
  SetSizer(top);

  AskField dialog = [this](FormField& field) { return RunDialog(field); };
  edit->Bind(wxEVT_BUTTON, [this, dialog](wxCommandEvent&) { Edit(dialog); });
  remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Delete(); });
  insert->Bind(wxEVT_BUTTON, [this, dialog](wxCommandEvent&) { Insert(dialog); });
  // A double click on a row edits it.
  m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED, [this, dialog](wxListEvent&) { Edit(dialog); });
}

void CPGDetail::OnFirstActivation(WatchItem& item) {
  m_rows = CFormDataRows(ParseFormData(item.m_formData));
  ShowRows();
}

void CPGDetail::OnOK(WatchItem& item) { item.m_formData = BuildFormData(m_rows.Rows()); }

std::vector<int> CPGDetail::Selection() const {
  std::vector<int> selected;
  for (long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
       row = m_list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    selected.push_back(static_cast<int>(row));
  }
  return selected;
}

void CPGDetail::ShowRows() {
  m_list->DeleteAllItems();
  const std::vector<FormField>& rows = m_rows.Rows();
  for (std::size_t row = 0; row < rows.size(); ++row) {
    long index = m_list->InsertItem(static_cast<long>(row), ToWx(rows[row].name));
    m_list->SetItem(index, 1, ToWx(rows[row].value));
  }
}

void CPGDetail::Edit(const AskField& ask) {
  std::optional<int> row = CFormDataRows::EditTarget(Selection());
  if (!row) return;
  FormField field = m_rows.Rows()[*row];
  if (!ask(field)) return;
  m_rows.ApplyEdit(*row, field, m_services.prompter);
  ShowRows();
}

void CPGDetail::Delete() {
  m_rows.Delete(Selection());
  ShowRows();
}

void CPGDetail::Insert(const AskField& ask) {
  std::optional<int> position = m_rows.InsertPosition(Selection());
  if (!position) return;
  FormField field;
  if (!ask(field)) return;
  m_rows.ApplyInsert(*position, field, m_services.prompter);
  ShowRows();
}

bool CPGDetail::RunDialog(FormField& field) {
  CFormDataDlg dialog(this, field);
  if (dialog.ShowModal() != wxID_OK) return false;
  field = dialog.Field();
  return true;
}
