#include "core/mail/mail_server_info.h"

#include "core/common/app_settings.h"
#include "core/common/archive.h"


bool HasAtAfterFirst(const std::string& address) {
  std::size_t at = address.find('@');
  return at != std::string::npos && at > 0;
}

CMailServerInfo CMailServerInfo::FromSettings(const AppSettings& settings, bool withAuthState) {
  CMailServerInfo info;
  info.m_strSmtpServer = settings.m_mailServer;
  info.m_nSmtpPort = settings.m_mailPort;
  info.m_security = settings.m_mailSecurity;
  // POP before SMTP: STLS on the usual port, or POP3 over TLS on its own.
  info.m_nPopPort = settings.m_mailSecurity == MailSecurity::Tls ? 995 : 110;
  info.m_strAddress = settings.m_mailAccount;
  info.m_strPassword = settings.m_mailPassword;
  if (withAuthState) info.m_strAuthState = settings.m_smtpAuthState;
  if (!settings.m_mailUser.empty()) {
    info.m_strAccount = settings.m_mailUser;
    return info;
  }
  const std::string& address = settings.m_mailAccount;
  std::string local = HasAtAfterFirst(address) ? address.substr(0, address.find('@')) : "";
  int form = withAuthState ? settings.m_mailLoginForm : kLoginNotKnown;
  if (form == kLoginLocalPart) {
    info.m_strAccount = local;
  } else {
    info.m_strAccount = address;
    if (form == kLoginNotKnown && !local.empty()) info.m_alternateAccount = local;
  }
  return info;
}

int CMailServerInfo::LoginForm() const {
  if (!m_alternateAccount.empty()) return kLoginNotKnown;
  return m_strAccount == m_strAddress ? kLoginWholeAddress : kLoginLocalPart;
}

void CMailServerInfo::Store(CArchiveWriter& archive) const {
  archive.WriteInt(1);
  archive.WriteString(m_strSmtpServer);
  archive.WriteInt(m_nSmtpPort);
  archive.WriteString(m_strPopServer);
  archive.WriteInt(m_nPopPort);
  for (const std::string* text :
       {&m_strPopMethod, &m_strAuthState, &m_strAccount, &m_strPassword, &m_strAddress}) {
    archive.WriteString(*text);
  }
}

bool CMailServerInfo::Load(CArchiveReader& archive) {
  std::int32_t schema = 0;
  archive.ReadInt(schema);
  archive.ReadString(m_strSmtpServer);
  archive.ReadInt(m_nSmtpPort);
  archive.ReadString(m_strPopServer);
  archive.ReadInt(m_nPopPort);
  for (std::string* text :
       {&m_strPopMethod, &m_strAuthState, &m_strAccount, &m_strPassword, &m_strAddress}) {
    archive.ReadString(*text);
  }
  return !archive.Failed();
}
