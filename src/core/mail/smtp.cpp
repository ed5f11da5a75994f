#include "core/mail/smtp.h"

#include <unistd.h>

#include "core/mail/base64.h"
#include "core/mail/pop3.h"
#include "platform/file_system.h"

namespace {

bool Expect(const std::string& reply, const char* code) { return reply.compare(0, 3, code) == 0; }

}  // namespace

CSmtp::CSmtp(const MailWindow* window) : CLineClient(window) { m_nPort = 25; }

std::string CSmtp::HeloName() const {
  // The Windows computer name has at most 15 characters; a longer host name is not used.
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) == 0 && name[0] && std::string(name).size() < 16) {
    return name;
  }
  std::string address;
  if (LocalAddress(address)) return address;
  return "pagewarden";
}

bool CSmtp::IsReplyComplete(const std::string& reply) const {
  if (reply.empty() || reply.back() != '\n') return false;
  std::size_t start = reply.rfind('\n', reply.size() - 2);
  start = start == std::string::npos ? 0 : start + 1;
  return reply.size() - start < 4 || reply[start + 3] != '-';
}

std::string CSmtp::Command(const std::string& command, const std::string& logged) {
  Log(logged, kLogSent);
  std::string reply = SendReceive(command);
  Log(reply, kLogReceived);
  return reply;
}

int CSmtp::Refuse(const char* text, const std::string& reply) {
  // An empty reply failed in the connection, which has said why.
  if (reply.empty() && m_failure == MailFailure::Connection) return -1;
  return Fail(MailFailure::Refused, text + ServerSaid(reply));
}

int CSmtp::Helo() {
  std::string reply = Command("HELO " + HeloName() + "\r\n");
  if (!Expect(reply, "250")) return Refuse("接続が拒否されました。", reply);
  Notify("", 0);
  return 0;
}

int CSmtp::EhloAuth(const std::string& account, const std::string& password) {
  std::string reply = Command("EHLO " + HeloName() + "\r\n");
  if (!Expect(reply, "250")) return Refuse("接続が拒否されました。", reply);
  return AuthAfterEhlo(reply, account, password);
}

int CSmtp::SecureGreeting(const std::string& account, const std::string& password,
                          bool required) {
  m_tlsFailed = false;
  std::string reply = Command("EHLO " + HeloName() + "\r\n");
  if (!Expect(reply, "250")) {
    // A server too old for EHLO offers no STARTTLS either.
    if (!required && password.empty()) return Helo();
    return Refuse("接続が拒否されました。", reply);
  }
  if (reply.find("STARTTLS") == std::string::npos) {
    if (required) return Fail(MailFailure::Tls, kNoStartTls);
    if (!password.empty()) return AuthAfterEhlo(reply, account, password);
    Notify("", 0);
    return 0;
  }
  m_tlsFailed = true;
  reply = Command("STARTTLS\r\n");
  if (!Expect(reply, "220")) return Fail(MailFailure::Tls, kStartTlsRefused + ServerSaid(reply));
  if (StartTls() != 0) return -1;
  m_tlsFailed = false;
  // What the server offered before TLS no longer counts: it is asked anew.
  return password.empty() ? Helo() : EhloAuth(account, password);
}

int CSmtp::AuthAfterEhlo(const std::string& reply, const std::string& account,
                         const std::string& password) {
  if (reply.find("PLAIN") == std::string::npos) {
    if (reply.find("AUTH") != std::string::npos) {
      return Fail(MailFailure::Refused, "PLAIN認証が利用できません。");
    }
    Notify("", 0);
    return 0;
  }
  Notify("", 0);
  // The account serves as both authorization and authentication identity.
  std::string token = account + '\0' + account + '\0' + password;
  // One unbroken line however long the token is.
  std::string encoded = B64EncodeBytes(token.data(), token.size(), 0);
  std::string answer = Command("AUTH PLAIN " + encoded + "\r\n", "AUTH PLAIN ********\r\n");
  if (!Expect(answer, "235")) {
    if (answer.empty() && m_failure == MailFailure::Connection) return -1;
    return Fail(MailFailure::Login, kLoginRefused + ServerSaid(answer));
  }
  Notify("", 0);
  return 0;
}

int CSmtp::Deliver(const std::string& sender, const std::vector<std::string>& recipients,
                   const std::string& path) {
  std::string reply = Command("MAIL FROM: <" + sender + ">\r\n");
  Notify("", 0);
  if (!Expect(reply, "250")) return Refuse("この差出人アドレスでは受付られません。", reply);
  for (const std::string& recipient : recipients) {
    reply = Command("RCPT TO: <" + recipient + ">\r\n");
    Notify("", 0);
    if (!Expect(reply, "250")) return Refuse("この宛先アドレスでは受付られません。", reply);
  }
  reply = Command("DATA\r\n");
  Notify("", 0);
  if (!Expect(reply, "354")) return Refuse("データ入力を拒否されました。", reply);

  const std::string sending = "データ送信中";
  Notify(sending, 0);
  Log(sending, kLogSent);
  FILE* file = platform::OpenFile(path, "rb");
  if (!file) return Refuse("メールデータが読み込めません。", "");
  int endedWithLineFeed = SendData(file);
  fclose(file);
  platform::RemoveFile(path);

  reply = SendReceive(endedWithLineFeed ? ".\r\n" : "\r\n.\r\n");
  Log(reply, kLogReceived);
  if (!Expect(reply, "250")) return Refuse("メールが配送できません。", reply);
  return 0;
}

// Sends the file in pieces of at most 1023 bytes, each up to and including a line feed;
// a line that begins with a dot gets a second one, so it cannot end the data. Returns
// whether the last piece ended with a line feed (an empty file counts as ended).
int CSmtp::SendData(FILE* file) {
  bool atLineStart = true;
  bool endedWithLineFeed = true;
  std::string pending;
  for (;;) {
    std::string piece;
    for (int ch; piece.size() < 1023 && (ch = getc(file)) != EOF;) {
      piece += char(ch);
      if (ch == '\n') break;
    }
    if (piece.empty()) break;
    endedWithLineFeed = piece.back() == '\n';
    if (atLineStart && piece[0] == '.') pending += '.';
    pending += piece;
    atLineStart = endedWithLineFeed;
    // The pieces go out in larger writes: one small segment per line would wait on
    // the peer's delayed acknowledgements.
    if (pending.size() >= 16384) {
      Send(pending);
      pending.clear();
    }
  }
  if (!pending.empty()) Send(pending);
  return endedWithLineFeed;
}

SendMail::~SendMail() = default;

FILE* SendMail::OpenLog(bool logWanted, FILE* logFile, const MailWindow* window) {
  m_pSmtp = std::make_unique<CSmtp>(window);
  m_pLogFile = OpenClientLog(m_pSmtp.get(), "CSmtp", logWanted, logFile);
  return m_pLogFile;
}

int SendMail::Connect(const CMailServerInfo& settings) {
  if (!m_pSmtp) return -1;
  CSmtp& smtp = *m_pSmtp;
  smtp.SetPort(settings.m_nSmtpPort);
  smtp.SetTimeouts(settings.m_connectTimeoutMs, settings.m_replyTimeoutMs);
  smtp.SetTls(settings.m_security == MailSecurity::Tls, settings.m_caFile);
  std::string greeting = smtp.Open(settings.m_strSmtpServer);
  if (greeting.empty()) {
    if (settings.m_security == MailSecurity::Tls) m_tls = TlsUse::Failed;
    return -1;
  }
  if (m_pLogFile) smtp.Log(greeting, kLogReceived);
  if (!Expect(greeting, "220")) {
    smtp.Fail(MailFailure::Refused, "接続が拒否されました。" + ServerSaid(greeting));
    smtp.Quit();
    return -1;
  }
  int result;
  // With no encryption chosen, a password still goes only over TLS where the server
  // offers STARTTLS: once offered, a failed handshake ends the send.
  bool opportunistic = settings.m_tryStartTls || !settings.m_strPassword.empty();
  if (settings.m_security == MailSecurity::StartTls ||
      (settings.m_security == MailSecurity::None && opportunistic)) {
    result = smtp.SecureGreeting(settings.m_strAccount, settings.m_strPassword,
                                 settings.m_security == MailSecurity::StartTls);
    if (smtp.TlsFailed()) m_tls = TlsUse::Failed;
  } else {
    result = settings.m_strPassword.empty()
                 ? smtp.Helo()
                 : smtp.EhloAuth(settings.m_strAccount, settings.m_strPassword);
  }
  if (smtp.IsTls()) m_tls = TlsUse::Secured;
  if (result == 0) return 0;
  // A connection whose handshake failed is closed already; nothing more is sent on it.
  if (smtp.IsConnected()) smtp.Quit();
  return -1;
}

void SendMail::Run(const CMailServerInfo& settings, const CMailMessage& message) {
  const std::string path = message.File();
  int result = Connect(settings);
  if (!m_pSmtp) return;
  CSmtp& smtp = *m_pSmtp;
  if (result == 0) {
    result = smtp.Deliver(settings.m_strAddress, message.Recipients(), path);
    smtp.Quit();
  }
  if (result != 0 && m_pLogFile) smtp.LogError(smtp.GetMessage());
  smtp.Notify(result == 0 ? std::string(kMailDelivered) : smtp.GetMessage(), 1);
}
