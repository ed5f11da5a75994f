#include "core/mail/pop3.h"

#include <gtest/gtest.h>

#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "support/mail_progress_recorder.h"
#include "support/scripted_mail_server.h"
#include "support/temp_folder.h"

namespace {

using Server = CScriptedMailServer;
using Lines = std::vector<std::string>;

TEST(Pop3ReplyTest, MessageCountAndTimestamp) {
  EXPECT_EQ(CPop3::MessageCount("+OK user has 3 messages (1234 octets)\r\n"), 3);
  EXPECT_EQ(CPop3::MessageCount("+OK 2 messages\r\n"), 0);
  EXPECT_EQ(CPop3::MessageCount("+OK has   12\r\n"), 12);
  EXPECT_EQ(CPop3::MessageCount("+OK has none\r\n"), 0);
  EXPECT_EQ(CPop3::Timestamp("+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>\r\n"),
            "<1896.697170952@dbc.mtview.ca.us>");
  EXPECT_EQ(CPop3::Timestamp("+OK ready\r\n"), "");
  EXPECT_EQ(CPop3::Timestamp("+OK a>b\r\n"), "+OK a>");
  EXPECT_EQ(CPop3::Timestamp("+OK <abc\r\n"), "");
}

class MailCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramFolder(m_folder.Path());
    m_settings.m_strSmtpServer = "127.0.0.1";
    m_settings.m_nPopPort = m_server.Port();
    m_settings.m_strAccount = "taro";
    m_settings.m_strPassword = "secret";
    m_settings.m_replyTimeoutMs = 2000;
  }

  int Check(bool apop, bool log = false) {
    int count = -2;
    m_recorder.Run([&] {
      MailChecker checker;
      FILE* file = checker.OpenLog(log, nullptr, m_recorder.Window());
      count = apop ? checker.CheckApop(m_settings) : checker.CheckUserPass(m_settings);
      if (file) fclose(file);
    });
    return count;
  }

  TempFolder m_folder;
  Server m_server;
  CMailServerInfo m_settings;
  CMailProgressRecorder m_recorder;
};

TEST_F(MailCheckerTest, UserPassConversationOnTheSmtpHost) {
  m_server.AddConversation("+OK ready\r\n",
                           {"+OK\r\n", "+OK taro has 3 messages (1234 octets)\r\n", "+OK bye\r\n"});
  EXPECT_EQ(Check(false, true), 3);
  EXPECT_EQ(m_server.Lines(), (Lines{"USER taro", "PASS secret", "QUIT"}));
  EXPECT_EQ(m_recorder.Steps(), 3);
  EXPECT_EQ(m_recorder.Finals(), Lines{"3 通のメールが届いています。"});
  std::string log = platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log"));
  EXPECT_NE(log.find("[送信] PASS ********\r\n"), std::string::npos);
  EXPECT_EQ(log.find("secret"), std::string::npos);
  EXPECT_NE(log.find("[info] 3 通のメールが届いています。\r\n"), std::string::npos);
}

TEST_F(MailCheckerTest, ApopSendsTheDigestOfTimestampAndPassword) {
  m_server.AddConversation("+OK POP3 <1896.697170952@dbc.mtview.ca.us>\r\n",
                           {"+OK mrose has 2 messages\r\n", "+OK\r\n"});
  m_settings.m_strAccount = "mrose";
  m_settings.m_strPassword = "tanstaaf";
  EXPECT_EQ(Check(true), 2);
  EXPECT_EQ(m_server.Lines(), (Lines{"APOP mrose c4c9334bac560ecc979e58001b3e22fb", "QUIT"}));
  EXPECT_EQ(m_recorder.Steps(), 2);
}

TEST_F(MailCheckerTest, ApopWithoutTimestampDigestsThePasswordAlone) {
  m_server.AddConversation("+OK ready\r\n", {"+OK 0 messages\r\n", "+OK\r\n"});
  EXPECT_EQ(Check(true), 0);
  EXPECT_EQ(m_server.Lines()[0], "APOP taro 5ebe2294ecd0e0f08eab7690d2a6ee69");
  EXPECT_EQ(m_recorder.Finals(), Lines{"0 通のメールが届いています。"});
}

TEST_F(MailCheckerTest, RefusedUserClosesWithoutQuit) {
  m_server.AddConversation("+OK ready\r\n", {"-ERR who?\r\n"});
  EXPECT_EQ(Check(false, true), -1);
  EXPECT_EQ(m_server.Lines(), Lines{"USER taro"});
  EXPECT_EQ(m_recorder.Finals(),
            (Lines{"このユーザーは受付られません。(サーバーの応答: -ERR who?)",
                   "このユーザーは受付られません。(サーバーの応答: -ERR who?)"}));
  EXPECT_NE(platform::Utf8ToCp932(m_folder.ReadBytes("InetCom.log")).find("[error] このユーザーは受付られません。"),
            std::string::npos);
}

TEST_F(MailCheckerTest, RefusedPasswordAndApopSendQuit) {
  m_server.AddConversation("+OK ready\r\n", {"+OK\r\n", "-ERR no\r\n", "+OK\r\n"});
  EXPECT_EQ(Check(false), -1);
  EXPECT_EQ(m_server.Lines(0), (Lines{"USER taro", "PASS secret", "QUIT"}));
  EXPECT_EQ(m_recorder.Finals().back(), "パスワードが違っています。(サーバーの応答: -ERR no)");

  m_server.AddConversation("+OK <a@b>\r\n", {"-ERR no\r\n", "+OK\r\n"});
  EXPECT_EQ(Check(true), -1);
  EXPECT_EQ(m_server.Lines(1)[1], "QUIT");
  EXPECT_EQ(m_recorder.Finals().back(), "認証されませんでした。(サーバーの応答: -ERR no)");
}

TEST_F(MailCheckerTest, UnreachableOrSilentServerFailsWithItsText) {
  m_settings.m_nPopPort = UnusedLoopbackPort();
  EXPECT_EQ(Check(false), -1);
  EXPECT_EQ(m_recorder.Finals(), Lines{"サーバー127.0.0.1 (ポート " +
                                       std::to_string(m_settings.m_nPopPort) +
                                       ") に接続できません。(接続が拒否されました)"});

  m_settings.m_nPopPort = m_server.Port();
  m_settings.m_replyTimeoutMs = 200;
  m_server.AddConnection({Server::Stall(3000)});
  EXPECT_EQ(Check(true), -1);
  EXPECT_EQ(m_recorder.Finals().back(), "サーバーから応答がありません。(時間切れ)");
}

}  // namespace
