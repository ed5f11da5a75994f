#include "core/app/env_settings.h"

#include <algorithm>

#include "core/mail/mail_job.h"
#include "core/mail/mail_message.h"
#include "core/mail/mail_server_info.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/proxy_address.h"

namespace {

std::string TrimBlanks(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A decimal number from `low` to `high`, blanks around it allowed.
std::optional<int> ParseNumber(const std::string& text, int low, int high) {
  std::string digits = TrimBlanks(text);
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  for (char ch : digits) {
    if (ch < '0' || ch > '9') return std::nullopt;
  }
  int value = std::stoi(digits);
  if (value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int> ParseMailPort(const std::string& text) {
  return ParseNumber(text, 1, kMaxMailPort);
}

std::optional<EnvRefusal> CheckProxyParts(const std::string& host, const std::string& port,
                                          const std::string& user, const std::string& password) {
  if (host.find_first_of(":@ \t") != std::string::npos) {
    return EnvRefusal{EnvRefusal::Field::ProxyHost, kBadProxyHost};
  }
  if (!port.empty() && !ParseNumber(port, 1, 65535)) {
    return EnvRefusal{EnvRefusal::Field::ProxyPort, kBadProxyPort};
  }
  // The login is stored before the last '@', the user name up to its first ':' (CP932-aware:
  // a Japanese name may hold a trail byte of either value).
  bool separator = platform::FindFirstChar(user, ':') != std::string::npos ||
                   platform::FindFirstChar(user, '@') != std::string::npos;
  if (separator || (user.empty() && !password.empty())) {
    return EnvRefusal{EnvRefusal::Field::ProxyUser, kBadProxyUser};
  }
  return std::nullopt;
}

std::string JoinProxy(const std::string& host, const std::string& port, const std::string& user,
                      const std::string& password) {
  if (host.empty() || port.empty()) return {};
  return platform::ProxyText({user, password, host, TrimBlanks(port)});
}

std::optional<EnvRefusal> CheckExtraCaFile(const std::string& path) {
  platform::FileAttributes attributes;
  if (path.empty() || (platform::ReadAttributes(path, attributes) && !attributes.isDirectory)) {
    return std::nullopt;
  }
  return EnvRefusal{EnvRefusal::Field::ExtraCaFile, kBadCaFile};
}

int UsualSmtpPort(MailSecurity security) {
  switch (security) {
    case MailSecurity::StartTls: return 587;
    case MailSecurity::Tls: return 465;
    default: return 25;
  }
}

void CEnvSettings::ChooseSecurity(int security) {
  if (security < 0 || security > 2) return;
  std::optional<int> port = ParseMailPort(m_values.mailPort);
  bool usual = !port;  // an empty or unusable port is no choice of the user's either
  for (MailSecurity each : {MailSecurity::None, MailSecurity::StartTls, MailSecurity::Tls}) {
    usual = usual || *port == UsualSmtpPort(each);
  }
  m_values.mailSecurity = security;
  if (usual) m_values.mailPort = std::to_string(UsualSmtpPort(static_cast<MailSecurity>(security)));
}

CEnvSettings::CEnvSettings(const AppSettings& settings)
    : m_authState(settings.m_smtpAuthState),
      m_loginForm(settings.m_mailLoginForm),
      m_loginFoundFor(settings.m_mailAccount + "\n" + settings.m_mailUser) {
  m_values.startResident = settings.m_startResident ? 1 : 0;
  m_values.resetOnListClose = settings.m_resetOnListClose ? 1 : 0;
  m_values.desktopNotify = settings.m_desktopNotify ? 1 : 0;
  m_values.autostart = settings.m_autostart ? 1 : 0;
  m_values.listDoubleClick = settings.m_listDoubleClick == 1 ? 1 : 0;
  m_values.historyCount = std::clamp(settings.m_historyCount, 0, kMaxHistoryCount);
  m_values.checkJobs = std::clamp(settings.m_checkJobs, 1, kMaxCheckJobs);
  m_values.hostInterval = std::clamp(settings.m_hostInterval, 0, kMaxHostInterval);
  m_values.fetchTimeLimit = std::clamp(settings.m_fetchTimeLimit, 0, kMaxFetchTimeLimit);
  m_values.pageSizeLimitMiB = std::clamp(settings.m_pageSizeLimitMiB, 0, kMaxPageSizeLimitMiB);
  m_values.mailServer = settings.m_mailServer;
  m_values.mailPort = std::to_string(settings.m_mailPort);
  m_values.mailSecurity = static_cast<int>(settings.m_mailSecurity);
  m_values.mailAccount = settings.m_mailAccount;
  m_values.mailUser = settings.m_mailUser;
  m_values.mailPassword = settings.m_mailPassword;
  platform::ProxyAddress proxy = platform::ParseProxy(settings.m_proxy);
  if (!proxy.port.empty()) {  // a stored proxy without a port shows nothing
    m_values.proxyHost = proxy.host;
    m_values.proxyPort = proxy.port;
    m_values.proxyUser = proxy.user;
    m_values.proxyPassword = proxy.password;
  }
  m_values.noProxyForLocal = settings.m_noProxyForLocal ? 1 : 0;
  m_values.extraCaFile = settings.m_extraCaFile;
  m_values.errorAlertAfter = std::clamp(settings.m_errorAlertAfter, 0, kMaxErrorAlertAfter);
  m_values.browserJobs = std::clamp(settings.m_browserJobs, 1, kMaxBrowserJobs);
}

std::string CEnvSettings::AuthText() const {
  return m_authState.empty() ? std::string(kAuthUnknown) : m_authState;
}

std::string CEnvSettings::AuthWords() const {
  // The settings file keeps the codes the mail job understands; the user reads words.
  std::string state = AuthText();
  if (state == kAuthNone) return "認証なしで送信できます";
  if (state == kAuthSmtp) return "SMTP認証で送信できます";
  if (state == std::string("APOP") + kBeforeSmtpSuffix) return "POP before SMTP (APOP) で送信できます";
  if (state == std::string("POP3") + kBeforeSmtpSuffix) return "POP before SMTP で送信できます";
  return state;
}

std::optional<EnvRefusal> CEnvSettings::Check() const {
  if (!ParseMailPort(m_values.mailPort)) {
    return EnvRefusal{EnvRefusal::Field::MailPort, kBadMailPort};
  }
  if (auto refusal = CheckProxyParts(m_values.proxyHost, m_values.proxyPort, m_values.proxyUser,
                                     m_values.proxyPassword)) {
    return refusal;
  }
  return CheckExtraCaFile(m_values.extraCaFile);
}

void CEnvSettings::StoreInto(AppSettings& settings) const {
  settings.m_startResident = m_values.startResident;
  settings.m_resetOnListClose = m_values.resetOnListClose;
  settings.m_desktopNotify = m_values.desktopNotify;
  settings.m_autostart = m_values.autostart;
  settings.m_listDoubleClick = m_values.listDoubleClick;
  settings.m_historyCount = std::clamp(m_values.historyCount, 0, kMaxHistoryCount);
  settings.m_checkJobs = std::clamp(m_values.checkJobs, 1, kMaxCheckJobs);
  settings.m_hostInterval = std::clamp(m_values.hostInterval, 0, kMaxHostInterval);
  settings.m_fetchTimeLimit = std::clamp(m_values.fetchTimeLimit, 0, kMaxFetchTimeLimit);
  settings.m_pageSizeLimitMiB = std::clamp(m_values.pageSizeLimitMiB, 0, kMaxPageSizeLimitMiB);
  settings.m_mailServer = m_values.mailServer;
  if (std::optional<int> port = ParseMailPort(m_values.mailPort)) settings.m_mailPort = *port;
  settings.m_mailSecurity = static_cast<MailSecurity>(m_values.mailSecurity);
  settings.m_mailAccount = m_values.mailAccount;
  settings.m_mailUser = m_values.mailUser;
  settings.m_mailPassword = m_values.mailPassword;
  settings.m_smtpAuthState = m_authState;
  // Another account or user name: which login works is not known for it.
  bool sameLogin = m_loginFoundFor == m_values.mailAccount + "\n" + m_values.mailUser;
  settings.m_mailLoginForm = sameLogin ? m_loginForm : kLoginNotKnown;
  settings.m_errorAlertAfter = std::clamp(m_values.errorAlertAfter, 0, kMaxErrorAlertAfter);
  settings.m_browserJobs = std::clamp(m_values.browserJobs, 1, kMaxBrowserJobs);
  settings.m_proxy = JoinProxy(m_values.proxyHost, m_values.proxyPort, m_values.proxyUser,
                               m_values.proxyPassword);
  settings.m_noProxyForLocal = m_values.noProxyForLocal;
  settings.m_extraCaFile = m_values.extraCaFile;
}

void CEnvSettings::TestSend(IMailDialogHost& host, IPrompter& prompter) {
  if (std::optional<EnvRefusal> refusal = Check()) {
    prompter.ShowMessage(refusal->message, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return;
  }
  if (TrimBlanks(m_values.mailServer).empty()) {
    prompter.ShowMessage(kNoMailServer, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return;
  }
  if (!HasAtAfterFirst(m_values.mailAccount)) {
    prompter.ShowMessage(kBadMailAddress, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return;
  }
  // The test finds the state out, so the record starts from "不明".
  AppSettings typed;
  StoreInto(typed);
  CMailServerInfo info = CMailServerInfo::FromSettings(typed, false);
  CMailMessage message;
  BuildTestMessage(message, m_values.mailAccount);
  CMailJob job(host, &prompter);
  m_authState = job.TestFromSettings(info, message);
  m_values.mailSecurity = static_cast<int>(job.FoundSecurity());
  if (m_authState != kAuthUnknown) {
    m_loginForm = info.LoginForm() == kLoginNotKnown ? typed.m_mailLoginForm : info.LoginForm();
    m_loginFoundFor = m_values.mailAccount + "\n" + m_values.mailUser;
  }
}
