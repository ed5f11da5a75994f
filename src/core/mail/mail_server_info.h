// The mail settings handed to one mail job, built afresh for every job from the
// application settings. A plain value: copied into each progress dialog's worker.
#pragma once

#include <cstdint>
#include <string>

#include "core/common/app_settings.h"
#include "core/mail/line_client.h"

class CArchiveReader;
class CArchiveWriter;

// Authentication states as the settings keep them.
inline constexpr const char* kAuthUnknown = "不明";
inline constexpr const char* kAuthSmtp = "SMTP_AUTH";
inline constexpr const char* kAuthNone = "NO_AUTH";
inline constexpr const char* kBeforeSmtpSuffix = "_BFR_SMTP";

class CMailServerInfo {
 public:
  std::string m_strSmtpServer;
  int m_nSmtpPort = 25;
  // Empty: POP before SMTP logs in to the SMTP host (the mail server of the settings).
  std::string m_strPopServer;
  int m_nPopPort = 110;
  std::string m_strPopMethod = "APOP";  // "APOP" logs in with APOP, anything else USER/PASS
  std::string m_strAuthState = kAuthUnknown;
  std::string m_strAccount;   // the login: the user name, the address or the part before "@"
  std::string m_strPassword;
  std::string m_strAddress;   // the user's mail address (the sender)
  // Not part of the record's archive form: every wait of a job's connections.
  std::uint32_t m_connectTimeoutMs = kDefaultConnectTimeoutMs;
  std::uint32_t m_replyTimeoutMs = kDefaultReplyTimeoutMs;
  // Not archived either: TLS of both servers (STARTTLS/STLS, or TLS from the first byte),
  // and PEM certificates trusted besides the system's store (tests add their own CA).
  MailSecurity m_security = MailSecurity::None;
  std::string m_caFile;
  // With security None: the SMTP client takes STARTTLS when the server offers it (the
  // environment dialog's test finds out whether it works).
  bool m_tryStartTls = false;
  // Not archived: a second login tried when the server refuses m_strAccount (no user name
  // set and none found yet: the whole address first, then the part before "@").
  std::string m_alternateAccount;

  // The record the program builds from the settings; `withAuthState` false leaves the
  // state "不明" (the environment dialog's test finds it out, and tries both logins again
  // when no user name is set).
  static CMailServerInfo FromSettings(const AppSettings& settings, bool withAuthState = true);
  // Which form m_strAccount has when no user name is set (a MailLoginForm).
  int LoginForm() const;

  void CopyFrom(const CMailServerInfo& other) { *this = other; }
  std::string PopHost() const { return m_strPopServer.empty() ? m_strSmtpServer : m_strPopServer; }

  // The archive form (schema 1). The program never stores the record itself (the settings
  // hold its values); Load returns false when the archive ends early, keeping what it read.
  void Store(CArchiveWriter& archive) const;
  bool Load(CArchiveReader& archive);
};

// Whether the address holds an at sign after its first character.
bool HasAtAfterFirst(const std::string& address);
