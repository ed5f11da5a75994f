#include "core/mail/mail_job.h"

#include "core/mail/smtp.h"

namespace {

const char kMailArrived[] = "メールが届いています";
const char kNotSent[] = "メールが送れませんでした。";

bool IsDirectState(const std::string& state) { return state == kAuthSmtp || state == kAuthNone; }

bool IsBeforeSmtpState(const std::string& state) {
  return state.find(kBeforeSmtpSuffix) != std::string::npos;
}

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
}

std::string CMailJob::SendOnce(const CMailServerInfo& settings, CMailMessage& message,
                               bool logWanted, SendMail::TlsUse* tls) {
  // A retry after POP before SMTP sends the file of the first compose: Compose refuses
  // to run twice, and its result is not needed here.
  message.Compose();
  CMailProgressDialog dialog(CMailProgressDialog::Kind::Send, settings, &message, logWanted,
                             logWanted ? m_pLogFile : nullptr);
  RunDialog(dialog, logWanted);
  if (tls) *tls = dialog.Tls();
  return dialog.Result();
}

int CMailJob::CheckPop(const CMailServerInfo& settings, bool logWanted) {
  CMailProgressDialog dialog(CMailProgressDialog::Kind::Check, settings, nullptr, logWanted,
                             logWanted ? m_pLogFile : nullptr);
  RunDialog(dialog, logWanted);
  return dialog.Result().find(kMailArrived) != std::string::npos ? 0 : -1;
}

int CMailJob::CheckWith(const CMailServerInfo& settings, bool logWanted, const char* method) {
  CMailServerInfo copy = settings;
  copy.m_strPopMethod = method;
  return CheckPop(copy, logWanted);
}

std::string CMailJob::LoginBeforeSmtp(const CMailServerInfo& settings, bool logWanted,
                                      bool retry) {
  if (CheckWith(settings, logWanted, "APOP") == 0) return "APOP";
  if (retry && CheckWith(settings, logWanted, "POP3") == 0) return "POP3";
  return {};
}

int CMailJob::SendNotice(CMailServerInfo& settings, CMailMessage& message) {
  const std::string state = settings.m_strAuthState;
  bool retry = false;
  if (IsDirectState(state)) {
    if (SendOnce(settings, message, false) == kMailDelivered) return 0;
    retry = !settings.m_strPassword.empty();
  }
  if ((!IsBeforeSmtpState(state) && !retry) || !HasAtAfterFirst(settings.m_strAddress)) return -1;
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
  const std::string state = settings.m_strAuthState;
  bool retry = false;
  if (IsDirectState(state)) {
    std::string result = SendOnce(settings, message, true);
    CloseLog();
    if (result == kMailDelivered) {
      Show(result);
      return 0;
    }
    if (settings.m_strPassword.empty()) {
      Show(kNotSent);
      return -1;
    }
    retry = true;
  }
  if (!IsBeforeSmtpState(state) && !retry) {
    Show("「環境設定」でメールサーバーの設定をしてください。");
    return 0;
  }
  auto fail = [this] {
    Show(kNotSent);
    CloseLog();
    return -1;
  };
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
  if (result != kMailDelivered) {
    Show(kNotSent);
    return -1;
  }
  Show(result);
  if (retry) settings.m_strAuthState = method + kBeforeSmtpSuffix;
  return 0;
}

std::string CMailJob::FirstTestSend(const CMailServerInfo& settings, CMailMessage& message) {
  m_foundSecurity = settings.m_security;
  if (settings.m_security != MailSecurity::None) return SendOnce(settings, message, true);
  CMailServerInfo probing = settings;
  probing.m_tryStartTls = true;
  SendMail::TlsUse tls = SendMail::TlsUse::Plain;
  std::string result = SendOnce(probing, message, true, &tls);
  if (tls == SendMail::TlsUse::Secured && result == kMailDelivered) {
    m_foundSecurity = MailSecurity::StartTls;
  }
  // Offered but not working (the log tells why): the user asked for none, so the test
  // goes on without.
  if (tls == SendMail::TlsUse::Failed) result = SendOnce(settings, message, true);
  return result;
}

std::string CMailJob::TestFromSettings(const CMailServerInfo& settings, CMailMessage& message) {
  std::string result = FirstTestSend(settings, message);
  if (result == kMailDelivered) {
    Show(result);
    CloseLog();
    return settings.m_strPassword.empty() ? kAuthNone : kAuthSmtp;
  }
  if (settings.m_strPassword.empty()) {
    Show("メールが配送できませんでした。\n（パスワードが必要かもしれません。）");
    CloseLog();
    return kAuthUnknown;
  }
  if (!HasAtAfterFirst(settings.m_strAddress)) {
    Show("メールアドレスが不正です。");
    CloseLog();
    return kAuthUnknown;
  }
  std::string method = LoginBeforeSmtp(settings, true, true);
  if (method.empty()) {
    Show("メールが配送できませんでした。\n（パスワードが誤っているかもしれません。）");
    CloseLog();
    return kAuthUnknown;
  }
  result = SendOnce(settings, message, true);
  CloseLog();
  if (result == kMailDelivered) {
    Show(result);
    return method + kBeforeSmtpSuffix;
  }
  if (!result.empty()) Show(result);
  return kAuthUnknown;
}
