// The environment settings dialog "環境設定", one tab for each kind of setting: start-up and
// watch list behaviour, the mail server with its "テスト送信", the global proxy with the
// extra CA certificate, and the limits of the checks. The rules are CEnvSettings'; this
// class draws its values and reads them back. OK keeps the dialog open with a message when
// a value cannot be taken; Cancel drops everything, a test's result included.
//
// Threads: UI thread only. Ownership: the prompter (message boxes) and the mail dialog
// host (the test's progress dialogs) outlive the dialog.
#pragma once

#include <string>
#include <wx/dialog.h>

#include "core/app/env_settings.h"

class CNotifyAddressPanel;
class IMailDialogHost;
class IPrompter;
class wxBoxSizer;
class wxCheckBox;
class wxChoice;
class wxNotebook;
class wxRadioBox;
class wxSpinCtrl;
class wxTextCtrl;

class CEnvDlg : public wxDialog {
 public:
  CEnvDlg(wxWindow* parent, const AppSettings& settings, IPrompter& prompter,
          IMailDialogHost& mailHost);

  // After ShowModal ended with wxID_OK: the values into `settings`.
  void StoreInto(AppSettings& settings) const;

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
  // A tab captioned `caption` whose controls `create` puts into the page's column.
  void AddPage(const char* caption, void (CEnvDlg::*create)(wxWindow* page, wxBoxSizer* column));
  void CreateGeneralPage(wxWindow* page, wxBoxSizer* column);
  void CreateMailPage(wxWindow* page, wxBoxSizer* column);
  void CreateConnectionPage(wxWindow* page, wxBoxSizer* column);
  void CreateLimitsPage(wxWindow* page, wxBoxSizer* column);
  // "通知先": the notification addresses and the path of the feed's copy, on a tab of their own.
  void AddNotifyPage(const AppSettings& settings);
  // Brings the tab holding `control` to the front.
  void ShowPageOf(wxWindow* control);
  void ReadControls();
  wxTextCtrl* AddEdit(wxWindow* parent, const char* name, int width, long style = 0);

  CEnvSettings m_logic;
  IPrompter& m_prompter;
  IMailDialogHost& m_mailHost;
  wxNotebook* m_pages = nullptr;
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
  CNotifyAddressPanel* m_notifyAddresses = nullptr;
  wxTextCtrl* m_feedCopyPath = nullptr;
};
