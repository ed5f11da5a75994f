// The actions on update as the engine's worker runs them, against a UI queue served by
// the test thread, a scripted SMTP server, real programs and a recording opener.
#include "core/session/update_actions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "core/check/renew.h"
#include "platform/file_system.h"
#include "platform/shell.h"
#include "platform/sound_player.h"
#include "support/check_fixture.h"
#include "support/scripted_mail_server.h"

namespace {

using Server = CScriptedMailServer;
using Lines = std::vector<std::string>;

class UpdateActionsTest : public ::testing::Test {
 protected:
  UpdateActionsTest() {
    settings.m_mailServer = "127.0.0.1";
    settings.m_mailPort = smtp.Port();
    settings.m_mailAccount = "taro@example.jp";
    settings.m_smtpAuthState = "NO_AUTH";
    host.queue = &fixture.queue;
    host.showPage = [this](const FetchRequest& request) { shown.push_back(request.m_url); };
  }
  ~UpdateActionsTest() override {
    platform::SoundPlayer().Stop();
    platform::SoundPlayer().SetPlayerCommand({});
    platform::SetDesktopOpener({});
  }

  WatchItem Item() const {
    WatchItem item = fixture.FullTextItem("/page");
    item.m_soundUse = 0;
    item.m_popUp = 0;
    return item;
  }
  // OnUpdate on a worker, as the engine runs it, while this thread serves the UI queue.
  bool RunActions(CUpdateActions& actions, const WatchItem& item) {
    bool done = false;
    bool result = false;
    std::thread worker([&] {
      result = actions.OnUpdate(item, settings);
      fixture.queue.Post([&done] { done = true; });
    });
    fixture.queue.RunUntil([&done] { return done; }, 20000);
    worker.join();
    return result;
  }
  // A file that a started program writes shows up within a few seconds.
  std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 500 && !platform::FileExists(path); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // written whole
    return platform::FileExists(path) ? fixture.folder.ReadBytes(path.substr(fixture.folder.Path().size() + 1)) : "";
  }
  void WriteScript(const std::string& name, const std::string& text) {
    fixture.folder.WriteBytes(name, "#!/bin/sh\n" + text);
    chmod(fixture.folder.File(name).c_str(), 0755);
  }

  CheckFixture fixture;
  CReNew engine{fixture.Environment()};
  Server smtp;
  AppSettings settings;
  UpdateActionsHost host;
  Lines shown;
};

TEST_F(UpdateActionsTest, ActionsRunInTheirOrderEachWhateverTheOthersDid) {
  fixture.folder.WriteBytes("chime.wav", "RIFF");
  platform::SoundPlayer().SetPlayerCommand({"/bin/sh", "-c", "sleep 5", "player"});
  smtp.AddConnection(Server::SmtpDelivery());
  Lines events;
  host.raiseMainWindow = [&] {
    events.push_back(std::string("raise") +
                     (platform::SoundPlayer().IsPlaying() ? " after the sound" : "") +
                     (smtp.ConnectionCount() == 0 ? " before the mail" : ""));
  };
  host.showPage = [&](const FetchRequest& request) {
    events.push_back("show " + request.m_url + (smtp.ConnectionCount() == 0 ? " before the mail" : ""));
  };
  CUpdateActions actions(engine, host, nullptr);
  WatchItem item = Item();
  item.m_soundUse = 2;
  item.m_soundFile = fixture.folder.File("chime.wav");
  item.m_popUp = 1;
  item.m_showPage = 1;
  item.m_exec = "  HTTP://example.jp/run";  // an address, passed on unchanged
  item.m_useMail = 1;
  item.m_mailTo = "hanako@example.jp";
  item.m_mailSubject = "ページ更新";
  item.m_mailBody = "更新されました";
  EXPECT_TRUE(RunActions(actions, item));
  EXPECT_EQ(events, (Lines{"raise after the sound before the mail",
                           "show " + item.m_url + " before the mail",
                           "show   HTTP://example.jp/run before the mail"}));
  ASSERT_EQ(smtp.ConnectionCount(), 1u);
  std::string received = smtp.Received();
  EXPECT_NE(received.find("RCPT TO: <hanako@example.jp>\r\n"), std::string::npos) << received;
  EXPECT_NE(received.find("To: hanako@example.jp\r\n"), std::string::npos);
}

TEST_F(UpdateActionsTest, ExecRunsAProgramInItsFolderAndOpensAnyOtherFile) {
  platform::MakeDirectory(fixture.folder.File("bin"));
  WriteScript("bin/act.sh", "pwd > ran.txt\n");
  fixture.folder.WriteBytes("bin/notes.txt", "notes");
  std::string opened = fixture.folder.File("opened.txt");
  platform::SetDesktopOpener({"/bin/sh", "-c", "printf %s \"$1\" > '" + opened + "'", "opener"});
  CUpdateActions actions(engine, host, nullptr);
  WatchItem item = Item();
  item.m_exec = fixture.folder.File("bin/act.sh");
  EXPECT_TRUE(RunActions(actions, item));
  EXPECT_EQ(WaitForFile(fixture.folder.File("bin/ran.txt")), fixture.folder.File("bin") + "\n");
  item.m_exec = fixture.folder.File("bin/notes.txt");
  EXPECT_TRUE(RunActions(actions, item));
  EXPECT_EQ(WaitForFile(opened), fixture.folder.File("bin/notes.txt"));
  EXPECT_TRUE(shown.empty());
}

TEST_F(UpdateActionsTest, AFailedMailIsToldAndOneBrokenOffByACancelIsNot) {
  smtp.AddConnection({Server::Send("220 ready\r\n"), Server::ReadLine(),
                      Server::Send("554 go away\r\n"), Server::ReadLine(),
                      Server::Send("221 bye\r\n")});
  CUpdateActions actions(engine, host, nullptr);
  WatchItem item = Item();
  item.m_useMail = 1;
  item.m_mailTo = "hanako@example.jp";
  EXPECT_FALSE(RunActions(actions, item));
  EXPECT_EQ(smtp.ConnectionCount(), 1u);
  // A cancelled check (its item deleted, the program ending) runs nothing more.
  engine.AbortSignal()->Cancel();
  item.m_showPage = 1;
  EXPECT_TRUE(RunActions(actions, item));
  EXPECT_EQ(smtp.ConnectionCount(), 1u);
  EXPECT_TRUE(shown.empty());
  engine.AbortSignal()->Reset();
}

TEST(UpdateActionsRulesTest, SoundAndAddressRules) {
  WatchItem item;
  item.m_soundUse = 2;
  item.m_soundFile = "";
  EXPECT_EQ(CUpdateActions::SoundPath(item), "") << "an empty file plays nothing";
  item.m_soundUse = 0;
  item.m_soundFile = "/x.wav";
  EXPECT_EQ(CUpdateActions::SoundPath(item), "");
  EXPECT_TRUE(CUpdateActions::IsAddress(" \tHttPs://host/"));
  EXPECT_FALSE(CUpdateActions::IsAddress("/usr/bin/http"));
  EXPECT_FALSE(CUpdateActions::IsAddress("  htt"));
}

}  // namespace
