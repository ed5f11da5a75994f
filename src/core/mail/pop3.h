// The POP3 client, used only to open the way for sending (POP before SMTP): it logs in
// with USER/PASS or APOP, reads the number of waiting messages and quits. MailChecker is
// what one "メールチェック中" dialog runs on its worker thread.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "core/mail/line_client.h"
#include "core/mail/mail_server_info.h"

class CPop3 : public CLineClient {
 public:
  explicit CPop3(const MailWindow* window);

  // The number of waiting messages, or -1 (then the dialog has had the final report).
  int Login(const std::string& user, const std::string& password);
  int Apop(const std::string& user, const std::string& password, const std::string& timestamp);
  // STLS and the TLS handshake; 0, or -1 (refused: the dialog has had the final report).
  int Stls();
  // The count after "has" in a "+OK" reply; 0 when there is none.
  static int MessageCount(const std::string& reply);
  // The APOP time stamp of a greeting: from its first "<" up to its first ">".
  static std::string Timestamp(const std::string& greeting);

 private:
  // Logs `logged`, sends `command`, logs the reply, one progress step; whether "+OK".
  bool Command(const std::string& command, const std::string& logged, std::string& reply);
  // `text` with what the server said in `reply`, of `kind`; the final report; -1.
  int Refuse(MailFailure kind, const std::string& text, const std::string& reply, bool quit);
};

class MailChecker {
 public:
  MailChecker() = default;
  ~MailChecker();
  MailChecker(const MailChecker&) = delete;
  MailChecker& operator=(const MailChecker&) = delete;

  // Creates the client; returns the log in use (the given one, else "InetCom.log" newly
  // opened with its start line) or nullptr when logging is off or the log cannot be opened.
  FILE* OpenLog(bool logWanted, FILE* logFile, const MailWindow* window);
  // The message count or -1; both end with one final report ("%d 通のメールが届いています。"
  // on success).
  int CheckUserPass(const CMailServerInfo& settings);
  int CheckApop(const CMailServerInfo& settings);
  MailFailure Failure() const { return m_pPop3 ? m_pPop3->Failure() : MailFailure::Connection; }

 private:
  int Check(const CMailServerInfo& settings, bool apop);

  std::unique_ptr<CPop3> m_pPop3;
  FILE* m_pLogFile = nullptr;
};

inline constexpr const char* kNoStls = "サーバーがSTLSに対応していません。";

// OpenLog of SendMail and MailChecker: `client` may be null (then `clientName`, e.g.
// "CPop3", names it in the error line).
FILE* OpenClientLog(CLineClient* client, const char* clientName, bool logWanted, FILE* logFile);
