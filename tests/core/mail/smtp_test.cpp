#include "core/mail/smtp.h"

#include <gtest/gtest.h>

#include "core/mail/base64.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "support/base64_decode.h"
#include "support/mail_progress_recorder.h"
#include "support/scripted_mail_server.h"
#include "support/temp_folder.h"

namespace {

using Server = CScriptedMailServer;
using Lines = std::vector<std::string>;

class SendMailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramFolder(m_folder.Path());
    m_settings.m_strSmtpServer = "127.0.0.1";
    m_settings.m_nSmtpPort = m_server.Port();
    m_settings.m_strAccount = "taro";
    m_settings.m_strPassword = "secret";
    m_settings.m_strAddress = "taro@example.jp";
    m_settings.m_replyTimeoutMs = 2000;
    m_message.SetBody("hello");
    m_message.AddHeader("test", "Subject");
    m_message.AddRecipient("hanako@example.jp");
  }

  void Run(bool log = false) {
    if (m_message.File().empty()) {
      ASSERT_EQ(m_message.Compose(), 0);
    }
    m_recorder.Run([&] {
      SendMail sender;
      FILE* file = sender.OpenLog(log, nullptr, m_recorder.Window());
      sender.Run(m_settings, m_message);
      if (file) fclose(file);
    });
  }
  std::string Final() const {
    auto finals = m_recorder.Finals();
    return finals.size() == 1 ? finals[0] : "(" + std::to_string(finals.size()) + " finals)";
  }
  Server::Script Delivery(const std::string& ehloReply) const {
    return {Server::Send("220 ready\r\n"), Server::ReadLine(), Server::Send(ehloReply),
            Server::ReadLine(), Server::Send("235 ok\r\n"), Server::ReadLine(),
            Server::Send("250 ok\r\n"), Server::ReadLine(), Server::Send("250 ok\r\n"),
            Server::ReadLine(), Server::Send("354 go\r\n"), Server::ReadData(),
            Server::Send("250 queued\r\n"), Server::ReadLine(), Server::Send("221 bye\r\n")};
  }

  TempFolder m_folder;
  Server m_server;
  CMailServerInfo m_settings;
  CMailMessage m_message;
  CMailProgressRecorder m_recorder;
};

TEST_F(SendMailTest, FullConversationWithAuthPlain) {
  m_server.AddConnection(Delivery("250-mail.example.jp\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n"));
  std::string path = m_message.File();
  Run(true);
  EXPECT_EQ(Final(), "メール配送完了");
  EXPECT_EQ(m_recorder.Steps(), 7);  // EHLO, AUTH, MAIL, RCPT, DATA, "データ送信中", QUIT
  Lines lines = m_server.Lines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "EHLO " + CSmtp(nullptr).HeloName());
  EXPECT_EQ(lines[1], "AUTH PLAIN " + B64EncodeBytes("taro\0taro\0secret", 16, 0));
  EXPECT_EQ(lines[2], "MAIL FROM: <taro@example.jp>");
  EXPECT_EQ(lines[3], "RCPT TO: <hanako@example.jp>");
  EXPECT_EQ(lines[4], "DATA");
  EXPECT_EQ(lines[5].substr(0, 6), "Date: ");
  EXPECT_NE(lines[5].find("\r\nMIME-Version: 1.0\r\nX-Mailer: Pagewarden1.35\r\nSubject:"),
            std::string::npos);
  EXPECT_EQ(lines[5].substr(lines[5].size() - 14), "\r\nhello\r\n\r\n.\r\n");
  EXPECT_EQ(lines[6], "QUIT");
  EXPECT_FALSE(platform::FileExists(path));  // consumed by the send
  std::string log = platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log"));
  EXPECT_NE(log.find("[送信] AUTH PLAIN ********\r\n"), std::string::npos);
  EXPECT_EQ(log.find(lines[1]), std::string::npos);
  EXPECT_NE(log.find("[受信] 220 ready\r\n"), std::string::npos);
  EXPECT_NE(log.find("[送信] データ送信中\r\n"), std::string::npos);
  EXPECT_NE(log.find("[受信] 250-mail.example.jp\r\r\n250-AUTH LOGIN PLAIN\r\r\n250 8BITMIME\r\n"),
            std::string::npos);
}

TEST_F(SendMailTest, WithoutPasswordHeloAndSixSteps) {
  m_settings.m_strPassword.clear();
  Server::Script script = Delivery("250 hi\r\n");
  script.erase(script.begin() + 3, script.begin() + 5);  // no AUTH exchange
  m_server.AddConnection(script);
  Run();
  EXPECT_EQ(Final(), "メール配送完了");
  EXPECT_EQ(m_recorder.Steps(), 6);
  EXPECT_EQ(m_server.Lines()[0], "HELO " + CSmtp(nullptr).HeloName());
  EXPECT_EQ(m_server.Lines().size(), 6u);
  EXPECT_EQ(m_server.Lines().back(), "QUIT");
}

TEST_F(SendMailTest, MultiLineEhloArrivingInPiecesIsReadWhole) {
  Server::Script script = Delivery("");
  script[2] = Server::Send("250-mail.example.jp\r\n250-SIZE 100");
  script.insert(script.begin() + 3, {Server::Stall(100), Server::Send("00\r\n250 AUTH PLAIN\r\n")});
  m_server.AddConnection(script);
  Run();
  EXPECT_EQ(Final(), "メール配送完了");
  EXPECT_EQ(m_server.Lines()[1].substr(0, 10), "AUTH PLAIN");
}

TEST_F(SendMailTest, EhloWithoutAuthGoesOnAndAuthWithoutPlainIsRefused) {
  Server::Script script = Delivery("250-mail\r\n250 8BITMIME\r\n");
  script.erase(script.begin() + 3, script.begin() + 5);  // no AUTH exchange
  m_server.AddConnection(script);
  m_server.AddConversation("220 ready\r\n", {"250-mail\r\n250 AUTH LOGIN CRAM-MD5\r\n", "221 bye\r\n"});
  Run();
  EXPECT_EQ(Final(), "メール配送完了");
  EXPECT_EQ(m_server.Lines(0)[1], "MAIL FROM: <taro@example.jp>");

  CMailProgressRecorder recorder;
  CMailMessage message;
  message.CopyForSend(m_message);
  recorder.Run([&] {
    SendMail sender;
    sender.OpenLog(false, nullptr, recorder.Window());
    sender.Run(m_settings, message);
  });
  EXPECT_EQ(recorder.Finals(), Lines{"PLAIN認証が利用できません。"});
  EXPECT_EQ(m_server.Lines(1).back(), "QUIT");
}

TEST_F(SendMailTest, EachRefusalHasItsText) {
  struct Case {
    std::vector<std::string> replies;
    const char* text;
    std::size_t commands;  // commands the server receives, QUIT included
    MailFailure failure;
  } cases[] = {
      {{"500 no\r\n", "221 bye\r\n"}, "接続が拒否されました。(サーバーの応答: 500 no)", 2,
       MailFailure::Refused},
      {{"250 AUTH PLAIN\r\n", "535 bad\r\n", "221\r\n"},
       "認証が拒否されました。(サーバーの応答: 535 bad)", 3, MailFailure::Login},
      {{"250 AUTH PLAIN\r\n", "235 ok\r\n", "550 no\r\n", "221\r\n"},
       "この差出人アドレスでは受付られません。(サーバーの応答: 550 no)", 4, MailFailure::Refused},
      {{"250 AUTH PLAIN\r\n", "235 ok\r\n", "250 ok\r\n", "550 no\r\n", "221\r\n"},
       "この宛先アドレスでは受付られません。(サーバーの応答: 550 no)", 5, MailFailure::Refused},
      {{"250 AUTH PLAIN\r\n", "235 ok\r\n", "250 ok\r\n", "250 ok\r\n", "554 no\r\n", "221\r\n"},
       "データ入力を拒否されました。(サーバーの応答: 554 no)", 6, MailFailure::Refused},
  };
  std::size_t index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    m_server.AddConversation("220 ready\r\n", c.replies);
    CMailProgressRecorder recorder;
    MailFailure failure = MailFailure::None;
    recorder.Run([&] {
      SendMail sender;
      sender.OpenLog(false, nullptr, recorder.Window());
      sender.Run(m_settings, m_message);
      failure = sender.Failure();
    });
    EXPECT_EQ(recorder.Finals(), Lines{c.text});
    EXPECT_EQ(failure, c.failure);
    EXPECT_EQ(m_server.Lines(index).size(), c.commands);
    EXPECT_EQ(m_server.Lines(index).back(), "QUIT");
    ++index;
  }
}

TEST_F(SendMailTest, ServerClosingAfterARefusalKeepsTheRefusalText) {
  m_server.AddConnection({Server::Send("220 ready\r\n"), Server::ReadLine(),
                          Server::Send("554 no\r\n"), Server::Close()});
  Run(true);
  EXPECT_EQ(Final(), "接続が拒否されました。(サーバーの応答: 554 no)");
  EXPECT_NE(platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log")).find("[error] 接続が拒否されました。"),
            std::string::npos);
}

TEST_F(SendMailTest, SecondRecipientRefusedEndsBeforeData) {
  m_message.AddRecipient("jiro@example.jp");
  m_settings.m_strPassword.clear();
  m_server.AddConversation("220 ready\r\n",
                           {"250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "550 unknown\r\n", "221\r\n"});
  Run();
  EXPECT_EQ(Final(), "この宛先アドレスでは受付られません。(サーバーの応答: 550 unknown)");
  EXPECT_EQ(m_server.Lines(),
            (Lines{"HELO " + CSmtp(nullptr).HeloName(), "MAIL FROM: <taro@example.jp>",
                   "RCPT TO: <hanako@example.jp>", "RCPT TO: <jiro@example.jp>", "QUIT"}));
  EXPECT_TRUE(platform::FileExists(m_message.File()));  // the file stays when the data was not sent
}

TEST_F(SendMailTest, RefusedFinalReplyDeletesTheFileAndARetryCannotReadIt) {
  Server::Script refused = Delivery("250 AUTH PLAIN\r\n");
  refused[12] = Server::Send("554 rejected\r\n");
  m_server.AddConnection(refused);
  m_server.AddConversation("220 ready\r\n", {"250 AUTH PLAIN\r\n", "235 ok\r\n", "250 ok\r\n",
                                              "250 ok\r\n", "354 go\r\n", "221 bye\r\n"});
  Run();
  EXPECT_EQ(Final(), "メールが配送できません。(サーバーの応答: 554 rejected)");
  EXPECT_EQ(m_server.Lines(0).back(), "QUIT");
  CMailProgressRecorder retry;
  retry.Run([&] {
    SendMail sender;
    sender.OpenLog(false, nullptr, retry.Window());
    sender.Run(m_settings, m_message);
  });
  EXPECT_EQ(retry.Finals(), Lines{"メールデータが読み込めません。"});
  EXPECT_EQ(m_server.Lines(1).back(), "QUIT");
}

TEST_F(SendMailTest, DotsAreDoubledAndAnUnendedLastLineIsClosed) {
  m_folder.WriteBytes("raw.txt", "Subject: x\r\n\r\n.\r\n..two\r\nmid.dle\r\n.end");
  m_settings.m_strPassword.clear();
  Server::Script script = Delivery("250 hi\r\n");
  script.erase(script.begin() + 3, script.begin() + 5);
  m_server.AddConnection(script);
  m_recorder.Run([&] {
    CSmtp smtp(m_recorder.Window());
    smtp.SetPort(m_server.Port());
    ASSERT_FALSE(smtp.Open("127.0.0.1").empty());
    ASSERT_EQ(smtp.Helo(), 0);
    ASSERT_EQ(smtp.Deliver("a@b", {"c@d"}, m_folder.File("raw.txt")), 0);
    smtp.Quit();
  });
  EXPECT_EQ(m_server.Lines()[4], "Subject: x\r\n\r\n..\r\n...two\r\nmid.dle\r\n..end\r\n.\r\n");
  EXPECT_FALSE(platform::FileExists(m_folder.File("raw.txt")));
}

TEST_F(SendMailTest, ConnectionFailuresAndSilence) {
  m_settings.m_nSmtpPort = UnusedLoopbackPort();
  Run();
  EXPECT_EQ(Final(), "サーバー127.0.0.1 (ポート " + std::to_string(m_settings.m_nSmtpPort) +
                         ") に接続できません。(接続が拒否されました)");

  // A greeting other than 220 refuses: QUIT at once.
  m_settings.m_nSmtpPort = m_server.Port();
  m_server.AddConversation("421 busy\r\n", {"421 busy\r\n", "221 bye\r\n"});
  CMailProgressRecorder busy;
  busy.Run([&] {
    SendMail sender;
    sender.OpenLog(false, nullptr, busy.Window());
    sender.Run(m_settings, m_message);
  });
  EXPECT_EQ(busy.Finals(), Lines{"接続が拒否されました。(サーバーの応答: 421 busy)"});
  EXPECT_EQ(m_server.Lines(0).back(), "QUIT");

  // A server that never greets: no QUIT, the time-out's text.
  m_settings.m_replyTimeoutMs = 200;
  m_server.AddConnection({Server::Stall(3000)});
  CMailProgressRecorder silent;
  silent.Run([&] {
    SendMail sender;
    sender.OpenLog(false, nullptr, silent.Window());
    sender.Run(m_settings, m_message);
  });
  EXPECT_EQ(silent.Finals(), Lines{"サーバーから応答がありません。(時間切れ)"});
  EXPECT_TRUE(m_server.Lines(1).empty());
}

TEST_F(SendMailTest, LongAuthTokenIsSentOnOneLine) {
  m_settings.m_strAccount = std::string(40, 'a');
  m_settings.m_strPassword = std::string(60, 'p');
  m_server.AddConnection(Delivery("250 AUTH PLAIN\r\n"));
  Run();
  EXPECT_EQ(Final(), "メール配送完了");
  std::string token = m_server.Lines()[1].substr(11);
  EXPECT_EQ(token.size(), 192u);
  EXPECT_EQ(B64Decode(token), std::string(40, 'a') + '\0' + std::string(40, 'a') + '\0' +
                                  std::string(60, 'p'));
  EXPECT_EQ(m_server.Lines()[2], "MAIL FROM: <taro@example.jp>");
}

}  // namespace

namespace {

// A server that takes the connection (or STARTTLS) and then says nothing during the TLS
// handshake: the send ends within the reply time-out, and no plain command follows. Each
// case has a server of its own, as a stalling one serves nobody else meanwhile.
TEST_F(SendMailTest, AHandshakeThatStallsOrARefusedStartTlsEndsTheSend) {
  m_settings.m_replyTimeoutMs = 200;
  const std::string ehlo = "EHLO " + CSmtp(nullptr).HeloName();
  struct Case {
    MailSecurity security;
    Server::Script script;
    const char* final;
    Lines received;
  } cases[] = {
      {MailSecurity::Tls, {Server::Stall(3000)}, "サーバーから応答がありません。(時間切れ)", {}},
      {MailSecurity::StartTls,
       {Server::Send("220 ready\r\n"), Server::ReadLine(),
        Server::Send("250-mail\r\n250 STARTTLS\r\n"), Server::ReadLine(),
        Server::Send("220 go ahead\r\n"), Server::Stall(3000)},
       "サーバーから応答がありません。(時間切れ)",
       {ehlo, "STARTTLS"}},
      // A refused STARTTLS ends with its text and QUIT, never with plain text.
      {MailSecurity::StartTls,
       {Server::Send("220 ready\r\n"), Server::ReadLine(),
        Server::Send("250-mail\r\n250 STARTTLS\r\n"), Server::ReadLine(),
        Server::Send("454 not now\r\n"), Server::ReadLine(), Server::Send("221 bye\r\n")},
       "STARTTLSが拒否されました。(サーバーの応答: 454 not now)",
       {ehlo, "STARTTLS", "QUIT"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.final);
    Server server;
    server.AddConnection(c.script);
    m_settings.m_security = c.security;
    m_settings.m_nSmtpPort = server.Port();
    CMailProgressRecorder recorder;
    recorder.Run([&] {
      SendMail sender;
      sender.OpenLog(false, nullptr, recorder.Window());
      sender.Run(m_settings, m_message);
    });
    EXPECT_EQ(recorder.Finals(), Lines{c.final});
    if (!c.received.empty()) EXPECT_EQ(server.Lines(0), c.received);
  }
}

}  // namespace
