// The mail clients and jobs against real servers: aiosmtpd for SMTP with AUTH PLAIN,
// dovecot for POP3 with APOP and USER/PASS.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "cli/cli_main.h"
#include "core/app/settings_archive.h"
#include "core/mail/loop_dialog_host.h"
#include "core/mail/mail_job.h"
#include "core/mail/pop3.h"
#include "core/mail/smtp.h"
#include "core/watch/watch_item.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "real_mail_servers.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/mail_progress_recorder.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

class MailIntegrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(m_folder.Path().c_str(), 0755);  // the POP3 server may run as another user
    platform::SetProgramFolder(m_folder.Path());
    m_settings.m_strSmtpServer = "127.0.0.1";
    m_settings.m_strAccount = "taro";
    m_settings.m_strPassword = "secret";
    m_settings.m_strAddress = "taro@example.jp";
    m_settings.m_replyTimeoutMs = 10000;
  }

  // The message as the environment dialog's test builds it, composed now so that its
  // file can be compared with what the server received.
  std::string Compose(CMailMessage& message, const std::string& body) {
    message.SetBody(body);
    message.AddHeader("Pagewardenからの通知", "Subject");
    message.AddHeader("\"Pagewarden\"<taro@example.jp>", "From");
    message.AddHeader("taro@example.jp", "To");
    message.AddRecipient("taro@example.jp");
    EXPECT_EQ(message.Compose(), 0);
    return m_folder.ReadBytes(message.File().substr(m_folder.Path().size() + 1));
  }

  TempFolder m_folder;
  CMailServerInfo m_settings;
  CLoopDialogHost m_host;
  CScriptedPrompter m_prompter;
};

TEST_F(MailIntegrationTest, SettingsTestDeliversWithAuthPlain) {
  CRealSmtpServer smtp(m_folder.File("smtp"), "taro", "secret", true);
  ASSERT_EQ(smtp.Error(), "");
  m_settings.m_nSmtpPort = smtp.Port();
  CMailMessage message;
  std::string sent = Compose(message, "サーバーの設定がうまく行きました。\r\n.\r\n..二つの点\r\n");
  CMailJob job(m_host, &m_prompter);
  EXPECT_EQ(job.TestFromSettings(m_settings, message), "SMTP_AUTH");
  EXPECT_EQ(m_prompter.Messages(), Lines{"メール配送完了"});
  // What arrived is the composed file, byte for byte: the doubled dots were undone.
  std::string received = smtp.Message(0);
  EXPECT_EQ(received, sent);
  EXPECT_EQ(smtp.Envelope(0), (Lines{"taro@example.jp", "taro@example.jp"}));
  std::string log = platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log"));
  EXPECT_NE(log.find("[送信] AUTH PLAIN ********"), std::string::npos);
  EXPECT_NE(log.find("235 "), std::string::npos);
}

TEST_F(MailIntegrationTest, WrongPasswordIsRefusedAndNoPasswordUsesHelo) {
  CRealSmtpServer strict(m_folder.File("strict"), "taro", "other", true);
  ASSERT_EQ(strict.Error(), "");
  m_settings.m_nSmtpPort = strict.Port();
  CMailProgressRecorder recorder;
  CMailMessage message;
  Compose(message, "x");
  recorder.Run([&] {
    SendMail sender;
    sender.OpenLog(false, nullptr, recorder.Window());
    sender.Run(m_settings, message);
  });
  EXPECT_EQ(recorder.Finals(),
            Lines{"認証が拒否されました。(サーバーの応答: 535 5.7.8 Authentication credentials invalid)"});

  CRealSmtpServer open(m_folder.File("open"), "taro", "secret", false);
  ASSERT_EQ(open.Error(), "");
  m_settings.m_nSmtpPort = open.Port();
  m_settings.m_strPassword.clear();
  CMailJob job(m_host, &m_prompter);
  EXPECT_EQ(job.TestFromSettings(m_settings, message), "NO_AUTH");
  EXPECT_NE(open.Message(0).find("X-Mailer: Pagewarden1.35"), std::string::npos);
}

// One login method per server: dovecot delays the logins after a second failure from one
// address for seconds.
class DovecotLoginTest : public MailIntegrationTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DovecotLoginTest, RightAndWrongPassword) {
  const bool apop = GetParam();
  CRealPop3Server pop(m_folder.File("pop"), "taro", "secret");
  ASSERT_EQ(pop.Error(), "");
  m_settings.m_nPopPort = pop.Port();
  struct Case {
    const char* password;
    int count;
    const char* text;
  } cases[] = {
      {"secret", 0, "0 通のメールが届いています。"},
      {"wrong", -1, apop ? "認証されませんでした。" : "パスワードが違っています。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    m_settings.m_strPassword = c.password;
    CMailProgressRecorder recorder;
    int count = -2;
    recorder.Run([&] {
      MailChecker checker;
      checker.OpenLog(false, nullptr, recorder.Window());
      count = apop ? checker.CheckApop(m_settings) : checker.CheckUserPass(m_settings);
    });
    EXPECT_EQ(count, c.count);
    // The refusal carries dovecot's own words after the text.
    EXPECT_EQ(recorder.Finals().back().rfind(c.text, 0), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(ApopAndUserPass, DovecotLoginTest, ::testing::Bool());

TEST_F(MailIntegrationTest, OptionsTestLogsInWithApopBeforeSending) {
  CRealPop3Server pop(m_folder.File("pop"), "taro", "secret");
  ASSERT_EQ(pop.Error(), "");
  CRealSmtpServer smtp(m_folder.File("smtp"), "taro", "secret", true);
  ASSERT_EQ(smtp.Error(), "");
  m_settings.m_nPopPort = pop.Port();
  m_settings.m_nSmtpPort = smtp.Port();
  m_settings.m_strAuthState = "APOP_BFR_SMTP";
  CMailMessage message;
  Compose(message, "notice");
  CMailJob job(m_host, &m_prompter);
  EXPECT_EQ(job.TestFromOptions(m_settings, message), 0);
  EXPECT_EQ(m_prompter.Messages(), Lines{"メール配送完了"});
  EXPECT_EQ(m_host.DialogCount(), 2);
  std::string log = platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log"));
  EXPECT_NE(log.find("[送信] APOP taro "), std::string::npos);
  EXPECT_NE(log.find("[info] 0 通のメールが届いています。"), std::string::npos);
  EXPECT_NE(smtp.Message(0).find("notice"), std::string::npos);
}

}  // namespace

namespace {

class MailTestCommandTest : public MailIntegrationTest {
 protected:
  int RunMailTest(std::string& output) {
    std::string home = platform::Cp932ToUtf8(m_folder.Path());
    std::vector<std::string> args = {"pagewarden-cli", "--home", home, "mailtest"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    ::testing::internal::CaptureStdout();
    int status = RunCli(int(argv.size()), argv.data());
    output = ::testing::internal::GetCapturedStdout();
    return status;
  }
  void SaveSettings(int port, const std::string& password) {
    AppSettings settings;
    settings.m_mailServer = "127.0.0.1";
    settings.m_mailPort = port;
    settings.m_mailAccount = "taro@example.jp";
    settings.m_mailPassword = password;
    settings.m_proxy = "proxy:8080";
    ASSERT_TRUE(SaveSettingsFile(SettingsArchivePath(), settings, MainWindowLayout(),
                                 WatchListWindowLayout()));
  }
  AppSettings LoadSettings() {
    AppSettings settings;
    MainWindowLayout main;
    WatchListWindowLayout list;
    LoadSettingsFile(SettingsArchivePath(), settings, main, list);
    return settings;
  }
};

TEST_F(MailTestCommandTest, DeliversAndStoresTheState) {
  CRealSmtpServer smtp(m_folder.File("smtp"), "taro", "secret", true);
  ASSERT_EQ(smtp.Error(), "");
  SaveSettings(smtp.Port(), "secret");
  std::string output;
  EXPECT_EQ(RunMailTest(output), 0);
  // The whole address is refused by this server; the part before "@" is let in.
  EXPECT_EQ(output, platform::Cp932ToUtf8("認証が拒否されました。(サーバーの応答: 535 5.7.8 "
                                          "Authentication credentials invalid)\n"
                                          "データ送信中\nメール配送完了\nメール配送完了\n"
                                          "SMTP認証: SMTP_AUTH\nログイン名: taro\n"));
  AppSettings stored = LoadSettings();
  EXPECT_EQ(stored.m_smtpAuthState, "SMTP_AUTH");
  EXPECT_EQ(stored.m_proxy, "proxy:8080");
  EXPECT_NE(platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log")).find("[受信] 235 "), std::string::npos);
  EXPECT_NE(smtp.Message(0).find("Subject: =?iso-2022-jp?B?"), std::string::npos);
}

TEST_F(MailTestCommandTest, UndeliveredMailExitsWithOne) {
  CRealSmtpServer smtp(m_folder.File("smtp"), "taro", "secret", true);
  ASSERT_EQ(smtp.Error(), "");
  SaveSettings(smtp.Port(), "");
  std::string output;
  EXPECT_EQ(RunMailTest(output), 1);
  EXPECT_NE(output.find(platform::Cp932ToUtf8("メールが配送できませんでした。\n")), std::string::npos)
      << output;
  EXPECT_NE(output.find(platform::Cp932ToUtf8("（パスワードが必要かもしれません。）\nSMTP認証: 不明\n"
                                              "ヒント: サーバーがパスワードを求めているかもしれません:\n")),
            std::string::npos)
      << output;
  EXPECT_EQ(LoadSettings().m_smtpAuthState, "不明");
}

}  // namespace

namespace {

// pagewarden-cli check as a user runs it: an updated page sends its notification mail
// to the real SMTP server and runs its program; a mail that cannot be sent gets its row.
TEST_F(MailTestCommandTest, AnUpdateSendsItsMailAndRunsItsProgram) {
  CRealSmtpServer smtp(m_folder.File("smtp"), "taro", "secret", false);
  ASSERT_EQ(smtp.Error(), "");
  CRealSmtpServer strict(m_folder.File("strict"), "taro", "secret", true);
  ASSERT_EQ(strict.Error(), "");
  LoopbackHttpServer http;
  http.Handle("/news", [](const HttpRequestRecord&) { return ScriptedResponse::Ok("news"); });
  AppSettings settings;
  settings.m_mailServer = "127.0.0.1";
  settings.m_mailPort = smtp.Port();
  settings.m_mailAccount = "taro@example.jp";
  settings.m_smtpAuthState = "NO_AUTH";
  ASSERT_TRUE(SaveSettingsFile(SettingsArchivePath(), settings, MainWindowLayout(),
                               WatchListWindowLayout()));
  platform::MakeDirectory(m_folder.File("bin"));
  m_folder.WriteBytes("bin/act.sh", "#!/bin/sh\npwd > ran.txt\n");
  chmod(m_folder.File("bin/act.sh").c_str(), 0755);

  WatchItem news;
  news.m_url = http.Url("/news");
  news.m_name = "ニュース";
  news.m_active = 1;
  news.m_compareAll = 1;
  news.m_soundUse = 0;
  news.m_useMail = 1;
  news.m_mailTo = "hanako@example.jp";
  news.m_mailSubject = "ニュースが更新されました";
  news.m_mailBody = "新しい記事があります。";
  news.m_exec = m_folder.File("bin/act.sh");
  WatchItem unsent = news;
  unsent.m_name = "送れない";
  unsent.m_exec = "";
  FILE* list = platform::OpenFile(m_folder.File("WatchList.pgl"), "w");
  news.Write(list);
  unsent.Write(list);
  std::fclose(list);
  auto check = [&](const std::string& number) {
    RunResult result = RunProgram("/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                                   PAGEWARDEN_CLI, "--home", m_folder.Path(),
                                                   "check", number});
    EXPECT_EQ(result.status, 0) << result.errors;
    return platform::Utf8ToCp932(result.output);
  };

  std::string output = check("1");
  EXPECT_NE(output.find("\tニュース\t更新されています\n"), std::string::npos) << output;
  // What arrived is the message built from the item, byte for byte.
  CMailMessage expected;
  BuildNoticeMessage(expected, news.m_mailBody, news.m_mailSubject, "taro@example.jp",
                     "hanako@example.jp");
  ASSERT_EQ(expected.Compose(), 0);
  std::string composed = m_folder.ReadBytes(expected.File().substr(m_folder.Path().size() + 1));
  // Date and Message-ID differ from mail to mail: the rest from "MIME-Version" on.
  auto fromMime = [](const std::string& text) { return text.substr(text.find("MIME-Version")); };
  EXPECT_EQ(fromMime(smtp.Message(0)), fromMime(composed));
  EXPECT_EQ(smtp.Envelope(0), (Lines{"taro@example.jp", "hanako@example.jp"}));
  // The program ran in its own folder (it may finish a moment after the command).
  std::string ran;
  for (int i = 0; i < 300 && ran.empty(); ++i) {
    ran = m_folder.ReadBytes("bin/ran.txt");
    if (ran.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ran, m_folder.File("bin") + "\n");

  // A server that wants a password the settings do not hold refuses the mail.
  settings.m_mailPort = strict.Port();
  ASSERT_TRUE(SaveSettingsFile(SettingsArchivePath(), settings, MainWindowLayout(),
                               WatchListWindowLayout()));
  output = check("2");
  // The failure row comes first, the check's own row after it: the update still counts.
  std::size_t failed = output.find("\t送れない\t更新通知メールが送れませんでした\n");
  EXPECT_NE(failed, std::string::npos) << output;
  EXPECT_LT(failed, output.find("\t送れない\t更新されています\n"));
}

}  // namespace
