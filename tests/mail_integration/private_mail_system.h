// A private postfix with dovecot, as a mail provider runs them, for the integration
// tests: postfix started with its own configuration, queue and data folders
// (`postfix -c DIR`), dovecot with its own (`dovecot -c`), both on free loopback ports,
// never the system's instances. Postfix authenticates through dovecot's SASL socket and
// delivers into Maildirs that dovecot serves by POP3. Services:
//   Submission()   STARTTLS offered, AUTH only after it (a submission port)
//   Tls()          TLS from the first byte, AUTH
//   PopBefore()    no AUTH: mail is taken from a client that logged in to POP3 before
//                  (a socketmap table that reads dovecot's log, as the classic daemons do)
//   BadStartTls()  STARTTLS offered with a certificate no one trusts, AUTH also in plain
// Users: "taro@example.jp" (password "secret", logs in with the whole address) and "jiro"
// (password "secret2", mailbox jiro@example.jp, logs in with the part before "@").
// Postfix needs root; without it, or without the packages, Error() says why.
#pragma once

#include <memory>
#include <string>

#include "real_mail_servers.h"
#include "test_ca.h"

class CPrivateMailSystem {
 public:
  explicit CPrivateMailSystem(const std::string& folder);
  ~CPrivateMailSystem();
  CPrivateMailSystem(const CPrivateMailSystem&) = delete;
  CPrivateMailSystem& operator=(const CPrivateMailSystem&) = delete;

  const std::string& Error() const { return m_error; }
  // The error is a missing package or right, not servers that failed to start.
  bool Unavailable() const { return m_unavailable; }
  int Submission() const { return m_submission; }
  int Tls() const { return m_tls; }
  int PopBefore() const { return m_popBefore; }
  int BadStartTls() const { return m_badStartTls; }
  int Pop3() const { return m_pop3; }
  // The PEM file of the CA that signed the good certificate.
  std::string CaFile() const { return m_folder + "/tls/ca.pem"; }
  // The Maildir of a mailbox ("taro", "jiro").
  std::string Maildir(const std::string& box) const { return m_folder + "/mail/" + box + "/Maildir"; }
  // Postfix's log.
  std::string MailLog() const;
  // Waits until `count` messages were delivered to `box`; false after `timeoutMs`.
  bool WaitForMail(const std::string& box, int count, int timeoutMs) const;

 private:
  bool WriteConfiguration();
  bool StartPostfix();
  bool StartDovecot();
  void Stop();

  std::string m_folder;
  std::string m_error;
  bool m_unavailable = false;
  CTestCa m_ca;
  CTestCa m_strangerCa;
  CChildProcess m_dovecot;
  CChildProcess m_popMap;
  bool m_postfixStarted = false;
  int m_submission = 0;
  int m_tls = 0;
  int m_popBefore = 0;
  int m_badStartTls = 0;
  int m_pop3 = 0;
  int m_popMapPort = 0;
};
