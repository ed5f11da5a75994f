#include "gui/links/link_item_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/wx_text.h"

CLinkItemDlg::CLinkItemDlg(wxWindow* parent, const std::string& fileName, const std::string& name,
                           const std::string& url)
    : wxDialog(parent, wxID_ANY, ToWx("リンクアイテムの編集"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
  auto* fields = new wxFlexGridSizer(3, wxSize(8, 8));
  fields->AddGrowableCol(1);
  auto addRow = [&](const char* label, const std::string& value, const char* note) {
    fields->Add(new wxStaticText(this, wxID_ANY, ToWx(label)), 0, wxALIGN_CENTER_VERTICAL);
    auto* edit = new wxTextCtrl(this, wxID_ANY, ToWx(value), wxDefaultPosition, wxSize(260, -1));
    fields->Add(edit, 1, wxEXPAND);
    fields->Add(new wxStaticText(this, wxID_ANY, note ? ToWx(note) : wxString()), 0,
                wxALIGN_CENTER_VERTICAL);
    return edit;
  };
  m_fileName = addRow("ファイル名", fileName, "フォルダ名は省略してください");
  m_name = addRow("リンクの名前", name, "このリンクを区別するのに便利な任意の名前でOK");
  m_url = addRow("URL", url, nullptr);

  // The desktop's order of OK and Cancel.
  auto* buttons = new wxStdDialogButtonSizer();
  buttons->AddButton(new wxButton(this, wxID_OK, ToWx("OK")));
  buttons->AddButton(new wxButton(this, wxID_CANCEL, ToWx("ｷｬﾝｾﾙ")));
  buttons->Realize();

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(fields, 0, wxEXPAND | wxALL, 12);
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);
  SetSizerAndFit(top);
  SetMinSize(GetSize());
  m_fileName->SetFocus();
}

std::string CLinkItemDlg::FileName() const { return FromWx(m_fileName->GetValue()); }
std::string CLinkItemDlg::LinkName() const { return FromWx(m_name->GetValue()); }
std::string CLinkItemDlg::Url() const { return FromWx(m_url->GetValue()); }
