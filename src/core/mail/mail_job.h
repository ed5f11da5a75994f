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

inline constexpr const char* kNoMailServer = "メールサーバーが設定されていません。";
inline constexpr const char* kNotDelivered = "メールが配送できませんでした。";
inline constexpr const char* kStartTlsFailedPlain =
    "サーバーはSTARTTLSに対応していますが、暗号化できませんでした。"
    "パスワードは暗号化せずには送りません。";

class CMailJob {
 public:
  // `prompter` may be nullptr for SendNotice, which shows no message box.
  CMailJob(IMailDialogHost& host, IPrompter* prompter);
  ~CMailJob();
  CMailJob(const CMailJob&) = delete;
  CMailJob& operator=(const CMailJob&) = delete;

  // Composes the message (once; a second call reuses the file) and runs the send dialog.
  // Returns the dialog's final text, "メール配送完了" on success; with no server set,
  // kNoMailServer and no dialog. `tls` (when given) receives how the connection went.
  std::string SendOnce(const CMailServerInfo& settings, CMailMessage& message, bool logWanted,
                       SendMail::TlsUse* tls = nullptr);
  // Runs the mail-check dialog with the settings' POP3 method; 0 when mail is reported
  // waiting ("メールが届いています"), else -1.
  int CheckPop(const CMailServerInfo& settings, bool logWanted);

  // The environment dialog's test: returns the authentication state found. With security
  // None the first send takes STARTTLS when the server offers it; FoundSecurity then
  // says whether that worked. With no user name set, settings.m_strAccount ends as the
  // login that worked (LoginForm).
  std::string TestFromSettings(CMailServerInfo& settings, CMailMessage& message);
  // The security the last TestFromSettings (or a SendNotice that found the way) sent
  // with: StartTls when STARTTLS worked on a send asked to go without it, else the
  // settings' own.
  MailSecurity FoundSecurity() const { return m_foundSecurity; }
  // The options page's test, trying the remembered state; 0 or -1. After a successful
  // POP before SMTP found by a retry, settings.m_strAuthState holds the new state.
  int TestFromOptions(CMailServerInfo& settings, CMailMessage& message);
  // The notification after an update, without log and message boxes; 0 or -1. With the
  // state "不明" it finds the way as the environment test does; settings then holds the
  // state, and the login that worked (the caller's copy: the caller keeps them).
  int SendNotice(CMailServerInfo& settings, CMailMessage& message);

  // Why the last test or notice failed, in words (what the test showed).
  const std::string& FailureText() const { return m_failureText; }
  // How far the last conversation came when it failed.
  MailFailure LastFailure() const { return m_lastFailure; }
  // The last failure of a test or notice: the server refused a login, so a password was sent.
  bool PasswordRefused() const { return m_passwordRefused; }
  // STARTTLS was offered with no encryption chosen and failed: the send stopped there.
  bool PlainRefused() const { return m_plainRefused; }

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
  // The state the settings allow (the test's way), or "不明" with m_failureText.
  std::string FindWay(CMailServerInfo& settings, CMailMessage& message, bool logWanted);
  // The first send of FindWay, trying STARTTLS where the settings ask for none.
  std::string FirstSend(CMailServerInfo& settings, CMailMessage& message, bool logWanted);
  // Runs `attempt` with the settings' login, and with the alternate one when the server
  // refused it; the login that worked stays in the settings.
  bool WithLogins(CMailServerInfo& settings,
                  const std::function<bool(const CMailServerInfo&)>& attempt);
  std::string SendWithLogins(CMailServerInfo& settings, CMailMessage& message, bool logWanted,
                             SendMail::TlsUse* tls = nullptr);
  // APOP, then (on `retry`) USER/PASS: the method that let us in, or empty.
  std::string LoginBeforeSmtp(CMailServerInfo& settings, bool logWanted, bool retry);
  int CheckWith(CMailServerInfo& settings, bool logWanted, const char* method);
  // Whether POP before SMTP may help after the last send failed: the server was reached
  // and refused; never after a failed TLS, where it would send the password in plain text.
  bool PopMayHelp() const;
  void Show(const std::string& text);
  void RunDialog(CMailProgressDialog& dialog, bool logWanted);
  void NoteFailure();

  IMailDialogHost& m_host;
  IPrompter* m_prompter;
  FILE* m_pLogFile = nullptr;
  std::function<void(const std::string&)> m_listener;
  std::shared_ptr<platform::CCancelSignal> m_cancel;
  MailSecurity m_foundSecurity = MailSecurity::None;
  std::string m_lastResult;
  MailFailure m_lastFailure = MailFailure::None;
  std::string m_failureText;
  bool m_passwordRefused = false;
  bool m_plainRefused = false;
};
