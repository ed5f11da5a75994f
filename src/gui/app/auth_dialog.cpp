#include "gui/app/auth_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/wx_text.h"

CAuthDialog::CAuthDialog(wxWindow* parent, const std::string& url, std::uint32_t timeoutMs)
    : wxDialog(parent, wxID_ANY, ToWx("インターネット認証")), m_timer(this), m_timeoutMs(timeoutMs) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(this, wxID_ANY, ToWx("このページにアクセスするには認証が必要です。")),
           0, wxALL, 10);
  auto* address = new wxTextCtrl(this, wxID_ANY, ToWx(url), wxDefaultPosition,
                                 wxSize(360, -1), wxTE_READONLY);
  top->Add(address, 0, wxLEFT | wxRIGHT | wxEXPAND, 10);

  auto* fields = new wxFlexGridSizer(2, 8, 8);
  fields->AddGrowableCol(1);
  m_user = new wxTextCtrl(this, wxID_ANY);
  m_password = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                              wxTE_PASSWORD);
  fields->Add(new wxStaticText(this, wxID_ANY, ToWx("ユーザーＩＤ")), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(m_user, 1, wxEXPAND);
  fields->Add(new wxStaticText(this, wxID_ANY, ToWx("パスワード")), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(m_password, 1, wxEXPAND);
  top->Add(fields, 0, wxALL | wxEXPAND, 10);

  // The desktop's order of OK and キャンセル.
  auto* buttons = new wxStdDialogButtonSizer();
  auto* ok = new wxButton(this, wxID_OK, ToWx("OK"));
  buttons->AddButton(ok);
  buttons->AddButton(new wxButton(this, wxID_CANCEL, ToWx("キャンセル")));
  buttons->Realize();
  top->Add(buttons, 0, wxALL | wxEXPAND, 10);
  ok->SetDefault();
  SetSizerAndFit(top);
  CentreOnParent();
  m_user->SetFocus();

  Bind(wxEVT_TIMER, &CAuthDialog::OnTimer, this);
  Bind(wxEVT_SHOW, &CAuthDialog::OnShow, this);
}

void CAuthDialog::OnShow(wxShowEvent& event) {
  // The time runs from the moment the dialog opens.
  if (event.IsShown() && m_timeoutMs != 0 && !m_timer.IsRunning()) {
    m_timer.StartOnce(static_cast<int>(m_timeoutMs));
  }
  event.Skip();
}

void CAuthDialog::OnTimer(wxTimerEvent&) {
  m_timedOut = true;
  if (IsModal()) EndModal(wxID_CANCEL);
}

std::string CAuthDialog::User() const { return FromWx(m_user->GetValue()); }
std::string CAuthDialog::Password() const { return FromWx(m_password->GetValue()); }
