#include "core/mail/mail_job.h"

#include "core/mail/smtp.h"

namespace {

const char kMailArrived[] = "メールが届いています";
const char kNotSent[] = "メールが送れませんでした。";
const char kPasswordNeeded[] = "（パスワードが必要かもしれません。）";
const char kLoginMayBeWrong[] = "（ユーザー名かパスワードが誤っているかもしれません。）";
const char kBadAddress[] = "メールアドレスが不正です。";

bool IsDirectState(const std::string& state) { return state == kAuthSmtp || state == kAuthNone; }

bool IsBeforeSmtpState(const std::string& state) {
  return state.find(kBeforeSmtpSuffix) != std::string::npos;
}

// The message file of a job is gone when the job ends, however it ended: the SMTP client
// deletes it once sent, this deletes what a failed send left.
class CMessageFileGuard {
 public:
  explicit CMessageFileGuard(CMailMessage& message) : m_message(message) {}
  ~CMessageFileGuard() { m_message.RemoveFile(); }
  CMessageFileGuard(const CMessageFileGuard&) = delete;
  CMessageFileGuard& operator=(const CMessageFileGuard&) = delete;

 private:
  CMailMessage& m_message;
};

}  // namespace

CMailJob::CMailJob(IMailDialogHost& host, IPrompter* prompter)
    : m_host(host), m_prompter(prompter) {}

CMailJob::~CMailJob() { CloseLog(); }

void CMailJob::CloseLog() {
  if (m_pLogFile) fclose(m_pLogFile);
  m_pLogFile = nullptr;
}

void CMailJob::Show(const std::string& text) {
  if (!m_prompter) return;
  bool success = text == kMailDelivered;
  m_prompter->ShowMessage(text, IPrompter::Buttons::Ok,
                          success ? IPrompter::Icon::Information : IPrompter::Icon::Warning);
}

void CMailJob::RunDialog(CMailProgressDialog& dialog, bool logWanted) {
  dialog.SetTextListener(m_listener);
  dialog.SetCancelSignal(m_cancel);
  m_host.RunModal(dialog);
  dialog.Join();
  // The next dialog of the job appends to the log this one opened.
  if (logWanted && !m_pLogFile) m_pLogFile = dialog.LogFile();
  m_lastResult = dialog.Result();
  m_lastFailure = dialog.Failure();
}

void CMailJob::NoteFailure() {
  if (m_lastFailure == MailFailure::Login) m_passwordRefused = true;
}

std::string CMailJob::SendOnce(const CMailServerInfo& settings, CMailMessage& message,
                               bool logWanted, SendMail::TlsUse* tls) {
  if (settings.m_strSmtpServer.empty()) {
    m_lastResult = kNoMailServer;
    m_lastFailure = MailFailure::Connection;
    return m_lastResult;
  }
  // A retry after POP before SMTP sends the file of the first compose: Compose refuses
  // to run twice, and its result is not needed here.
  message.Compose();
  CMailProgressDialog dialog(CMailProgressDialog::Kind::Send, settings, &message, logWanted,
                             logWanted ? m_pLogFile : nullptr);
  RunDialog(dialog, logWanted);
  NoteFailure();
  if (tls) *tls = dialog.Tls();
  return dialog.Result();
}

int CMailJob::CheckPop(const CMailServerInfo& settings, bool logWanted) {
  if (settings.PopHost().empty()) {
    m_lastResult = kNoMailServer;
    m_lastFailure = MailFailure::Connection;
    return -1;
  }
  CMailProgressDialog dialog(CMailProgressDialog::Kind::Check, settings, nullptr, logWanted,
                             logWanted ? m_pLogFile : nullptr);
  RunDialog(dialog, logWanted);
  NoteFailure();
  return dialog.Result().find(kMailArrived) != std::string::npos ? 0 : -1;
}

bool CMailJob::WithLogins(CMailServerInfo& settings,
                          const std::function<bool(const CMailServerInfo&)>& attempt) {
  // Without a password no login is sent, so nothing is found out about it.
  const bool loginUsed = !settings.m_strPassword.empty();
  if (attempt(settings)) {
    if (loginUsed) settings.m_alternateAccount.clear();
    return true;
  }
  if (m_lastFailure != MailFailure::Login || settings.m_alternateAccount.empty()) return false;
  CMailServerInfo other = settings;
  other.m_strAccount = settings.m_alternateAccount;
  other.m_alternateAccount.clear();
  if (!attempt(other)) return false;
  settings.m_strAccount = other.m_strAccount;
  settings.m_alternateAccount.clear();
  return true;
}

std::string CMailJob::SendWithLogins(CMailServerInfo& settings, CMailMessage& message,
                                     bool logWanted, SendMail::TlsUse* tls) {
  std::string result;
  WithLogins(settings, [&](const CMailServerInfo& each) {
    result = SendOnce(each, message, logWanted, tls);
    return result == kMailDelivered;
  });
  return result;
}

int CMailJob::CheckWith(CMailServerInfo& settings, bool logWanted, const char* method) {
  bool arrived = WithLogins(settings, [&](const CMailServerInfo& each) {
    CMailServerInfo copy = each;
    copy.m_strPopMethod = method;
    return CheckPop(copy, logWanted) == 0;
  });
  return arrived ? 0 : -1;
}

std::string CMailJob::LoginBeforeSmtp(CMailServerInfo& settings, bool logWanted, bool retry) {
  if (CheckWith(settings, logWanted, "APOP") == 0) return "APOP";
  if (retry && CheckWith(settings, logWanted, "POP3") == 0) return "POP3";
  return {};
}

bool CMailJob::PopMayHelp() const {
  return m_lastFailure == MailFailure::Login || m_lastFailure == MailFailure::Refused;
}

std::string CMailJob::FirstSend(CMailServerInfo& settings, CMailMessage& message,
                                bool logWanted) {
  m_foundSecurity = settings.m_security;
  if (settings.m_security != MailSecurity::None) {
    return SendWithLogins(settings, message, logWanted);
  }
  CMailServerInfo probing = settings;
  probing.m_tryStartTls = true;
  SendMail::TlsUse tls = SendMail::TlsUse::Plain;
  std::string result = SendWithLogins(probing, message, logWanted, &tls);
  settings.m_strAccount = probing.m_strAccount;
  settings.m_alternateAccount = probing.m_alternateAccount;
  if (tls == SendMail::TlsUse::Secured && result == kMailDelivered) {
    m_foundSecurity = MailSecurity::StartTls;
  }
  if (tls != SendMail::TlsUse::Failed) return result;
  // Offered but not working (the log tells why): without a password nothing secret goes
  // over the plain connection; with one, the server is not used without TLS at all.
  if (settings.m_strPassword.empty()) return SendOnce(settings, message, logWanted);
  m_plainRefused = true;
  return result;
}

std::string CMailJob::FindWay(CMailServerInfo& settings, CMailMessage& message,
                              bool logWanted) {
  m_plainRefused = false;
  m_passwordRefused = false;
  m_failureText.clear();
  const std::string result = FirstSend(settings, message, logWanted);
  if (result == kMailDelivered) {
    return settings.m_strPassword.empty() ? kAuthNone : kAuthSmtp;
  }
  const std::string sent = std::string(kNotDelivered) + "\n" + result;
  if (m_plainRefused) {
    m_failureText = std::string(kStartTlsFailedPlain) + "\n" + result;
    return kAuthUnknown;
  }
  if (!PopMayHelp()) {
    m_failureText = sent;
    return kAuthUnknown;
  }
  if (settings.m_strPassword.empty()) {
    m_failureText = sent + "\n" + kPasswordNeeded;
    return kAuthUnknown;
  }
  if (!HasAtAfterFirst(settings.m_strAddress)) {
    m_failureText = kBadAddress;
    return kAuthUnknown;
  }
  std::string method = LoginBeforeSmtp(settings, logWanted, true);
  if (method.empty()) {
    m_failureText = sent + "\nPOP before SMTP: " + m_lastResult;
    if (m_passwordRefused) m_failureText += std::string("\n") + kLoginMayBeWrong;
    return kAuthUnknown;
  }
  std::string second = SendOnce(settings, message, logWanted);
  if (second == kMailDelivered) return method + kBeforeSmtpSuffix;
  m_failureText = second;
  return kAuthUnknown;
}

int CMailJob::SendNotice(CMailServerInfo& settings, CMailMessage& message) {
  CMessageFileGuard removeFile(message);
  const std::string state = settings.m_strAuthState;
  if (!IsDirectState(state) && !IsBeforeSmtpState(state)) {
    // No test has found the way yet: the first notice finds it the same way.
    std::string found = FindWay(settings, message, false);
    if (found == kAuthUnknown) return -1;
    settings.m_strAuthState = found;
    return 0;
  }
  bool retry = false;
  if (IsDirectState(state)) {
    if (SendWithLogins(settings, message, false) == kMailDelivered) return 0;
    retry = !settings.m_strPassword.empty() && PopMayHelp();
    if (!retry) return -1;
  }
  if (!HasAtAfterFirst(settings.m_strAddress)) return -1;
  std::string method;
  if (state.rfind("APOP", 0) == 0 || retry) {
    method = LoginBeforeSmtp(settings, false, retry);
    if (method.empty()) return -1;
  } else if (CheckWith(settings, false, "POP3") != 0) {
    return -1;
  }
  if (SendOnce(settings, message, false) != kMailDelivered) return -1;
  if (retry) settings.m_strAuthState = method + kBeforeSmtpSuffix;
  return 0;
}

int CMailJob::TestFromOptions(CMailServerInfo& settings, CMailMessage& message) {
  CMessageFileGuard removeFile(message);
  const std::string state = settings.m_strAuthState;
  auto fail = [this] {
    Show(std::string(kNotSent) + "\n" + m_lastResult);
    CloseLog();
    return -1;
  };
  bool retry = false;
  if (IsDirectState(state)) {
    std::string result = SendWithLogins(settings, message, true);
    CloseLog();
    if (result == kMailDelivered) {
      Show(result);
      return 0;
    }
    if (settings.m_strPassword.empty() || !PopMayHelp()) return fail();
    retry = true;
  }
  if (!IsBeforeSmtpState(state) && !retry) {
    Show("「環境設定」でメールサーバーの設定をしてください。");
    return 0;
  }
  if (!HasAtAfterFirst(settings.m_strAddress)) return fail();
  std::string method;
  if (state.rfind("APOP", 0) == 0 || retry) {
    method = LoginBeforeSmtp(settings, true, retry);
    if (method.empty()) return fail();
  } else if (CheckWith(settings, true, "POP3") != 0) {
    return fail();
  }
  std::string result = SendOnce(settings, message, true);
  CloseLog();
  if (result != kMailDelivered) return fail();
  Show(result);
  if (retry) settings.m_strAuthState = method + kBeforeSmtpSuffix;
  return 0;
}

std::string CMailJob::TestFromSettings(CMailServerInfo& settings, CMailMessage& message) {
  CMessageFileGuard removeFile(message);
  std::string state = FindWay(settings, message, true);
  CloseLog();
  Show(state == kAuthUnknown ? m_failureText : std::string(kMailDelivered));
  return state;
}
