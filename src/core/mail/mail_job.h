// The mail jobs: the notification after a page update (SendNotice) and the two test
// sends, from the update options page (TestFromOptions) and from the environment settings
// dialog (TestFromSettings). A job runs one progress dialog after another, trying POP
// before SMTP when sending directly does not work, and keeps the communication log open
// across the dialogs of one test.
//
// Threads: a job runs on the thread that calls it (the UI thread for the tests, the check
// worker for SendNotice), blocked in each dialog's modal run. Message boxes go to the
// prompter on that thread.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "core/common/prompter.h"
#include "core/mail/mail_message.h"
#include "core/mail/mail_progress_dialog.h"
#include "core/mail/mail_server_info.h"

class CMailJob {
 public:
  // `prompter` may be nullptr for SendNotice, which shows no message box.
  CMailJob(IMailDialogHost& host, IPrompter* prompter);
  ~CMailJob();
  CMailJob(const CMailJob&) = delete;
  CMailJob& operator=(const CMailJob&) = delete;

  // Composes the message (once; a second call reuses the file) and runs the send dialog.
  // Returns the dialog's final text, "メール配送完了" on success.
  // `tls` (when given) receives how the connection went with TLS.
  std::string SendOnce(const CMailServerInfo& settings, CMailMessage& message, bool logWanted,
                       SendMail::TlsUse* tls = nullptr);
  // Runs the mail-check dialog with the settings' POP3 method; 0 when mail is reported
  // waiting ("メールが届いています"), else -1.
  int CheckPop(const CMailServerInfo& settings, bool logWanted);

  // The environment dialog's test: returns the authentication state found. With security
  // None the first send takes STARTTLS when the server offers it; FoundSecurity then
  // says whether that worked.
  std::string TestFromSettings(const CMailServerInfo& settings, CMailMessage& message);
  // The security the last TestFromSettings sent with: StartTls when STARTTLS worked on a
  // test asked to go without it, else the settings' own.
  MailSecurity FoundSecurity() const { return m_foundSecurity; }
  // The options page's test, trying the remembered state; 0 or -1. After a successful
  // POP before SMTP found by a retry, settings.m_strAuthState holds the new state.
  int TestFromOptions(CMailServerInfo& settings, CMailMessage& message);
  // The notification after an update, without log and message boxes; 0 or -1.
  int SendNotice(CMailServerInfo& settings, CMailMessage& message);

  void CloseLog();
  // Every exchange of the job from now on ends at once when `cancel` is cancelled.
  void SetCancelSignal(std::shared_ptr<platform::CCancelSignal> cancel) {
    m_cancel = std::move(cancel);
  }
  // Called with every status text a dialog shows from a report (the CLI prints them).
  void SetTextListener(std::function<void(const std::string&)> listener) {
    m_listener = std::move(listener);
  }

 private:
  // APOP, then (on `retry`) USER/PASS: the method that let us in, or empty.
  std::string LoginBeforeSmtp(const CMailServerInfo& settings, bool logWanted, bool retry);
  int CheckWith(const CMailServerInfo& settings, bool logWanted, const char* method);
  // The first send of TestFromSettings, trying STARTTLS where the settings ask for none.
  std::string FirstTestSend(const CMailServerInfo& settings, CMailMessage& message);
  void Show(const std::string& text);
  void RunDialog(CMailProgressDialog& dialog, bool logWanted);

  IMailDialogHost& m_host;
  IPrompter* m_prompter;
  FILE* m_pLogFile = nullptr;
  std::function<void(const std::string&)> m_listener;
  std::shared_ptr<platform::CCancelSignal> m_cancel;
  MailSecurity m_foundSecurity = MailSecurity::None;
};
