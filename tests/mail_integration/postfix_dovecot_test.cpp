// The mail as a user of a current provider meets it: pagewarden-cli against a private
// postfix with dovecot (SASL, STARTTLS on a submission port, TLS on another, POP before
// SMTP), the delivered mail read back from the Maildir and decoded strictly by Python's
// email package.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "core/app/settings_archive.h"
#include "core/mail/loop_dialog_host.h"
#include "core/mail/mail_job.h"
#include "core/watch/watch_item.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "private_mail_system.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

namespace {

// Servers of its own for every test: dovecot slows the SASL logins of an address after a
// refused one (by seconds, growing), which would carry from one test into the next.
class PostfixDovecotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_mail = std::make_unique<CPrivateMailSystem>(m_serverFolder.Path());
    s_mail = m_mail.get();
    if (s_mail->Unavailable()) GTEST_SKIP() << s_mail->Error();
    ASSERT_EQ(s_mail->Error(), "");
    platform::SetProgramFolder(m_home.Path());
  }
  void TearDown() override {
    m_mail.reset();
    s_mail = nullptr;
  }

  void SaveSettings(const AppSettings& settings) {
    ASSERT_TRUE(SaveSettingsFile(SettingsArchivePath(), settings, MainWindowLayout(),
                                 WatchListWindowLayout()));
  }
  AppSettings Settings(int port, const std::string& account, const std::string& password) {
    AppSettings settings;
    settings.m_mailServer = "127.0.0.1";
    settings.m_mailPort = port;
    settings.m_mailAccount = account;
    settings.m_mailPassword = password;
    return settings;
  }
  AppSettings LoadSettings() {
    AppSettings settings;
    MainWindowLayout main;
    WatchListWindowLayout list;
    LoadSettingsFile(SettingsArchivePath(), settings, main, list);
    return settings;
  }
  // pagewarden-cli as a user runs it, trusting the test's CA; the output in CP932.
  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                    "SSL_CERT_FILE=" + s_mail->CaFile(), PAGEWARDEN_CLI,
                                    "--home", m_home.Path()};
    all.insert(all.end(), args.begin(), args.end());
    RunResult result = RunProgram("/usr/bin/env", all);
    result.output = platform::Utf8ToCp932(result.output);
    return result;
  }
  // Every message of the mailbox, as Python's email package reads it strictly.
  std::vector<nlohmann::json> Mailbox(const std::string& box) {
    RunResult read = RunProgram("/usr/bin/python3",
                                {std::string(MAIL_INTEGRATION_DIR) + "/read_maildir.py",
                                 s_mail->Maildir(box)});
    EXPECT_EQ(read.status, 0) << read.errors;
    std::vector<nlohmann::json> messages;
    std::size_t start = 0;
    for (std::size_t end; (end = read.output.find('\n', start)) != std::string::npos;
         start = end + 1) {
      messages.push_back(nlohmann::json::parse(read.output.substr(start, end - start)));
    }
    return messages;
  }
  static std::string Utf8(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }

  TempFolder m_serverFolder;
  std::unique_ptr<CPrivateMailSystem> m_mail;
  CPrivateMailSystem* s_mail = nullptr;
  TempFolder m_home;
};

// "なし" on a submission port: the test takes STARTTLS, logs in with the whole address
// (the part before "@" is refused by this provider), and the settings keep both.
TEST_F(PostfixDovecotTest, MailtestFindsStartTlsAndTheWholeAddressLogin) {
  SaveSettings(Settings(s_mail->Submission(), "taro@example.jp", "secret"));
  std::size_t before = Mailbox("taro").size();
  RunResult result = Cli({"mailtest"});
  EXPECT_EQ(result.status, 0) << result.output << result.errors;
  EXPECT_NE(result.output.find("SMTP認証: SMTP_AUTH\n"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("ログイン名: taro@example.jp\n"), std::string::npos);
  AppSettings stored = LoadSettings();
  EXPECT_EQ(stored.m_smtpAuthState, "SMTP_AUTH");
  EXPECT_EQ(stored.m_mailSecurity, MailSecurity::StartTls);
  EXPECT_EQ(stored.m_mailLoginForm, kLoginWholeAddress);
  EXPECT_NE(s_mail->MailLog().find("sasl_username=taro@example.jp"), std::string::npos);

  ASSERT_TRUE(s_mail->WaitForMail("taro", int(before) + 1, 10000));
  nlohmann::json mail = Mailbox("taro").back();
  EXPECT_EQ(mail["subject"], Utf8("Pagewardenからの通知"));
  // Postfix stores lines with a line feed alone.
  EXPECT_EQ(mail["body"], Utf8("\nサーバーの設定がうまく行きました。\n\n"));
  EXPECT_EQ(mail["charset"], "iso-2022-jp");
  EXPECT_EQ(mail["headers"]["MIME-Version"], "1.0");
  EXPECT_NE(mail["headers"]["Message-ID"].get<std::string>().find("@example.jp>"),
            std::string::npos);
  EXPECT_TRUE(mail["defects"].empty());
  EXPECT_FALSE(platform::FileExists(m_home.File("tempMailBody.txt")));
}

// TLS from the first byte for an account whose provider takes only the part before "@".
TEST_F(PostfixDovecotTest, MailtestOverTlsFallsBackToTheLocalPart) {
  AppSettings settings = Settings(s_mail->Tls(), "jiro@example.jp", "secret2");
  settings.m_mailSecurity = MailSecurity::Tls;
  SaveSettings(settings);
  RunResult result = Cli({"mailtest"});
  EXPECT_EQ(result.status, 0) << result.output << result.errors;
  EXPECT_NE(result.output.find("ログイン名: jiro\n"), std::string::npos) << result.output;
  EXPECT_EQ(LoadSettings().m_mailLoginForm, kLoginLocalPart);
  EXPECT_TRUE(s_mail->WaitForMail("jiro", 1, 10000));
}

// A server that offers STARTTLS with a certificate no one trusts: the password is never
// sent without TLS, the test says what happened, no "10061", no password hint.
TEST_F(PostfixDovecotTest, AFailedStartTlsSendsNoPasswordInPlainText) {
  SaveSettings(Settings(s_mail->BadStartTls(), "taro@example.jp", "secret"));
  RunResult result = Cli({"mailtest"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find(kStartTlsFailedPlain), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("証明書の検証に失敗しました。"), std::string::npos);
  EXPECT_EQ(result.output.find("10061"), std::string::npos);
  EXPECT_EQ(result.output.find("パスワードが誤って"), std::string::npos);
  EXPECT_EQ(m_home.ReadBytes("InetCom.log").find("] AUTH PLAIN "), std::string::npos)
      << m_home.ReadBytes("InetCom.log");
  EXPECT_EQ(LoadSettings().m_smtpAuthState, "不明");
  EXPECT_FALSE(platform::FileExists(m_home.File("tempMailBody.txt")));

  // A wrong password: the cause is the server's refusal, with the hint that fits. (A user
  // name, one refusal: dovecot delays the logins after a refused one, longer each time.)
  AppSettings settings = Settings(s_mail->Tls(), "jiro@example.jp", "wrong");
  settings.m_mailSecurity = MailSecurity::Tls;
  settings.m_mailUser = "jiro";
  SaveSettings(settings);
  result = Cli({"mailtest"});
  EXPECT_EQ(result.status, 1) << m_home.ReadBytes("InetCom.log");
  EXPECT_NE(result.output.find("認証が拒否されました。(サーバーの応答: 535 5.7.8"),
            std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("ヒント: ユーザー名とパスワードを確かめてください"),
            std::string::npos);
  EXPECT_EQ(result.output.find("587"), std::string::npos);  // no hint that does not fit
  EXPECT_FALSE(platform::FileExists(m_home.File("tempMailBody.txt")));

  // No server at all is told as such, and nothing is tried.
  SaveSettings(Settings(0, "taro@example.jp", "secret"));
  AppSettings none = LoadSettings();
  none.m_mailServer.clear();
  SaveSettings(none);
  result = Cli({"mailtest"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output.rfind(kNoMailServer, 0), 0u) << result.output;
}

// POP before SMTP: the server takes mail only after a POP3 login (APOP here).
TEST_F(PostfixDovecotTest, PopBeforeSmtpIsFoundAndDelivers) {
  AppSettings app = Settings(s_mail->PopBefore(), "jiro@example.jp", "secret2");
  CMailServerInfo info = CMailServerInfo::FromSettings(app, false);
  info.m_nPopPort = s_mail->Pop3();
  CMailMessage message;
  BuildTestMessage(message, "jiro@example.jp");
  CLoopDialogHost host;
  CScriptedPrompter prompter;
  CMailJob job(host, &prompter);
  EXPECT_EQ(job.TestFromSettings(info, message), "APOP_BFR_SMTP")
      << (prompter.Messages().empty() ? "" : Utf8(prompter.Messages().back()));
  EXPECT_EQ(info.m_strAccount, "jiro");
  EXPECT_TRUE(s_mail->WaitForMail("jiro", 1, 10000));
  EXPECT_NE(s_mail->MailLog().find("Recipient address rejected: Access denied"),
            std::string::npos);  // the first send, before the POP3 login
}

// The first notice with the state not known finds the way and keeps it; text that
// ISO-2022-JP cannot carry exactly arrives as UTF-8 that a strict decoder reads; an item
// with only a recipient gets its name and "更新されています" with the address.
TEST_F(PostfixDovecotTest, FirstNoticeFindsTheWayAndReadsBackStrictly) {
  LoopbackHttpServer http;
  int version = 0;
  http.Handle("/page", [&](const HttpRequestRecord&) {
    return ScriptedResponse::Ok("version " + std::to_string(++version));
  });
  SaveSettings(Settings(s_mail->Submission(), "taro@example.jp", "secret"));
  WatchItem vendor;
  vendor.m_url = http.Url("/page");
  vendor.m_name = "髙橋さんのページ";
  vendor.m_active = 1;
  vendor.m_compareAll = 1;
  vendor.m_soundUse = 0;
  vendor.m_popUp = 0;
  vendor.m_useMail = 1;
  vendor.m_mailTo = "taro@example.jp";
  vendor.m_mailSubject = "①髙橋さん～更新";
  vendor.m_mailBody = "①番目の記事が更新されました～髙橋";
  WatchItem plain = vendor;
  plain.m_name = "お知らせ";
  plain.m_mailSubject.clear();
  plain.m_mailBody.clear();
  FILE* list = platform::OpenFile(m_home.File("WatchList.pgl"), "w");
  vendor.Write(list);
  plain.Write(list);
  std::fclose(list);
  std::size_t before = Mailbox("taro").size();

  RunResult result = Cli({"check", "all"});
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(result.output.find("更新通知メールが送れませんでした"), std::string::npos)
      << result.output;
  AppSettings stored = LoadSettings();
  EXPECT_EQ(stored.m_smtpAuthState, "SMTP_AUTH");
  EXPECT_EQ(stored.m_mailSecurity, MailSecurity::StartTls);
  EXPECT_EQ(stored.m_mailLoginForm, kLoginWholeAddress);
  ASSERT_TRUE(s_mail->WaitForMail("taro", int(before) + 2, 10000));

  std::vector<nlohmann::json> mails = Mailbox("taro");
  ASSERT_EQ(mails.size(), before + 2);
  const nlohmann::json* withVendor = nullptr;
  const nlohmann::json* withDefaults = nullptr;
  for (std::size_t i = before; i < mails.size(); ++i) {
    (mails[i]["subject"] == Utf8(vendor.m_mailSubject) ? withVendor : withDefaults) = &mails[i];
  }
  ASSERT_TRUE(withVendor && withDefaults);
  EXPECT_EQ((*withVendor)["charset"], "utf-8");
  EXPECT_EQ((*withVendor)["body"], Utf8("①番目の記事が更新されました～髙橋"));
  EXPECT_TRUE((*withVendor)["defects"].empty());
  EXPECT_EQ((*withDefaults)["subject"], Utf8("お知らせ"));
  EXPECT_EQ((*withDefaults)["charset"], "iso-2022-jp");
  EXPECT_EQ((*withDefaults)["body"], Utf8("\n更新されています\n" + http.Url("/page") + "\n\n"));
  EXPECT_EQ((*withDefaults)["headers"]["MIME-Version"], "1.0");
  EXPECT_FALSE(platform::FileExists(m_home.File("tempMailBody.txt")));
}

}  // namespace
