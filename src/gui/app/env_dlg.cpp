#include "gui/app/env_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "core/common/prompter.h"
#include "gui/notify_address_panel.h"
#include "gui/window_utils.h"
#include "gui/wx_text.h"

namespace {

enum { ID_TEST_SEND = wxID_HIGHEST + 600 };

void (*g_shownHook)(CEnvDlg&) = nullptr;

constexpr int kGap = 6;

wxStaticText* Label(wxWindow* parent, const char* text) {
  return new wxStaticText(parent, wxID_ANY, ToWx(text));
}

wxStaticText* Hint(wxWindow* parent, const char* text) {
  wxStaticText* hint = Label(parent, text);
  hint->SetForegroundColour(wxColour(96, 96, 96));
  return hint;
}

wxCheckBox* Check(wxWindow* parent, const char* name, const char* label) {
  auto* box = new wxCheckBox(parent, wxID_ANY, ToWx(label));
  box->SetName(wxASCII_STR(name));
  return box;
}

wxSpinCtrl* Spin(wxWindow* parent, const char* name, int min, int max) {
  auto* spin = new wxSpinCtrl(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                              wxSP_ARROW_KEYS, min, max, min);
  spin->SetName(wxASCII_STR(name));
  return spin;
}

}  // namespace

void CEnvDlg::SetShownHook(void (*shown)(CEnvDlg&)) { g_shownHook = shown; }

CEnvDlg::CEnvDlg(wxWindow* parent, const AppSettings& settings, IPrompter& prompter,
                 IMailDialogHost& mailHost)
    : wxDialog(parent, wxID_ANY, ToWx("環境設定")),
      m_logic(settings),
      m_prompter(prompter),
      m_mailHost(mailHost) {
  CreateControls();
  AddNotifyPage(settings);
  TransferDataToWindow();
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { TestSend(); }, ID_TEST_SEND);
  Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent& event) {
    event.Skip();
    if (g_shownHook) CallAfter([this] { g_shownHook(*this); });
  });
  CentreOnParent();
}

wxTextCtrl* CEnvDlg::AddEdit(wxWindow* parent, const char* name, int width, long style) {
  // Widths were chosen for the desktop font at 96 dpi; the font of this desktop scales them.
  auto* edit = new wxTextCtrl(parent, wxID_ANY, wxString(), wxDefaultPosition,
                              wxSize(FontScaled(parent, width), -1), style);
  edit->SetName(wxASCII_STR(name));
  return edit;
}

void CEnvDlg::CreateControls() {
  auto* top = new wxBoxSizer(wxVERTICAL);
  // One page for each kind of setting: all of them at once are taller than a small screen.
  m_pages = new wxNotebook(this, wxID_ANY);
  m_pages->SetName(wxASCII_STR("pages"));
  AddPage("一般", &CEnvDlg::CreateGeneralPage);
  AddPage("メール", &CEnvDlg::CreateMailPage);
  AddPage("接続", &CEnvDlg::CreateConnectionPage);
  AddPage("制限", &CEnvDlg::CreateLimitsPage);
  top->Add(m_pages, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);

  // The desktop's order of OK and キャンセル.
  auto* buttons = new wxStdDialogButtonSizer();
  auto* ok = new wxButton(this, wxID_OK, ToWx("OK"));
  ok->SetDefault();
  buttons->AddButton(ok);
  buttons->AddButton(new wxButton(this, wxID_CANCEL, ToWx("キャンセル")));
  buttons->Realize();
  top->Add(buttons, 0, wxEXPAND | wxALL, 12);
  SetSizerAndFit(top);
}

void CEnvDlg::AddPage(const char* caption, void (CEnvDlg::*create)(wxWindow*, wxBoxSizer*)) {
  auto* page = new wxPanel(m_pages);
  auto* column = new wxBoxSizer(wxVERTICAL);
  (this->*create)(page, column);
  column->AddSpacer(12);
  page->SetSizer(column);
  m_pages->AddPage(page, ToWx(caption));
}

void CEnvDlg::CreateGeneralPage(wxWindow* page, wxBoxSizer* top) {
  m_startResident = Check(page, "startResident", "起動時に常駐モード");
  m_resetOnListClose =
      Check(page, "resetOnListClose", "ウォッチリストを閉じると更新結果を全てリセット");
  m_desktopNotify = Check(page, "desktopNotify", "デスクトップ通知");
  m_autostart = Check(page, "autostart", "ログイン時に起動");
  for (wxCheckBox* box : {m_startResident, m_resetOnListClose, m_desktopNotify, m_autostart}) {
    top->Add(box, 0, wxLEFT | wxRIGHT | wxTOP, 12);
  }
  // Previous versions kept per item for "変更点を表示".
  auto* history = new wxBoxSizer(wxHORIZONTAL);
  history->Add(Label(page, "変更履歴の数"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  m_historyCount = Spin(page, "historyCount", 0, kMaxHistoryCount);
  history->Add(m_historyCount, 0);
  top->Add(history, 0, wxLEFT | wxRIGHT | wxTOP, 12);
  // The alarm for an item whose checks keep failing (0: none).
  auto* alert = new wxBoxSizer(wxHORIZONTAL);
  m_errorAlertAfter = Spin(page, "errorAlertAfter", 0, kMaxErrorAlertAfter);
  alert->Add(Label(page, "連続エラーの通知"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  alert->Add(m_errorAlertAfter, 0, wxRIGHT, kGap);
  alert->Add(Label(page, "回 (0: 通知しない)"), 0, wxALIGN_CENTER_VERTICAL);
  top->Add(alert, 0, wxLEFT | wxRIGHT | wxTOP, 12);

  wxString choices[] = {ToWx("サイトの表示"), ToWx("サイト定義の編集")};
  m_listDoubleClick = new wxRadioBox(page, wxID_ANY, ToWx("ウォッチリストのダブルクリックの動作"),
                                     wxDefaultPosition, wxDefaultSize, 2, choices, 2,
                                     wxRA_SPECIFY_COLS);
  m_listDoubleClick->SetName(wxASCII_STR("listDoubleClick"));
  top->Add(m_listDoubleClick, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);
}

void CEnvDlg::CreateLimitsPage(wxWindow* page, wxBoxSizer* top) {
  // Checks at once, and the pause kept between two requests to one host.
  auto* checks = new wxFlexGridSizer(3, wxSize(kGap, kGap));
  const int center = wxALIGN_CENTER_VERTICAL;
  auto addRow = [&](const char* label, wxSpinCtrl* spin, const char* unit) {
    checks->Add(Label(page, label), 0, center);
    checks->Add(spin, 0, wxEXPAND);
    checks->Add(Label(page, unit), 0, center);
  };
  m_checkJobs = Spin(page, "checkJobs", 1, kMaxCheckJobs);
  m_hostInterval = Spin(page, "hostInterval", 0, kMaxHostInterval);
  // What one check may take: its time and the size of its page (0: no limit).
  m_fetchTimeLimit = Spin(page, "fetchTimeLimit", 0, kMaxFetchTimeLimit);
  m_pageSizeLimit = Spin(page, "pageSizeLimit", 0, kMaxPageSizeLimitMiB);
  // Headless browsers are heavy: their own bound, within the checks at once.
  m_browserJobs = Spin(page, "browserJobs", 1, kMaxBrowserJobs);
  addRow("同時チェック数", m_checkJobs, "");
  addRow("同時ブラウザ数", m_browserJobs, "");
  addRow("同一ホストの間隔", m_hostInterval, "秒");
  addRow("チェックの時間の上限", m_fetchTimeLimit, "秒");
  addRow("ページサイズの上限", m_pageSizeLimit, "MiB");
  top->Add(checks, 0, wxLEFT | wxRIGHT | wxTOP, 12);
  top->Add(Hint(page, "0 は上限なし"), 0, wxLEFT | wxRIGHT | wxTOP, 12);
}

void CEnvDlg::CreateMailPage(wxWindow* page, wxBoxSizer* top) {
  auto* mail = new wxStaticBoxSizer(wxVERTICAL, page, ToWx("メール設定"));
  wxWindow* mailBox = mail->GetStaticBox();
  auto* mailGrid = new wxFlexGridSizer(4, wxSize(kGap, 2));
  mailGrid->AddGrowableCol(1);
  m_mailServer = AddEdit(mailBox, "mailServer", 200);
  m_mailPort = AddEdit(mailBox, "mailPort", 60);
  m_mailAccount = AddEdit(mailBox, "mailAccount", 200);
  m_mailUser = AddEdit(mailBox, "mailUser", 200);
  m_mailPassword = AddEdit(mailBox, "mailPassword", 200, wxTE_PASSWORD);
  m_authState = AddEdit(mailBox, "authState", 120, wxTE_READONLY);
  // Room for the longest state in words.
  m_authState->SetInitialSize(m_authState->GetSizeFromTextSize(
      m_authState->GetTextExtent(ToWx("POP before SMTP (APOP) で送信できます")).GetWidth()));
  auto* test = new wxButton(mailBox, ID_TEST_SEND, ToWx("テスト送信"));
  const int center = wxALIGN_CENTER_VERTICAL;
  // One row of the grid: a label and its field, then a second pair (either may be none).
  auto addRow = [&](const char* label, wxWindow* field, const char* label2, wxWindow* field2) {
    mailGrid->Add(Label(mailBox, label), 0, center);
    mailGrid->Add(field, 1, wxEXPAND);
    if (label2) {
      mailGrid->Add(Label(mailBox, label2), 0, center);
    } else {
      mailGrid->AddSpacer(0);
    }
    mailGrid->Add(field2, 0);
  };
  auto addHint = [&](const char* text) {
    mailGrid->AddSpacer(0);
    mailGrid->Add(Hint(mailBox, text), 0, wxBOTTOM, kGap);
    mailGrid->AddSpacer(0);
    mailGrid->AddSpacer(0);
  };
  // The encryption beside the port: choosing one proposes its usual port.
  wxString securities[] = {ToWx("なし"), ToWx("STARTTLS"), ToWx("SSL/TLS")};
  m_mailSecurity = new wxChoice(mailBox, wxID_ANY, wxDefaultPosition, wxDefaultSize, 3, securities);
  m_mailSecurity->SetName(wxASCII_STR("mailSecurity"));
  m_mailSecurity->Bind(wxEVT_CHOICE, [this](wxCommandEvent& event) {
    ReadControls();
    m_logic.ChooseSecurity(event.GetSelection());
    m_mailPort->ChangeValue(ToWx(m_logic.Values().mailPort));
  });
  auto* portAndSecurity = new wxBoxSizer(wxHORIZONTAL);
  portAndSecurity->Add(m_mailPort, 0, center);
  portAndSecurity->Add(Label(mailBox, "暗号化"), 0, center | wxLEFT | wxRIGHT, kGap);
  portAndSecurity->Add(m_mailSecurity, 0, center);
  mailGrid->Add(Label(mailBox, "メールサーバー："), 0, center);
  mailGrid->Add(m_mailServer, 1, wxEXPAND);
  mailGrid->Add(Label(mailBox, "ポート"), 0, center);
  mailGrid->Add(portAndSecurity, 0);
  addHint("ホスト名またはＩＰアドレス");
  addRow("メールアカウント：", m_mailAccount, nullptr, test);
  addHint("このメールサーバーで使用できるメールアドレス");
  mailGrid->Add(Label(mailBox, "ユーザー名"), 0, center);
  mailGrid->Add(m_mailUser, 1, wxEXPAND);
  mailGrid->AddSpacer(0);
  mailGrid->AddSpacer(0);
  addHint("空欄: メールアドレス、次に「@」の前を試します");
  addRow("パスワード", m_mailPassword, "SMTP認証", m_authState);
  mail->Add(mailGrid, 0, wxEXPAND | wxALL, kGap);
  top->Add(mail, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);

}

void CEnvDlg::CreateConnectionPage(wxWindow* page, wxBoxSizer* top) {
  const int center = wxALIGN_CENTER_VERTICAL;
  auto* proxy = new wxStaticBoxSizer(wxVERTICAL, page, ToWx("プロキシ設定"));
  wxWindow* proxyBox = proxy->GetStaticBox();
  auto* proxyRow = new wxBoxSizer(wxHORIZONTAL);
  m_proxyHost = AddEdit(proxyBox, "proxyHost", 200);
  m_proxyPort = AddEdit(proxyBox, "proxyPort", 60);
  proxyRow->Add(Label(proxyBox, "ホスト名またはIPアドレス"), 0, center | wxRIGHT, kGap);
  proxyRow->Add(m_proxyHost, 1, wxRIGHT, kGap * 2);
  proxyRow->Add(Label(proxyBox, "ポート"), 0, center | wxRIGHT, kGap);
  proxyRow->Add(m_proxyPort, 0);
  proxy->Add(proxyRow, 0, wxEXPAND | wxALL, kGap);
  auto* loginRow = new wxBoxSizer(wxHORIZONTAL);
  m_proxyUser = AddEdit(proxyBox, "proxyUser", 120);
  m_proxyPassword = AddEdit(proxyBox, "proxyPassword", 120, wxTE_PASSWORD);
  loginRow->Add(Label(proxyBox, "ユーザー名"), 0, center | wxRIGHT, kGap);
  loginRow->Add(m_proxyUser, 1, wxRIGHT, kGap * 2);
  loginRow->Add(Label(proxyBox, "パスワード"), 0, center | wxRIGHT, kGap);
  loginRow->Add(m_proxyPassword, 1);
  proxy->Add(loginRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kGap);
  m_noProxyForLocal =
      Check(proxyBox, "noProxyForLocal", "ローカルアドレスにはプロキシを使わない");
  proxy->Add(m_noProxyForLocal, 0, wxLEFT | wxRIGHT | wxBOTTOM, kGap);
  top->Add(proxy, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);

  auto* caRow = new wxBoxSizer(wxHORIZONTAL);
  m_extraCaFile = AddEdit(page, "extraCaFile", 260);
  caRow->Add(Label(page, "追加の CA 証明書 (PEM)"), 0, center | wxRIGHT, kGap);
  caRow->Add(m_extraCaFile, 1);
  top->Add(caRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);

}

void CEnvDlg::AddNotifyPage(const AppSettings& settings) {
  auto* page = new wxPanel(m_pages);
  auto* column = new wxBoxSizer(wxVERTICAL);
  m_notifyAddresses = new CNotifyAddressPanel(page, settings.m_notifyUrls, settings, m_prompter);
  column->Add(m_notifyAddresses, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);
  auto* feedRow = new wxBoxSizer(wxHORIZONTAL);
  m_feedCopyPath = AddEdit(page, "feedCopyPath", 260);
  m_feedCopyPath->ChangeValue(ToWx(settings.m_feedCopyPath));
  feedRow->Add(Label(page, "更新フィードのコピー"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  feedRow->Add(m_feedCopyPath, 1);
  column->Add(feedRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);
  column->AddSpacer(12);
  page->SetSizer(column);
  m_pages->AddPage(page, ToWx("通知先"));
  Fit();
}

void CEnvDlg::StoreInto(AppSettings& settings) const {
  m_logic.StoreInto(settings);
  settings.m_notifyUrls = m_notifyAddresses->Addresses();
  settings.m_feedCopyPath = FromWx(m_feedCopyPath->GetValue().Strip(wxString::both));
}

bool CEnvDlg::TransferDataToWindow() {
  const EnvDialogValues& values = m_logic.Values();
  m_startResident->SetValue(values.startResident != 0);
  m_resetOnListClose->SetValue(values.resetOnListClose != 0);
  m_desktopNotify->SetValue(values.desktopNotify != 0);
  m_autostart->SetValue(values.autostart != 0);
  m_listDoubleClick->SetSelection(values.listDoubleClick);
  m_historyCount->SetValue(values.historyCount);
  m_checkJobs->SetValue(values.checkJobs);
  m_hostInterval->SetValue(values.hostInterval);
  m_browserJobs->SetValue(values.browserJobs);
  m_fetchTimeLimit->SetValue(values.fetchTimeLimit);
  m_pageSizeLimit->SetValue(values.pageSizeLimitMiB);
  m_mailServer->ChangeValue(ToWx(values.mailServer));
  m_mailPort->ChangeValue(ToWx(values.mailPort));
  m_mailSecurity->SetSelection(values.mailSecurity);
  m_mailAccount->ChangeValue(ToWx(values.mailAccount));
  m_mailUser->ChangeValue(ToWx(values.mailUser));
  m_errorAlertAfter->SetValue(values.errorAlertAfter);
  m_mailPassword->ChangeValue(ToWx(values.mailPassword));
  m_authState->ChangeValue(ToWx(m_logic.AuthWords()));
  m_proxyHost->ChangeValue(ToWx(values.proxyHost));
  m_proxyPort->ChangeValue(ToWx(values.proxyPort));
  m_proxyUser->ChangeValue(ToWx(values.proxyUser));
  m_proxyPassword->ChangeValue(ToWx(values.proxyPassword));
  m_noProxyForLocal->SetValue(values.noProxyForLocal != 0);
  m_extraCaFile->ChangeValue(ToWx(values.extraCaFile));
  return true;
}

void CEnvDlg::ReadControls() {
  EnvDialogValues& values = m_logic.Values();
  values.startResident = m_startResident->GetValue() ? 1 : 0;
  values.resetOnListClose = m_resetOnListClose->GetValue() ? 1 : 0;
  values.desktopNotify = m_desktopNotify->GetValue() ? 1 : 0;
  values.autostart = m_autostart->GetValue() ? 1 : 0;
  values.listDoubleClick = m_listDoubleClick->GetSelection() == 1 ? 1 : 0;
  values.historyCount = m_historyCount->GetValue();
  values.checkJobs = m_checkJobs->GetValue();
  values.hostInterval = m_hostInterval->GetValue();
  values.browserJobs = m_browserJobs->GetValue();
  values.fetchTimeLimit = m_fetchTimeLimit->GetValue();
  values.pageSizeLimitMiB = m_pageSizeLimit->GetValue();
  values.mailServer = FromWx(m_mailServer->GetValue());
  values.mailPort = FromWx(m_mailPort->GetValue());
  values.mailSecurity = m_mailSecurity->GetSelection() < 0 ? 0 : m_mailSecurity->GetSelection();
  values.mailAccount = FromWx(m_mailAccount->GetValue());
  values.mailUser = FromWx(m_mailUser->GetValue());
  values.errorAlertAfter = m_errorAlertAfter->GetValue();
  values.mailPassword = FromWx(m_mailPassword->GetValue());
  values.proxyHost = FromWx(m_proxyHost->GetValue());
  values.proxyPort = FromWx(m_proxyPort->GetValue());
  values.proxyUser = FromWx(m_proxyUser->GetValue());
  values.proxyPassword = FromWx(m_proxyPassword->GetValue());
  values.noProxyForLocal = m_noProxyForLocal->GetValue() ? 1 : 0;
  values.extraCaFile = FromWx(m_extraCaFile->GetValue());
}

bool CEnvDlg::TransferDataFromWindow() {
  ReadControls();
  wxString feedCopy = m_feedCopyPath->GetValue().Strip(wxString::both);
  if (!feedCopy.empty() && !feedCopy.StartsWith(wxASCII_STR("/"))) {
    m_prompter.ShowMessage("更新フィードのコピーには絶対パス (/ で始まるパス) を入力してください。",
                           IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    ShowPageOf(m_feedCopyPath);
    m_feedCopyPath->SetFocus();
    return false;
  }
  std::optional<EnvRefusal> refusal = m_logic.Check();
  if (!refusal) return true;
  m_prompter.ShowMessage(refusal->message, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
  wxTextCtrl* field = refusal->field == EnvRefusal::Field::MailPort      ? m_mailPort
                      : refusal->field == EnvRefusal::Field::ProxyHost   ? m_proxyHost
                      : refusal->field == EnvRefusal::Field::ProxyUser   ? m_proxyUser
                      : refusal->field == EnvRefusal::Field::ExtraCaFile ? m_extraCaFile
                                                                         : m_proxyPort;
  ShowPageOf(field);
  field->SetFocus();
  field->SelectAll();
  return false;
}

void CEnvDlg::ShowPageOf(wxWindow* control) {
  for (std::size_t index = 0; index < m_pages->GetPageCount(); ++index) {
    if (m_pages->GetPage(index)->IsDescendant(control)) m_pages->ChangeSelection(index);
  }
}

void CEnvDlg::TestSend() {
  ReadControls();
  m_logic.TestSend(m_mailHost, m_prompter);
  TransferDataToWindow();
}
