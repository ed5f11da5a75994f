#include "core/mail/mail_job.h"

#include <gtest/gtest.h>

#include "core/common/app_settings.h"
#include "core/common/archive.h"
#include "core/mail/base64.h"
#include "core/mail/loop_dialog_host.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "support/base64_decode.h"
#include "support/scripted_mail_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

namespace {

using Server = CScriptedMailServer;
using Lines = std::vector<std::string>;

Server::Script SmtpDelivers(bool auth, const std::string& finalReply = "250 queued\r\n") {
  Server::Script script = {Server::Send("220 ready\r\n"), Server::ReadLine(),
                           Server::Send(auth ? "250-mail\r\n250 AUTH PLAIN\r\n" : "250 mail\r\n")};
  if (auth) {
    script.push_back(Server::ReadLine());
    script.push_back(Server::Send("235 ok\r\n"));
  }
  for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
    script.push_back(Server::ReadLine());
    script.push_back(Server::Send(reply));
  }
  script.push_back(Server::ReadData());
  script.push_back(Server::Send(finalReply));
  script.push_back(Server::ReadLine());
  script.push_back(Server::Send("221 bye\r\n"));
  return script;
}

Server::Script SmtpRefusesAuth() {
  return {Server::Send("220 ready\r\n"), Server::ReadLine(), Server::Send("250 AUTH PLAIN\r\n"),
          Server::ReadLine(), Server::Send("535 relay needs POP\r\n"), Server::ReadLine(),
          Server::Send("221 bye\r\n")};
}

Server::Script SmtpRefusesHelo() {
  return {Server::Send("220 ready\r\n"), Server::ReadLine(), Server::Send("554 go away\r\n"),
          Server::ReadLine(), Server::Send("221 bye\r\n")};
}

class MailJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramFolder(m_folder.Path());
    AppSettings app;
    app.m_mailServer = "127.0.0.1";
    app.m_mailAccount = "taro@example.jp";
    app.m_mailPassword = "secret";
    app.m_mailUser = "taro";
    m_settings = CMailServerInfo::FromSettings(app, false);
    m_settings.m_nSmtpPort = m_smtp.Port();
    m_settings.m_nPopPort = m_pop.Port();
    m_settings.m_replyTimeoutMs = 3000;
    BuildTestMessage(m_message, "taro@example.jp");
    m_job.SetTextListener([this](const std::string& text) { m_texts.push_back(text); });
  }
  void PopApop(bool accept) {
    m_pop.AddConversation("+OK <1.2@host>\r\n",
                          {accept ? "+OK taro has 1 message\r\n" : "-ERR denied\r\n", "+OK\r\n"});
  }
  void PopUserPass(bool accept) {
    m_pop.AddConversation("+OK ready\r\n",
                          {"+OK\r\n", accept ? "+OK taro has 0 messages\r\n" : "-ERR no\r\n", "+OK\r\n"});
  }
  int LogStarts() const {
    std::string log = platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log"));
    int count = 0;
    for (std::size_t at = 0; (at = log.find("ログの記録を開始しました", at)) != std::string::npos; ++at) ++count;
    return count;
  }

  TempFolder m_folder;
  Server m_smtp;
  Server m_pop;
  CMailServerInfo m_settings;
  CMailMessage m_message;
  CLoopDialogHost m_host;
  CScriptedPrompter m_prompter;
  CMailJob m_job{m_host, &m_prompter};
  Lines m_texts;
};

TEST_F(MailJobTest, ServerInfoFromTheSettingsAndItsArchiveForm) {
  AppSettings app;
  app.m_mailServer = "mail.example.jp";
  app.m_mailPort = 587;
  app.m_mailAccount = "@odd";
  app.m_smtpAuthState = "NO_AUTH";
  CMailServerInfo info = CMailServerInfo::FromSettings(app);
  EXPECT_EQ(info.m_strAccount, "@odd");  // no part before the at sign to try after it
  EXPECT_EQ(info.m_alternateAccount, "");
  EXPECT_EQ(info.m_strAuthState, "NO_AUTH");
  EXPECT_EQ(info.m_nSmtpPort, 587);
  EXPECT_EQ(info.m_nPopPort, 110);
  EXPECT_EQ(info.m_strPopMethod, "APOP");
  EXPECT_EQ(info.PopHost(), "mail.example.jp");
  EXPECT_EQ(CMailServerInfo::FromSettings(app, false).m_strAuthState, "不明");

  info.m_strPassword = std::string(300, 'p');
  CArchiveWriter writer;
  info.Store(writer);
  EXPECT_EQ(writer.Bytes().substr(0, 5), std::string("\x01\0\0\0\x0F", 5));
  CArchiveReader reader(writer.Bytes());
  CMailServerInfo back;
  EXPECT_TRUE(back.Load(reader));
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(back.m_strPassword, info.m_strPassword);
  EXPECT_EQ(back.m_nSmtpPort, 587);
  CArchiveReader shortReader(writer.Bytes().substr(0, 20));
  EXPECT_FALSE(CMailServerInfo().Load(shortReader));
}

TEST_F(MailJobTest, SettingsTestDirectWithPasswordFindsSmtpAuth) {
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(m_job.TestFromSettings(m_settings, m_message), "SMTP_AUTH");
  EXPECT_EQ(m_prompter.Messages(), Lines{"メール配送完了"});
  EXPECT_EQ(m_texts, (Lines{"データ送信中", "メール配送完了"}));
  EXPECT_EQ(m_pop.ConnectionCount(), 0u);
  EXPECT_EQ(LogStarts(), 1);
  std::string data = m_smtp.Lines()[5];
  EXPECT_NE(data.find("Subject: =?iso-2022-jp?B?UGFnZXdhcmRlbhskQiQrJGkkTkRMQ04bKEI=?=\r\n"),
            std::string::npos);
}

TEST_F(MailJobTest, SettingsTestWithoutPassword) {
  m_settings.m_strPassword.clear();
  m_smtp.AddConnection(SmtpDelivers(false));
  m_smtp.AddConnection(SmtpRefusesHelo());
  EXPECT_EQ(m_job.TestFromSettings(m_settings, m_message), "NO_AUTH");
  CMailMessage again;
  again.SetBody("x");
  again.AddRecipient("taro@example.jp");
  EXPECT_EQ(m_job.TestFromSettings(m_settings, again), "不明");
  EXPECT_EQ(m_prompter.Messages(),
            (Lines{"メール配送完了", "メールが配送できませんでした。\n接続が拒否されました。"
                                      "(サーバーの応答: 221 bye)\n（パスワードが必要かもしれません。）"}));
  EXPECT_EQ(LogStarts(), 2);  // one log per test
}

TEST_F(MailJobTest, SettingsTestFindsApopBeforeSmtpOnTheSmtpHost) {
  m_smtp.AddConnection(SmtpRefusesAuth());
  PopApop(true);
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(m_job.TestFromSettings(m_settings, m_message), "APOP_BFR_SMTP");
  EXPECT_EQ(m_pop.Lines()[0].substr(0, 10), "APOP taro ");
  EXPECT_EQ(m_prompter.Messages(), Lines{"メール配送完了"});
  EXPECT_EQ(m_texts, (Lines{"認証が拒否されました。(サーバーの応答: 535 relay needs POP)",
                            "1 通のメールが届いています。",
                            "データ送信中", "メール配送完了"}));
  EXPECT_EQ(LogStarts(), 1);  // the three dialogs share one log
  std::string log = platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log"));
  EXPECT_NE(log.find("[error] 認証が拒否されました。"), std::string::npos);
  EXPECT_NE(log.find("[info] 1 通のメールが届いています。"), std::string::npos);
}

TEST_F(MailJobTest, SettingsTestSecondCheckUsesUserPass) {
  m_smtp.AddConnection(SmtpRefusesAuth());
  PopApop(false);
  PopUserPass(true);
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(m_job.TestFromSettings(m_settings, m_message), "POP3_BFR_SMTP");
  EXPECT_EQ(m_pop.Lines(1), (Lines{"USER taro", "PASS secret", "QUIT"}));
}

TEST_F(MailJobTest, SettingsTestFailures) {
  m_smtp.AddConnection(SmtpRefusesAuth());
  PopApop(false);
  PopUserPass(false);
  EXPECT_EQ(m_job.TestFromSettings(m_settings, m_message), "不明");
  EXPECT_EQ(m_prompter.Messages().back(),
            "メールが配送できませんでした。\n認証が拒否されました。(サーバーの応答: 535 relay needs POP)\n"
            "POP before SMTP: パスワードが違っています。(サーバーの応答: -ERR no)\n"
            "（ユーザー名かパスワードが誤っているかもしれません。）");

  CMailServerInfo odd = m_settings;
  odd.m_strAddress = "@example.jp";
  m_smtp.AddConnection(SmtpRefusesAuth());
  EXPECT_EQ(m_job.TestFromSettings(odd, m_message), "不明");
  EXPECT_EQ(m_prompter.Messages().back(), "メールアドレスが不正です。");
  EXPECT_EQ(m_pop.ConnectionCount(), 2u);
}

TEST_F(MailJobTest, RetryAfterAFailedFinalReplyCannotReadTheMessage) {
  m_smtp.AddConnection(SmtpDelivers(true, "554 spam\r\n"));
  PopApop(true);
  m_smtp.AddConversation("220 ready\r\n", {"250 AUTH PLAIN\r\n", "235 ok\r\n", "250 ok\r\n",
                                            "250 ok\r\n", "354 go\r\n", "221 bye\r\n"});
  EXPECT_EQ(m_job.TestFromSettings(m_settings, m_message), "不明");
  EXPECT_EQ(m_prompter.Messages(), Lines{"メールデータが読み込めません。"});
}

TEST_F(MailJobTest, OptionsTestWithUnknownStateOnlyAsksForSetup) {
  EXPECT_EQ(m_job.TestFromOptions(m_settings, m_message), 0);
  EXPECT_EQ(m_prompter.Messages(), Lines{"「環境設定」でメールサーバーの設定をしてください。"});
  EXPECT_EQ(m_smtp.ConnectionCount() + m_pop.ConnectionCount(), 0u);
  EXPECT_EQ(m_host.DialogCount(), 0);
}

TEST_F(MailJobTest, OptionsTestNoAuthRefusedTriesNoPop) {
  m_settings.m_strAuthState = "NO_AUTH";
  m_settings.m_strPassword.clear();
  m_smtp.AddConnection(SmtpRefusesHelo());
  EXPECT_EQ(m_job.TestFromOptions(m_settings, m_message), -1);
  EXPECT_EQ(m_prompter.Messages(),
            Lines{"メールが送れませんでした。\n接続が拒否されました。(サーバーの応答: 554 go away)"});
  EXPECT_EQ(m_pop.ConnectionCount(), 0u);
}

TEST_F(MailJobTest, OptionsTestSmtpAuthRefusedFallsBackAndRecordsTheNewState) {
  m_settings.m_strAuthState = "SMTP_AUTH";
  m_smtp.AddConnection(SmtpRefusesAuth());
  PopApop(false);
  PopUserPass(true);
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(m_job.TestFromOptions(m_settings, m_message), 0);
  EXPECT_EQ(m_settings.m_strAuthState, "POP3_BFR_SMTP");
  EXPECT_EQ(m_prompter.Messages(), Lines{"メール配送完了"});
  EXPECT_EQ(m_host.DialogCount(), 4);
  // The first send closed its log; the checks opened a second one.
  EXPECT_EQ(LogStarts(), 2);
}

TEST_F(MailJobTest, OptionsTestBeforeSmtpStates) {
  m_settings.m_strAuthState = "APOP_BFR_SMTP";
  PopApop(false);
  EXPECT_EQ(m_job.TestFromOptions(m_settings, m_message), -1);
  EXPECT_EQ(m_prompter.Messages(),
            Lines{"メールが送れませんでした。\n認証されませんでした。(サーバーの応答: -ERR denied)"});
  EXPECT_EQ(m_pop.ConnectionCount(), 1u);  // no second check without a retry

  m_settings.m_strAuthState = "POP3_BFR_SMTP";
  PopUserPass(true);
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(m_job.TestFromOptions(m_settings, m_message), 0);
  EXPECT_EQ(m_pop.Lines(1)[0], "USER taro");
  EXPECT_EQ(m_settings.m_strAuthState, "POP3_BFR_SMTP");
}

TEST_F(MailJobTest, NoticeIsSilentAndUnlogged) {
  CMailJob notice(m_host, nullptr);
  m_settings.m_strAuthState = "APOP_BFR_SMTP";
  PopApop(true);
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(notice.SendNotice(m_settings, m_message), 0);
  EXPECT_FALSE(platform::FileExists(m_folder.File("InetCom.log")));

  CMailMessage second;
  second.SetBody("body");
  second.AddRecipient("taro@example.jp");
  m_settings.m_strAuthState = "SMTP_AUTH";
  m_smtp.AddConnection(SmtpRefusesAuth());
  PopApop(true);
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(notice.SendNotice(m_settings, second), 0);
  EXPECT_EQ(m_settings.m_strAuthState, "APOP_BFR_SMTP");  // the caller's copy only

  CMailMessage third;
  third.SetBody("body");
  m_settings.m_strAuthState = "不明";
  // An unknown state finds the way: the server (with no conversation left) is asked.
  EXPECT_EQ(notice.SendNotice(m_settings, third), -1);
  EXPECT_EQ(m_smtp.ConnectionCount(), 4u);
}

// With no user name, the whole address is tried first and the part before "@" after it;
// the one that worked is what the settings keep. The message file is gone either way.
TEST_F(MailJobTest, LoginsAreTriedInTurnAndTheMessageFileIsRemoved) {
  AppSettings app;
  app.m_mailServer = "127.0.0.1";
  app.m_mailAccount = "taro@example.jp";
  app.m_mailPassword = "secret";
  CMailServerInfo info = CMailServerInfo::FromSettings(app, false);
  info.m_nSmtpPort = m_smtp.Port();
  info.m_nPopPort = m_pop.Port();
  info.m_replyTimeoutMs = 3000;
  EXPECT_EQ(info.LoginForm(), kLoginNotKnown);
  m_smtp.AddConnection(SmtpRefusesAuth());
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(m_job.TestFromSettings(info, m_message), "SMTP_AUTH");
  EXPECT_EQ(info.m_strAccount, "taro");
  EXPECT_EQ(info.LoginForm(), kLoginLocalPart);
  EXPECT_EQ(B64Decode(m_smtp.Lines(0)[1].substr(11)), std::string("taro@example.jp\0taro@example.jp\0secret", 38));
  EXPECT_EQ(B64Decode(m_smtp.Lines(1)[1].substr(11)), std::string("taro\0taro\0secret", 16));

  // An older archive logs in with the part before "@" until a test finds otherwise.
  app.m_mailLoginForm = kLoginLocalPart;
  EXPECT_EQ(CMailServerInfo::FromSettings(app).m_strAccount, "taro");
  EXPECT_EQ(CMailServerInfo::FromSettings(app, false).m_strAccount, "taro@example.jp");
  app.m_mailUser = "taro-login";
  EXPECT_EQ(CMailServerInfo::FromSettings(app, false).m_strAccount, "taro-login");

  // A send refused at the login leaves no message file behind.
  CMailMessage refused;
  BuildTestMessage(refused, "taro@example.jp");
  m_settings.m_strAuthState = "SMTP_AUTH";
  m_smtp.AddConnection(SmtpRefusesAuth());
  PopApop(false);
  PopUserPass(false);
  CMailJob notice(m_host, nullptr);
  EXPECT_EQ(notice.SendNotice(m_settings, refused), -1);
  EXPECT_TRUE(notice.PasswordRefused());
  EXPECT_FALSE(refused.File().empty());
  EXPECT_FALSE(platform::FileExists(refused.File()));
}

// The first notice with the state unknown finds the way as the test does, without a log.
TEST_F(MailJobTest, FirstNoticeFindsTheWay) {
  CMailJob notice(m_host, nullptr);
  m_settings.m_strAuthState = "不明";
  m_smtp.AddConnection(SmtpRefusesAuth());
  PopApop(true);
  m_smtp.AddConnection(SmtpDelivers(true));
  EXPECT_EQ(notice.SendNotice(m_settings, m_message), 0);
  EXPECT_EQ(m_settings.m_strAuthState, "APOP_BFR_SMTP");
  EXPECT_FALSE(platform::FileExists(m_folder.File("InetCom.log")));

  // No server set: nothing is tried, and the reason says so.
  CMailMessage second;
  BuildTestMessage(second, "taro@example.jp");
  m_settings.m_strAuthState = "不明";
  m_settings.m_strSmtpServer.clear();
  EXPECT_EQ(m_job.TestFromSettings(m_settings, second), "不明");
  EXPECT_EQ(m_prompter.Messages().back(), "メールが配送できませんでした。\nメールサーバーが設定されていません。");
  EXPECT_EQ(m_smtp.ConnectionCount(), 2u);
}

// With "なし", a server that offers STARTTLS and then fails the handshake gets no password
// in plain text: the test stops and says so.
TEST_F(MailJobTest, FailedStartTlsIsNoReasonToSendThePasswordInPlainText) {
  m_smtp.AddConnection({Server::Send("220 ready\r\n"), Server::ReadLine(),
                        Server::Send("250-mail\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n"),
                        Server::ReadLine(), Server::Send("220 go ahead\r\n"),
                        Server::Send("this is no TLS\r\n"), Server::Close()});
  EXPECT_EQ(m_job.TestFromSettings(m_settings, m_message), "不明");
  EXPECT_TRUE(m_job.PlainRefused());
  EXPECT_FALSE(m_job.PasswordRefused());
  const std::string shown = m_prompter.Messages().back();
  EXPECT_EQ(shown.rfind(kStartTlsFailedPlain, 0), 0u) << shown;
  EXPECT_EQ(shown.find("パスワードが誤って"), std::string::npos);
  EXPECT_EQ(m_smtp.ConnectionCount(), 1u);
  EXPECT_EQ(m_pop.ConnectionCount(), 0u);
  EXPECT_EQ(platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log")).find("[送信] AUTH"), std::string::npos);
}

class CManualHost : public IMailDialogHost {
 public:
  void RunModal(CMailProgressDialog& dialog) override {
    m_shown.clear();
    dialog.SetChangeListener([&] { m_shown.push_back(dialog.StatusText()); });
    dialog.OnInitDialog(m_queue);
    m_initialText = dialog.StatusText();
    dialog.OnBlinkTimer();
    m_blinkText = dialog.StatusText();
    dialog.OnBlinkTimer();
    while (!m_queue.RunUntil([&] { return dialog.IsFinished(); }, 1000)) {}
    m_afterText = dialog.StatusText();
    dialog.OnBlinkTimer();  // no blinking once a report came
    m_finalText = dialog.StatusText();
    m_position = dialog.Position();
    m_caption = dialog.Caption();
    dialog.Join();
  }
  platform::CLoopQueue m_queue;
  std::string m_initialText, m_blinkText, m_afterText, m_finalText, m_caption;
  std::vector<std::string> m_shown;  // the status text at each change
  int m_position = -1;
};

TEST_F(MailJobTest, ProgressDialogBlinksUntilTheFirstReportAndCountsSteps) {
  CManualHost host;
  CMailJob job(host, nullptr);
  m_settings.m_strPassword.clear();
  m_smtp.AddConnection(SmtpDelivers(false));
  EXPECT_EQ(job.SendOnce(m_settings, m_message, false), "メール配送完了");
  EXPECT_EQ(host.m_caption, "メール送信中");
  EXPECT_EQ(host.m_initialText, "接続中・・・・");
  EXPECT_EQ(host.m_blinkText, "接続中　　　　");
  EXPECT_EQ(host.m_afterText, "メール配送完了");
  EXPECT_EQ(host.m_finalText, "メール配送完了");
  EXPECT_EQ(host.m_position, 6);  // HELO, MAIL, RCPT, DATA, data, QUIT
  EXPECT_EQ(host.m_shown,
            (Lines{"接続中　　　　", "接続中・・・・",  // two blinks
                   "接続中・・・・", "接続中・・・・", "接続中・・・・", "接続中・・・・",  // four steps
                   "データ送信中", "データ送信中",  // the data, then QUIT
                   "メール配送完了", "メール配送完了"}));  // the final report, the worker's end

  PopUserPass(true);
  CMailServerInfo userPass = m_settings;
  userPass.m_strPopMethod = "POP3";
  EXPECT_EQ(job.CheckPop(userPass, false), 0);
  EXPECT_EQ(host.m_caption, "メールチェック中");
  EXPECT_EQ(host.m_position, 3);
}

}  // namespace
