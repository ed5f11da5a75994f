// The environment settings dialog "環境設定": start-up and watch list behaviour, the mail
// server with its "テスト送信", and the global proxy. The rules are CEnvSettings'; this
// class draws its values and reads them back. OK keeps the dialog open with a message when
// a value cannot be taken; Cancel drops everything, a test's result included.
//
// Threads: UI thread only. Ownership: the prompter (message boxes) and the mail dialog
// host (the test's progress dialogs) outlive the dialog.
#pragma once

#include <string>
#include <wx/dialog.h>

#include "core/app/env_settings.h"

class IMailDialogHost;
class IPrompter;
class wxCheckBox;
class wxChoice;
class wxRadioBox;
class wxSpinCtrl;
class wxTextCtrl;

class CEnvDlg : public wxDialog {
 public:
  CEnvDlg(wxWindow* parent, const AppSettings& settings, IPrompter& prompter,
          IMailDialogHost& mailHost);

  // After ShowModal ended with wxID_OK: the values into `settings`.
  void StoreInto(AppSettings& settings) const { m_logic.StoreInto(settings); }

  // The controls' values into the logic; false, with the message shown and the control
  // focused, when one cannot be taken (OK then keeps the dialog open).
  bool TransferDataFromWindow() override;
  bool TransferDataToWindow() override;
  // "テスト送信".
  void TestSend();

  // Tests: called with each dialog once it runs modally.
  static void SetShownHook(void (*shown)(CEnvDlg& dialog));

 private:
  void CreateControls();
  void ReadControls();
  wxTextCtrl* AddEdit(wxWindow* parent, const char* name, int width, long style = 0);

  CEnvSettings m_logic;
  IPrompter& m_prompter;
  IMailDialogHost& m_mailHost;
  wxCheckBox* m_startResident = nullptr;
  wxCheckBox* m_resetOnListClose = nullptr;
  wxCheckBox* m_desktopNotify = nullptr;
  wxCheckBox* m_autostart = nullptr;
  wxRadioBox* m_listDoubleClick = nullptr;
  wxSpinCtrl* m_historyCount = nullptr;
  wxSpinCtrl* m_checkJobs = nullptr;
  wxSpinCtrl* m_hostInterval = nullptr;
  wxSpinCtrl* m_browserJobs = nullptr;
  wxSpinCtrl* m_fetchTimeLimit = nullptr;
  wxSpinCtrl* m_pageSizeLimit = nullptr;
  wxTextCtrl* m_mailServer = nullptr;
  wxTextCtrl* m_mailPort = nullptr;
  wxChoice* m_mailSecurity = nullptr;
  wxTextCtrl* m_mailAccount = nullptr;
  wxTextCtrl* m_mailUser = nullptr;
  wxSpinCtrl* m_errorAlertAfter = nullptr;
  wxTextCtrl* m_mailPassword = nullptr;
  wxTextCtrl* m_authState = nullptr;
  wxTextCtrl* m_proxyHost = nullptr;
  wxTextCtrl* m_proxyPort = nullptr;
  wxTextCtrl* m_proxyUser = nullptr;
  wxTextCtrl* m_proxyPassword = nullptr;
  wxCheckBox* m_noProxyForLocal = nullptr;
  wxTextCtrl* m_extraCaFile = nullptr;
};
