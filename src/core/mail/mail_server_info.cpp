#include "core/mail/mail_server_info.h"

#include "core/app/app_settings.h"

namespace {

void PutInt(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out += char(value >> (8 * i));
}

void PutString(std::string& out, const std::string& text) {
  std::size_t size = text.size();
  if (size < 255) {
    out += char(size);
  } else if (size < 0xFFFE) {
    out += char(0xFF);
    out += char(size & 0xFF);
    out += char(size >> 8);
  } else {
    out += char(0xFF);
    out += char(0xFF);
    out += char(0xFF);
    PutInt(out, std::uint32_t(size));
  }
  out += text;
}

bool GetUnsigned(const std::string& in, std::size_t& pos, int bytes, std::uint32_t& value) {
  if (in.size() - pos < std::size_t(bytes) || pos > in.size()) return false;
  value = 0;
  for (int i = 0; i < bytes; ++i) value |= std::uint32_t(std::uint8_t(in[pos + i])) << (8 * i);
  pos += bytes;
  return true;
}

bool GetInt(const std::string& in, std::size_t& pos, int& value) {
  std::uint32_t raw;
  if (!GetUnsigned(in, pos, 4, raw)) return false;
  value = static_cast<int>(raw);
  return true;
}

bool GetString(const std::string& in, std::size_t& pos, std::string& text) {
  std::uint32_t size;
  if (!GetUnsigned(in, pos, 1, size)) return false;
  if (size == 0xFF) {
    if (!GetUnsigned(in, pos, 2, size)) return false;
    if (size == 0xFFFF && !GetUnsigned(in, pos, 4, size)) return false;
  }
  if (in.size() - pos < size) return false;
  text = in.substr(pos, size);
  pos += size;
  return true;
}

}  // namespace

bool HasAtAfterFirst(const std::string& address) {
  std::size_t at = address.find('@');
  return at != std::string::npos && at > 0;
}

CMailServerInfo CMailServerInfo::FromSettings(const AppSettings& settings, bool withAuthState) {
  CMailServerInfo info;
  info.m_strSmtpServer = settings.m_mailServer;
  info.m_nSmtpPort = settings.m_mailPort;
  info.m_strAddress = settings.m_mailAccount;
  info.m_strPassword = settings.m_mailPassword;
  if (HasAtAfterFirst(settings.m_mailAccount)) {
    info.m_strAccount = settings.m_mailAccount.substr(0, settings.m_mailAccount.find('@'));
  }
  if (withAuthState) info.m_strAuthState = settings.m_smtpAuthState;
  return info;
}

void CMailServerInfo::Store(std::string& out) const {
  PutInt(out, 1);
  PutString(out, m_strSmtpServer);
  PutInt(out, std::uint32_t(m_nSmtpPort));
  PutString(out, m_strPopServer);
  PutInt(out, std::uint32_t(m_nPopPort));
  for (const std::string* text :
       {&m_strPopMethod, &m_strAuthState, &m_strAccount, &m_strPassword, &m_strAddress}) {
    PutString(out, *text);
  }
}

bool CMailServerInfo::Load(const std::string& in, std::size_t& pos) {
  int schema;
  if (!GetInt(in, pos, schema) || !GetString(in, pos, m_strSmtpServer) ||
      !GetInt(in, pos, m_nSmtpPort) || !GetString(in, pos, m_strPopServer) ||
      !GetInt(in, pos, m_nPopPort)) {
    return false;
  }
  for (std::string* text :
       {&m_strPopMethod, &m_strAuthState, &m_strAccount, &m_strPassword, &m_strAddress}) {
    if (!GetString(in, pos, *text)) return false;
  }
  return true;
}
