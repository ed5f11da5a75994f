#include "gui/ui/sheet/update_options_page.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "core/common/app_settings.h"
#include "gui/notify_address_panel.h"
#include "gui/ui/sheet/sheet_layout.h"
#include "gui/wx_text.h"
#include "platform/sound_player.h"

namespace {

wxChoice* MakeChoice(wxWindow* parent, std::initializer_list<const char*> names) {
  auto* choice = new wxChoice(parent, wxID_ANY);
  for (const char* name : names) choice->Append(ToWx(name));
  return choice;
}

// The download list holds the modes in the order of their numbers.
int ChoiceOf(DownloadMode mode) { return StoredNumber(mode); }
DownloadMode ModeAt(int choice) { return FromStoredNumber<DownloadMode>(choice); }

wxButton* Button(wxWindow* parent, const char* text) {
  return new wxButton(parent, wxID_ANY, ToWx(text));
}

// A row of a field growing sideways and the buttons after it.
wxSizer* FieldRow(wxWindow* field, std::initializer_list<wxWindow*> buttons) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(field, 1, wxALIGN_CENTER_VERTICAL);
  for (wxWindow* button : buttons) row->Add(button, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kGap);
  return row;
}

}  // namespace

CRNOption::CRNOption(wxWindow* book, const SheetServices& services)
    : CSheetPage(book, services) {
  auto* grid = new wxFlexGridSizer(2, kGap, kGap);
  grid->AddGrowableCol(1);

  m_download = MakeChoice(this, {"ダウンロードしない", "重ね書き", "新しいファイル"});
  grid->Add(Label(this, "ダウンロード"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(m_download, 0);
  m_saveFile = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition,
                              wxSize(FromDIP(280), -1));
  auto* saveBrowse = Button(this, "参照");
  grid->Add(Label(this, "保存するファイル"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(FieldRow(m_saveFile, {saveBrowse}), 1, wxEXPAND);

  m_showPage = new wxCheckBox(this, wxID_ANY, ToWx("ブラウザで表示"));
  m_popUp = new wxCheckBox(this, wxID_ANY, ToWx("Pagewardenをポップアップ"));
  grid->AddSpacer(0);
  auto* checks = new wxBoxSizer(wxHORIZONTAL);
  checks->Add(m_showPage, 0, wxRIGHT, kBorder);
  checks->Add(m_popUp);
  grid->Add(checks);

  m_sound = MakeChoice(this, {"鳴らさない", "標準音", "ファイル指定"});
  grid->Add(Label(this, "音で知らせる"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(m_sound, 0);
  m_soundFile = new wxTextCtrl(this, wxID_ANY);
  m_soundBrowse = Button(this, "参照");
  m_preview = Button(this, "試聴");
  auto* stop = Button(this, "停止");
  grid->AddSpacer(0);
  grid->Add(FieldRow(m_soundFile, {m_soundBrowse, m_preview, stop}), 1, wxEXPAND);

  m_mail = new wxCheckBox(this, wxID_ANY, ToWx("メールで知らせる"));
  grid->Add(m_mail, 0, wxALIGN_CENTER_VERTICAL);
  grid->AddSpacer(0);
  m_mailTo = new wxTextCtrl(this, wxID_ANY);
  m_testSend = Button(this, "テスト送信");
  grid->Add(Label(this, "宛先アドレス"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kBorder);
  grid->Add(FieldRow(m_mailTo, {m_testSend}), 1, wxEXPAND);
  m_subject = new wxTextCtrl(this, wxID_ANY);
  grid->Add(Label(this, "題名"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kBorder);
  grid->Add(m_subject, 1, wxEXPAND);
  m_body = new wxTextCtrl(this, wxID_ANY);
  grid->Add(Label(this, "本文"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kBorder);
  grid->Add(m_body, 1, wxEXPAND);

  // The notification addresses: the item's own, else those of the environment settings.
  m_notify = new wxCheckBox(this, wxID_ANY, ToWx("通知先に送る"));
  grid->Add(m_notify, 0, wxALIGN_CENTER_VERTICAL);
  grid->AddSpacer(0);
  m_notifyAddresses = new CNotifyAddressPanel(this, {}, services.settings, services.prompter,
                                              "このアイテムの通知先 (空: 環境設定の通知先)");
  grid->AddSpacer(0);
  grid->Add(m_notifyAddresses, 1, wxEXPAND);

  m_exec = new wxTextCtrl(this, wxID_ANY);
  auto* execBrowse = Button(this, "参照");
  grid->Add(Label(this, "URL・ファイルを指定して実行"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(FieldRow(m_exec, {execBrowse}), 1, wxEXPAND);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxEXPAND | wxALL, kBorder);
  SetSizer(top);

  m_sound->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { SoundChosen(); });
  m_mail->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
    m_form.ToggleMail();
    m_mail->SetValue(m_form.Values().mail);
    ApplyEnabling();
  });
  m_notify->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
    m_form.ToggleNotify();
    m_notify->SetValue(m_form.Values().notify);
    ApplyEnabling();
  });
  saveBrowse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    Browse(m_saveFile, kSaveFileTitle, kAllFilesFilter);
  });
  m_soundBrowse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    Browse(m_soundFile, kSoundFileTitle, kSoundFileFilter);
  });
  execBrowse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    Browse(m_exec, kExecFileTitle, kAllFilesFilter);
  });
  m_preview->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Preview(); });
  stop->Bind(wxEVT_BUTTON, [](wxCommandEvent&) { platform::SoundPlayer().Stop(); });
  m_testSend->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { TestSend(); });
}

void CRNOption::OnLoad(WatchItem& item) { m_form.SetItem(item); }

void CRNOption::OnFirstActivation(WatchItem& item) {
  m_form.Load(item);
  const CUpdateOptionsForm::Fields& fields = m_form.Values();
  m_download->SetSelection(ChoiceOf(fields.download));
  m_saveFile->ChangeValue(ToWx(fields.saveFile));
  m_showPage->SetValue(fields.showPage);
  m_popUp->SetValue(fields.popUp);
  m_sound->SetSelection(fields.sound);
  m_exec->ChangeValue(ToWx(fields.exec));
  m_soundFile->ChangeValue(ToWx(fields.soundFile));
  m_mail->SetValue(fields.mail);
  m_mailTo->ChangeValue(ToWx(fields.mailTo));
  m_subject->ChangeValue(ToWx(fields.subject));
  m_body->ChangeValue(ToWx(fields.body));
  m_notify->SetValue(fields.notify);
  m_notifyAddresses->SetAddresses(fields.notifyUrls);
  ApplyEnabling();
}

void CRNOption::ApplyEnabling() {
  CUpdateOptionsForm::Enabling enabled = m_form.Enabled();
  m_soundFile->Enable(enabled.soundFile);
  m_soundBrowse->Enable(enabled.soundBrowse);
  m_preview->Enable(enabled.preview);
  for (wxWindow* control : {static_cast<wxWindow*>(m_mailTo), static_cast<wxWindow*>(m_subject),
                            static_cast<wxWindow*>(m_body), static_cast<wxWindow*>(m_testSend)}) {
    control->Enable(enabled.mailFields);
  }
  m_notifyAddresses->Enable(enabled.notifyAddresses);
}

void CRNOption::ReadFields() {
  CUpdateOptionsForm::Fields& fields = m_form.Values();
  // A list with nothing chosen (a value the lists do not offer) keeps the item's value.
  if (m_download->GetSelection() != wxNOT_FOUND) {
    fields.download = ModeAt(m_download->GetSelection());
  }
  if (m_sound->GetSelection() != wxNOT_FOUND) fields.sound = m_sound->GetSelection();
  fields.saveFile = FromWx(m_saveFile->GetValue());
  fields.showPage = m_showPage->GetValue();
  fields.popUp = m_popUp->GetValue();
  fields.soundFile = FromWx(m_soundFile->GetValue());
  fields.mailTo = FromWx(m_mailTo->GetValue());
  fields.subject = FromWx(m_subject->GetValue());
  fields.body = FromWx(m_body->GetValue());
  fields.exec = FromWx(m_exec->GetValue());
  fields.notifyUrls = m_notifyAddresses->Addresses();
}

void CRNOption::SoundChosen() {
  ReadFields();
  m_form.ChooseSound(m_sound->GetSelection());
  m_soundFile->ChangeValue(ToWx(m_form.Values().soundFile));
  ApplyEnabling();
}

void CRNOption::Browse(wxTextCtrl* field, const char* title, const char* filter) {
  // The download file may be one that does not exist yet.
  long style = field == m_saveFile ? wxFD_SAVE : wxFD_OPEN | wxFD_FILE_MUST_EXIST;
  wxFileDialog dialog(this, ToWx(title), wxString(), wxString(),
                      ToWx(FilterToWildcard(filter)), style);
  if (!field->IsEmpty()) dialog.SetPath(field->GetValue());
  if (dialog.ShowModal() == wxID_OK) field->ChangeValue(dialog.GetPath());
}

void CRNOption::Preview() {
  ReadFields();
  platform::SoundPlayer().Play(m_form.SoundToPlay());
}

void CRNOption::TestSend() {
  ReadFields();
  m_form.TestSend(m_services.settings, m_services.mailHost, m_services.prompter);
}

void CRNOption::OnOK(WatchItem& item) {
  ReadFields();
  m_form.Store(item);
}
