// The SMTP client (HELO, or EHLO with AUTH PLAIN) and SendMail, what one "メール送信中"
// dialog runs on its worker thread: greeting, login, the message file after DATA, and
// the final report to the dialog. Every reply is judged by its first three characters.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/mail/line_client.h"
#include "core/mail/mail_message.h"
#include "core/mail/mail_server_info.h"

class CSmtp : public CLineClient {
 public:
  explicit CSmtp(const MailWindow* window);

  // The name sent after HELO or EHLO: the computer's name, else the local address.
  std::string HeloName() const;
  int Helo();
  // EHLO, then AUTH PLAIN when offered; a server that offers no AUTH at all is used
  // without authentication. 0 or -1.
  int EhloAuth(const std::string& account, const std::string& password);
  // The greeting of a connection that is to be secured: EHLO, STARTTLS, the handshake,
  // then HELO or EHLO with AUTH anew. `required` false: a server that does not offer
  // STARTTLS is used as it is (its EHLO counts as the greeting). 0 or -1.
  int SecureGreeting(const std::string& account, const std::string& password, bool required);
  // Whether the last SecureGreeting failed in STARTTLS or its handshake.
  bool TlsFailed() const { return m_tlsFailed; }
  // MAIL FROM, RCPT TO for each recipient, DATA, the file (deleted once sent) and the end
  // of data. 0 or -1.
  int Deliver(const std::string& sender, const std::vector<std::string>& recipients,
              const std::string& path);

 protected:
  // Complete when the last line received is a whole final line ("250 ...", not "250-...").
  bool IsReplyComplete(const std::string& reply) const override;

 private:
  // Logs `logged` (kind 0), sends `command`, logs the reply (kind 1); returns the reply.
  std::string Command(const std::string& command, const std::string& logged);
  std::string Command(const std::string& command) { return Command(command, command); }
  // A refused command: `text` with what the server said.
  int Refuse(const char* text, const std::string& reply);
  // AUTH PLAIN as the EHLO `reply` offers it.
  int AuthAfterEhlo(const std::string& reply, const std::string& account,
                    const std::string& password);

  bool m_tlsFailed = false;
  int SendData(FILE* file);
};

class SendMail {
 public:
  SendMail() = default;
  ~SendMail();
  SendMail(const SendMail&) = delete;
  SendMail& operator=(const SendMail&) = delete;

  // Creates the client; returns the log in use, or nullptr when logging is off or the
  // log cannot be opened.
  FILE* OpenLog(bool logWanted, FILE* logFile, const MailWindow* window);
  // Greeting and login on the settings' SMTP host and port; 0 or -1.
  int Connect(const CMailServerInfo& settings);
  // The whole send; ends with one final report, "メール配送完了" on success.
  void Run(const CMailServerInfo& settings, const CMailMessage& message);
  // After Run: how TLS went.
  enum class TlsUse { Plain, Secured, Failed };
  TlsUse Tls() const { return m_tls; }
  MailFailure Failure() const { return m_pSmtp ? m_pSmtp->Failure() : MailFailure::Connection; }

 private:
  std::unique_ptr<CSmtp> m_pSmtp;
  FILE* m_pLogFile = nullptr;
  TlsUse m_tls = TlsUse::Plain;
};

inline constexpr const char* kNoStartTls = "サーバーがSTARTTLSに対応していません。";
inline constexpr const char* kStartTlsRefused = "STARTTLSが拒否されました。";

inline constexpr const char* kMailDelivered = "メール配送完了";
inline constexpr const char* kLoginRefused = "認証が拒否されました。";
