// The wx queue and prompter: workers reach the UI thread and wait for the user's answer.
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <thread>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/thread.h>

#include "gui/app/auth_dialog.h"
#include "gui/wx_prompter.h"
#include "gui/wx_text.h"
#include "gui/wx_ui_queue.h"
#include "gui_test_support.h"

namespace {

TEST(WxUiQueue, PostAndSendRunOnTheUiThread) {
  CWxUiQueue queue;
  std::atomic<int> posted{0};
  std::atomic<bool> sentOnUi{false}, sendReturned{false};
  std::thread worker([&] {
    queue.Post([&] { posted = wxIsMainThread() ? 1 : -1; });
    queue.Send([&] { sentOnUi = wxIsMainThread(); });
    sendReturned = true;
  });
  EXPECT_TRUE(RunEventsUntil([&] { return sendReturned.load(); }));
  worker.join();
  EXPECT_EQ(posted, 1);
  EXPECT_TRUE(sentOnUi);

  bool ranAtOnce = false;
  queue.Send([&] { ranAtOnce = true; });  // on the UI thread itself
  EXPECT_TRUE(ranAtOnce);
}

TEST(WxUiQueue, CloseReleasesAWorkerWaitingInSend) {
  CWxUiQueue queue;
  std::atomic<bool> waiting{false}, returned{false}, ran{false};
  std::thread worker([&] {
    waiting = true;
    bool done = queue.SendAndTell([&] { ran = true; });
    EXPECT_FALSE(done);
    returned = true;
  });
  while (!waiting) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  queue.Close();  // before the UI thread served the task
  worker.join();
  EXPECT_TRUE(returned);
  RunEventsFor(20);
  EXPECT_FALSE(ran);

  // A task posted before the queue closed is dropped as well: its window may be gone.
  CWxUiQueue later;
  bool posted = false;
  later.Post([&] { posted = true; });
  later.Close();
  RunEventsFor(20);
  EXPECT_FALSE(posted);
}

TEST(WxPrompter, AskCredentialsFromAWorkerShowsTheAuthenticationDialog) {
  CWxUiQueue queue;
  CWxPrompter prompter(queue);
  std::string caption, shownUrl;
  prompter.SetBeforeShow([&](wxWindow* window) {
    auto* dialog = dynamic_cast<CAuthDialog*>(window);
    ASSERT_NE(dialog, nullptr);
    caption = FromWx(dialog->GetTitle());
    EXPECT_EQ(dialog->PasswordField()->GetWindowStyle() & wxTE_PASSWORD, wxTE_PASSWORD);
    dialog->UserField()->ChangeValue(ToWx("利用者"));
    dialog->PasswordField()->ChangeValue(ToWx("secret"));
    dialog->CallAfter([dialog] { dialog->EndModal(wxID_OK); });
  });
  std::optional<IPrompter::Credentials> answer;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    answer = prompter.AskCredentials("http://127.0.0.1/private/", 60000);
    done = true;
  });
  EXPECT_TRUE(RunEventsUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(caption, "インターネット認証");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->user, "利用者");
  EXPECT_EQ(answer->password, "secret");
}

TEST(WxPrompter, AuthenticationDialogClosesAsCancelledAfterItsTimeOut) {
  CAuthDialog dialog(nullptr, "http://127.0.0.1/", 150);
  EXPECT_EQ(dialog.ShowModal(), wxID_CANCEL);
  EXPECT_TRUE(dialog.TimedOut());
}

TEST(WxPrompter, QuestionsAfterTheQueueClosedAreRefused) {
  CWxUiQueue queue;
  CWxPrompter prompter(queue);
  queue.Close();
  IPrompter::Answer answer = IPrompter::Answer::Yes;
  std::optional<IPrompter::Credentials> credentials{IPrompter::Credentials{}};
  std::thread worker([&] {
    answer = prompter.ShowMessage("続けますか", IPrompter::Buttons::YesNo,
                                  IPrompter::Icon::Question);
    credentials = prompter.AskCredentials("http://127.0.0.1/", 60000);
  });
  worker.join();
  EXPECT_EQ(answer, IPrompter::Answer::No);
  EXPECT_FALSE(credentials);
}

TEST(WxPrompter, MessageBoxesCarryTheTextCaptionAndButtons) {
  std::unique_ptr<wxMessageDialog> box(CWxPrompter::MakeMessageDialog(
      nullptr, "ダウンロードする設定になっていません。", IPrompter::Buttons::Ok,
      IPrompter::Icon::Warning, {}));
  EXPECT_EQ(FromWx(box->GetMessage()), "ダウンロードする設定になっていません。");
  EXPECT_EQ(FromWx(box->GetTitle()), "Pagewarden");
  EXPECT_TRUE(box->GetMessageDialogStyle() & wxICON_WARNING);

  std::unique_ptr<wxMessageDialog> retry(CWxPrompter::MakeMessageDialog(
      nullptr, "x", IPrompter::Buttons::RetryCancel, IPrompter::Icon::Error, "題"));
  EXPECT_EQ(FromWx(retry->GetTitle()), "題");
  // GTK writes the mnemonic its own way.
  EXPECT_EQ(FromWx(retry->GetOKLabel()).rfind("再試行", 0), 0u);
  EXPECT_EQ(CWxPrompter::ToAnswer(wxID_OK, IPrompter::Buttons::RetryCancel),
            IPrompter::Answer::Retry);
  EXPECT_EQ(CWxPrompter::ToAnswer(wxID_CANCEL, IPrompter::Buttons::YesNo),
            IPrompter::Answer::No);
  EXPECT_EQ(CWxPrompter::ToAnswer(wxID_CANCEL, IPrompter::Buttons::YesNoCancel),
            IPrompter::Answer::Cancel);
}

}  // namespace
