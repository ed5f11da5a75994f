#include "core/mail/line_client.h"

#include <gtest/gtest.h>

#include "core/mail/mail_log.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "support/scripted_mail_server.h"
#include "support/temp_folder.h"

namespace {

using Server = CScriptedMailServer;

class LineClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramFolder(m_folder.Path());
    platform::SetCurrentClock(&m_clock);
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override { platform::SetCurrentClock(nullptr); }

  std::string LogText() const { return m_folder.ReadBytes("InetCom.log"); }

  TempFolder m_folder;
  // 14 May 2006 09:03:07 UTC
  platform::ManualClock m_clock{1147597387};
};

TEST_F(LineClientTest, RefusedConnectionAndUnknownNameAreToldInWords) {
  CLineClient client(nullptr);
  int port = UnusedLoopbackPort();
  EXPECT_EQ(client.Connect("127.0.0.1", port), -1);
  EXPECT_EQ(client.GetMessage(), "サーバー127.0.0.1 (ポート " + std::to_string(port) +
                                      ") に接続できません。(接続が拒否されました)");
  EXPECT_EQ(client.Failure(), MailFailure::Connection);
  client.SetPort(UnusedLoopbackPort());
  EXPECT_EQ(client.Open("127.0.0.1"), "");
  EXPECT_EQ(client.GetMessage().find("10061"), std::string::npos);
  EXPECT_EQ(client.Connect("nowhere.invalid", 25), -1);
  EXPECT_EQ(client.GetMessage(), "サーバー名 nowhere.invalid が見つかりません。");
}

TEST_F(LineClientTest, ConnectReportsTheHostAndOpenReturnsTheGreeting) {
  Server server;
  server.AddConnection({Server::Send("220 ready\r\n"), Server::ReadLine(), Server::Send("+OK\r\n")});
  CLineClient client(nullptr);
  client.SetPort(server.Port());
  EXPECT_EQ(client.Open("127.0.0.1"), "220 ready\r\n");
  EXPECT_EQ(client.GetMessage(), "サーバー127.0.0.1との接続完了");
  EXPECT_EQ(client.SendReceive("NOOP\r\n"), "+OK\r\n");
  client.Close();
  client.Close();  // a second close does nothing
  EXPECT_EQ(server.Lines(), std::vector<std::string>{"NOOP"});
}

TEST_F(LineClientTest, ReplyArrivingInPiecesIsReadUpToItsLineEnd) {
  Server server;
  std::string longLine(1500, 'x');
  server.AddConnection({Server::Send("+OK wel"), Server::Stall(50), Server::Send("come\r\n"),
                        Server::ReadLine(), Server::Send(longLine.substr(0, 1024)),
                        Server::Stall(50), Server::Send(longLine.substr(1024) + "\r\n"),
                        Server::ReadLine(), Server::Send(std::string(1022, 'y') + "\r\n")});
  CLineClient client(nullptr);
  client.SetPort(server.Port());
  EXPECT_EQ(client.Open("127.0.0.1"), "+OK welcome\r\n");
  EXPECT_EQ(client.SendReceive("A\r\n"), longLine + "\r\n");
  EXPECT_EQ(client.SendReceive("B\r\n").size(), 1024u);
}

TEST_F(LineClientTest, PeerClosingAndSilenceAreReported) {
  Server server;
  server.AddConnection({Server::Send("+OK hi\r\n"), Server::ReadLine(), Server::Send("+OK par"),
                        Server::Close()});
  server.AddConnection({Server::Send("+OK hi\r\n"), Server::ReadLine(), Server::Stall(5000)});
  CLineClient client(nullptr);
  client.SetPort(server.Port());
  ASSERT_FALSE(client.Open("127.0.0.1").empty());
  EXPECT_EQ(client.SendReceive("X\r\n"), "");
  EXPECT_EQ(client.GetMessage(), "接続が閉じられました。");
  client.Close();

  client.SetTimeouts(1000, 200);
  ASSERT_FALSE(client.Open("127.0.0.1").empty());
  EXPECT_EQ(client.SendReceive("Y\r\n"), "");
  EXPECT_EQ(client.GetMessage(), "サーバーから応答がありません。(時間切れ)");
}

TEST_F(LineClientTest, ErrorTextsOfTheTableAndOthers) {
  EXPECT_EQ(CLineClient::ErrorText(10040), "データグラムが長すぎる");
  EXPECT_EQ(CLineClient::ErrorText(10054), "WSAECONNRESET");
  EXPECT_EQ(CLineClient::ErrorText(10057), "ソケットが接続されていません");
  EXPECT_EQ(CLineClient::ErrorText(10093), "AfxSocketInitが正常終了していません");
  EXPECT_EQ(CLineClient::ErrorText(11004), "通信エラー (11004)");
  EXPECT_EQ(platform::WsaErrorFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(platform::WsaErrorFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(platform::WsaErrorFromErrno(ETIMEDOUT), 10060);
}

TEST_F(LineClientTest, LogLinesHaveTheirExactFormat) {
  FILE* log = OpenMailLog();
  ASSERT_NE(log, nullptr);
  CLineClient client(nullptr);
  client.Log("not attached", kLogInfo);  // nothing without a file
  client.StartLog(log);
  client.Log("HELO mypc\r\n", kLogSent);
  client.Log("250-one\r\n250 two\r\n", kLogReceived);
  client.Log("x", 7);
  client.LogError("");
  client.Log("fine  \t", kLogInfo);
  client.Log("trace", kLogDebug);
  fclose(log);
  // In UTF-8, as the system's tools read it.
  EXPECT_EQ(LogText(),
            platform::Cp932ToUtf8(
                "06/05/14 09:03:07 －－－ログの記録を開始しました。－－－\r\n"
                "06/05/14 09:03:07 [送信] HELO mypc\r\n"
                "06/05/14 09:03:07 [受信] 250-one\r\r\n250 two\r\n"
                "06/05/14 09:03:07 [debug] msg = x nKindOf = 7\r\n"
                "06/05/14 09:03:07 [error] 不明なエラーが発生しました。\r\n"
                "06/05/14 09:03:07 [info] fine\r\n"
                "06/05/14 09:03:07 [debug] trace\r\n"));
}

TEST_F(LineClientTest, NotifyReachesTheDialogThreadAndNothingWithoutWindow) {
  CLineClient silent(nullptr);
  silent.Notify("text", 1);

  platform::CLoopQueue queue;
  std::vector<std::pair<int, std::string>> seen;
  MailWindow window{&queue, [&](int done, const std::string& text) { seen.emplace_back(done, text); }};
  std::thread worker([&] {
    CLineClient client(&window);
    client.Notify("", 0);
    client.Notify("終わり", 1);
  });
  queue.RunUntil([&] { return seen.size() == 2; }, 5000);
  worker.join();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], std::make_pair(0, std::string()));
  EXPECT_EQ(seen[1], std::make_pair(1, std::string("終わり")));
}

}  // namespace
