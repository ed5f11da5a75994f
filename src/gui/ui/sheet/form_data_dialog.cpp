#include "gui/ui/sheet/form_data_dialog.h"

#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "gui/ui/sheet/sheet_layout.h"
#include "gui/wx_text.h"

CFormDataDlg::CFormDataDlg(wxWindow* parent, const FormField& field)
    : wxDialog(parent, wxID_ANY, ToWx("フォームデータ編集"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* fields = new wxFlexGridSizer(2, kGap, kGap);
  fields->AddGrowableCol(1);
  fields->AddGrowableRow(1);
  m_name = new wxTextCtrl(this, wxID_ANY, ToWx(field.name), wxDefaultPosition,
                          wxSize(FromDIP(300), -1));
  AddLabelled(fields, this, "名前", m_name);
  m_value = new wxTextCtrl(this, wxID_ANY, ToWx(FormValueForEdit(field.value)),
                           wxDefaultPosition, wxSize(-1, FromDIP(100)), wxTE_MULTILINE);
  fields->Add(Label(this, "値"), 0, wxALIGN_TOP);
  fields->Add(m_value, 1, wxEXPAND);
  top->Add(fields, 1, wxEXPAND | wxALL, kBorder);

  AddOkCancel(this, top, "キャンセル");
  FitTextHeights(this);
  SetSizerAndFit(top);
  SetMinSize(GetSize());
  CentreOnParent();
  m_name->SetFocus();
}

FormField CFormDataDlg::Field() const {
  return {FromWx(m_name->GetValue()), FormValueFromEdit(FromWx(m_value->GetValue()))};
}
