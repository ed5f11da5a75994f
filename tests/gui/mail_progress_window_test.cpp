// The mail progress dialog on wx: a notification mail sent from a worker thread shows its
// dialog on the UI thread and the worker waits for the end of the conversation.
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <thread>
#include <wx/eventfilter.h>
#include <wx/toplevel.h>

#include "core/common/app_settings.h"
#include "core/mail/mail_job.h"
#include "gui/mail/mail_progress_window.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/program_folder.h"
#include "support/scripted_mail_server.h"
#include "support/temp_folder.h"

namespace {

using Server = CScriptedMailServer;

Server::Script SmtpDelivers() {
  Server::Script script = {Server::Send("220 ready\r\n"), Server::ReadLine(),
                           Server::Send("250 mail\r\n")};
  for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
    script.push_back(Server::ReadLine());
    script.push_back(Server::Send(reply));
  }
  script.push_back(Server::ReadData());
  script.push_back(Server::Send("250 queued\r\n"));
  script.push_back(Server::ReadLine());
  script.push_back(Server::Send("221 bye\r\n"));
  return script;
}

class MailProgressWindow : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramFolder(folder.Path());
    smtp.AddConnection(SmtpDelivers());
    AppSettings app;
    app.m_mailServer = "127.0.0.1";
    app.m_mailAccount = "taro@example.jp";
    settings = CMailServerInfo::FromSettings(app, false);
    settings.m_nSmtpPort = smtp.Port();
    settings.m_replyTimeoutMs = 3000;
    BuildTestMessage(message, "taro@example.jp");
  }

  TempFolder folder;
  Server smtp;
  CMailServerInfo settings;
  CMailMessage message;
};

// Notes the caption of every dialog that is shown (also inside a modal loop).
class ShownDialogs : public wxEventFilter {
 public:
  ShownDialogs() { wxEvtHandler::AddFilter(this); }
  ~ShownDialogs() override { wxEvtHandler::RemoveFilter(this); }
  int FilterEvent(wxEvent& event) override {
    if (event.GetEventType() == wxEVT_SHOW && static_cast<wxShowEvent&>(event).IsShown()) {
      if (auto* window = dynamic_cast<wxTopLevelWindow*>(event.GetEventObject())) {
        captions.push_back(FromWx(window->GetTitle()));
        int atOnce = 0;
        for (wxWindow* other : wxTopLevelWindows) atOnce += other->IsShown() && other != window;
        mostAtOnce = std::max(mostAtOnce, atOnce + 1);
      }
    }
    return Event_Skip;
  }
  std::vector<std::string> captions;
  int mostAtOnce = 0;  // progress windows shown at the same time
};

bool DialogShown(const std::string& caption) {
  for (wxWindow* window : wxTopLevelWindows) {
    if (FromWx(window->GetLabel()) == caption && window->IsShown()) return true;
  }
  return false;
}

TEST_F(MailProgressWindow, WorkersSendThroughDialogsOnTheUiThreadOneWindowAtATime) {
  smtp.AddConnection(SmtpDelivers());
  CWxUiQueue queue;
  CMailProgressHost host(queue);
  CMailJob first(host, nullptr), second(host, nullptr);
  // The program builds a message for every send; the conversation writes into its message.
  CMailMessage secondMessage;
  BuildTestMessage(secondMessage, "taro@example.jp");
  std::string results[2];
  std::atomic<int> done{0};
  ShownDialogs shown;
  std::thread workers[] = {std::thread([&] {
                             results[0] = first.SendOnce(settings, message, false);
                             ++done;
                           }),
                           std::thread([&] {
                             results[1] = second.SendOnce(settings, secondMessage, false);
                             ++done;
                           })};
  EXPECT_TRUE(RunEventsUntil([&] { return done.load() == 2; }, 20000));
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(shown.captions, (std::vector<std::string>{"メール送信中", "メール送信中"}));
  EXPECT_EQ(shown.mostAtOnce, 1) << "a second window opened inside the first one's modal loop";
  EXPECT_EQ(results[0], "メール配送完了");
  EXPECT_EQ(results[1], "メール配送完了");
  EXPECT_FALSE(DialogShown("メール送信中"));
}

TEST_F(MailProgressWindow, AfterTheQueueClosedTheConversationRunsWithoutAWindow) {

  CWxUiQueue queue;
  queue.Close();
  CMailProgressHost host(queue);
  CMailJob job(host, nullptr);
  std::string result;
  std::thread worker([&] { result = job.SendOnce(settings, message, false); });
  worker.join();
  EXPECT_EQ(result, "メール配送完了");
}

}  // namespace
