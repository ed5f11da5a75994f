// The mail clients over TLS against real servers: aiosmtpd with STARTTLS and with TLS from
// the first byte, dovecot with STLS and POP3S. Every certificate comes from a CA the test
// makes and only the test trusts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/mail/loop_dialog_host.h"
#include "core/mail/mail_job.h"
#include "core/mail/pop3.h"
#include "core/mail/smtp.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "real_mail_servers.h"
#include "support/mail_progress_recorder.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "test_ca.h"

namespace {

using Lines = std::vector<std::string>;

class TlsMailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(m_folder.Path().c_str(), 0755);  // dovecot may run as another user
    platform::SetProgramFolder(m_folder.Path());
    ASSERT_TRUE(m_ca.WriteCertificate(m_folder.File("ca.pem")));
    m_settings.m_strSmtpServer = "127.0.0.1";
    m_settings.m_strAccount = "taro";
    m_settings.m_strPassword = "secret";
    m_settings.m_strAddress = "taro@example.jp";
    m_settings.m_replyTimeoutMs = 10000;
    m_settings.m_caFile = m_folder.File("ca.pem");
  }

  // A certificate of the test CA, for the loopback address unless other names are given.
  ServerTls Certificate(const std::string& mode, const std::string& name,
                        const std::vector<std::string>& names = {"127.0.0.1", "localhost"},
                        long from = -3600, long until = 86400) {
    ServerTls tls{mode, m_folder.File(name + ".crt"), m_folder.File(name + ".key")};
    EXPECT_TRUE(m_ca.IssueServer(tls.certificate, tls.key, names, from, until));
    chmod(tls.key.c_str(), 0644);  // read by dovecot's own user
    return tls;
  }

  // One SendMail run; its final report.
  std::string Send(MailSecurity security, int port) {
    m_settings.m_security = security;
    m_settings.m_nSmtpPort = port;
    CMailMessage message;
    message.SetBody("sent over TLS");
    message.AddRecipient("taro@example.jp");
    EXPECT_EQ(message.Compose(), 0);
    CMailProgressRecorder recorder;
    recorder.Run([&] {
      SendMail sender;
      FILE* log = sender.OpenLog(true, nullptr, recorder.Window());
      sender.Run(m_settings, message);
      if (log) fclose(log);
    });
    return recorder.Finals().back();
  }

  std::string Log() const { return platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log")); }

  TempFolder m_folder;
  CTestCa m_ca;
  CMailServerInfo m_settings;
};

TEST_F(TlsMailTest, SmtpWithStartTlsAndWithTlsFromTheFirstByte) {
  CRealSmtpServer starttls(m_folder.File("starttls"), "taro", "secret", true,
                           Certificate("starttls", "smtp"));
  ASSERT_EQ(starttls.Error(), "");
  CRealSmtpServer tls(m_folder.File("tls"), "taro", "secret", true, Certificate("tls", "smtps"));
  ASSERT_EQ(tls.Error(), "");

  EXPECT_EQ(Send(MailSecurity::StartTls, starttls.Port()), kMailDelivered);
  EXPECT_NE(starttls.Message(0).find("TLS"), std::string::npos);
  // The server offers AUTH only after TLS: the client asked again after STARTTLS.
  std::string log = Log();
  std::size_t secured = log.find("[info] TLSv1.3 証明書: CN=127.0.0.1");
  ASSERT_NE(secured, std::string::npos) << log;
  EXPECT_LT(log.find("[送信] STARTTLS"), secured);
  EXPECT_LT(secured, log.find("[送信] AUTH PLAIN ********"));
  EXPECT_EQ(log.find("secret"), std::string::npos);

  EXPECT_EQ(Send(MailSecurity::Tls, tls.Port()), kMailDelivered);
  EXPECT_NE(tls.Message(0).find("TLS"), std::string::npos);
  // No silent plain text: STARTTLS asked of a server that speaks only TLS, or the
  // other way round, fails.
  EXPECT_NE(Send(MailSecurity::Tls, starttls.Port()), kMailDelivered);
}

TEST_F(TlsMailTest, SettingsTestFindsStartTlsAndAPlainServerRefusesIt) {
  CRealSmtpServer starttls(m_folder.File("starttls"), "taro", "secret", true,
                           Certificate("starttls", "smtp"));
  ASSERT_EQ(starttls.Error(), "");
  CLoopDialogHost host;
  CScriptedPrompter prompter;
  CMailMessage message;
  message.SetBody("test");
  message.AddRecipient("taro@example.jp");
  m_settings.m_nSmtpPort = starttls.Port();
  CMailJob job(host, &prompter);
  EXPECT_EQ(job.TestFromSettings(m_settings, message), "SMTP_AUTH");
  EXPECT_EQ(job.FoundSecurity(), MailSecurity::StartTls);
  EXPECT_EQ(prompter.Messages(), Lines{"メール配送完了"});

  CRealSmtpServer plain(m_folder.File("plain"), "taro", "secret", true);
  ASSERT_EQ(plain.Error(), "");
  EXPECT_EQ(Send(MailSecurity::StartTls, plain.Port()), kNoStartTls);
}

TEST_F(TlsMailTest, CertificatesForAnotherHostExpiredOrUntrustedAreRefused) {
  CRealSmtpServer other(m_folder.File("other"), "taro", "secret", true,
                        Certificate("tls", "other", {"mail.example.jp"}));
  ASSERT_EQ(other.Error(), "");
  CRealSmtpServer expired(m_folder.File("expired"), "taro", "secret", true,
                          Certificate("tls", "expired", {"127.0.0.1"}, -86400, -3600));
  ASSERT_EQ(expired.Error(), "");
  EXPECT_EQ(Send(MailSecurity::Tls, other.Port()), kTlsHostMismatch);
  EXPECT_EQ(Send(MailSecurity::Tls, expired.Port()), kTlsExpired);
  // Without the test's CA the system's store does not know the issuer.
  m_settings.m_caFile.clear();
  EXPECT_EQ(Send(MailSecurity::Tls, other.Port()), kTlsUntrusted);
  EXPECT_TRUE(other.Envelope(0).empty());
}

TEST_F(TlsMailTest, Pop3WithStlsAndPop3s) {
  CRealPop3Server pop(m_folder.File("pop"), "taro", "secret", Certificate("tls", "pop"));
  ASSERT_EQ(pop.Error(), "");
  struct Case {
    MailSecurity security;
    int port;
    bool apop;
  } cases[] = {{MailSecurity::StartTls, pop.Port(), true},
               {MailSecurity::Tls, pop.TlsPort(), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    m_settings.m_security = c.security;
    m_settings.m_nPopPort = c.port;
    CMailProgressRecorder recorder;
    int count = -2;
    recorder.Run([&] {
      MailChecker checker;
      FILE* log = checker.OpenLog(true, nullptr, recorder.Window());
      count = c.apop ? checker.CheckApop(m_settings) : checker.CheckUserPass(m_settings);
      if (log) fclose(log);
    });
    EXPECT_EQ(count, 0);
    EXPECT_EQ(recorder.Finals().back(), "0 通のメールが届いています。");
  }
  std::string log = Log();
  EXPECT_NE(log.find("[送信] STLS"), std::string::npos);
  EXPECT_NE(log.find("[送信] APOP taro "), std::string::npos);
  EXPECT_NE(log.find("[送信] PASS ********"), std::string::npos);
  EXPECT_EQ(log.find("secret"), std::string::npos);
}

}  // namespace
