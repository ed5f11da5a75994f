// "更新時オプション": what happens when a check finds the page updated: downloading it,
// showing it, popping the program up, a sound (with "試聴" and "停止"), a notification
// mail (with "テスト送信") and a file or URL to run. Nothing reaches the item before OK.
#pragma once

#include "core/ui/update_options_form.h"
#include "gui/ui/sheet/sheet_page.h"

class CNotifyAddressPanel;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxTextCtrl;

class CRNOption : public CSheetPage {
 public:
  CRNOption(wxWindow* book, const SheetServices& services);

  void OnOK(WatchItem& item) override;

  CUpdateOptionsForm& Form() { return m_form; }
  wxChoice* SoundChoice() const { return m_sound; }
  wxTextCtrl* SoundField() const { return m_soundFile; }
  wxCheckBox* MailBox() const { return m_mail; }
  wxCheckBox* NotifyBox() const { return m_notify; }
  CNotifyAddressPanel* NotifyAddresses() const { return m_notifyAddresses; }
  void SoundChosen();

 private:
  void OnLoad(WatchItem& item) override;
  void OnFirstActivation(WatchItem& item) override;
  void ApplyEnabling();
  void ReadFields();
  void Browse(wxTextCtrl* field, const char* title, const char* filter);
  void Preview();
  void TestSend();

  CUpdateOptionsForm m_form;
  wxChoice* m_download = nullptr;
  wxTextCtrl* m_saveFile = nullptr;
  wxCheckBox* m_showPage = nullptr;
  wxCheckBox* m_popUp = nullptr;
  wxChoice* m_sound = nullptr;
  wxTextCtrl* m_soundFile = nullptr;
  wxButton* m_soundBrowse = nullptr;
  wxButton* m_preview = nullptr;
  wxCheckBox* m_mail = nullptr;
  wxTextCtrl* m_mailTo = nullptr;
  wxButton* m_testSend = nullptr;
  wxTextCtrl* m_subject = nullptr;
  wxTextCtrl* m_body = nullptr;
  wxTextCtrl* m_exec = nullptr;
  wxCheckBox* m_notify = nullptr;
  CNotifyAddressPanel* m_notifyAddresses = nullptr;
};
