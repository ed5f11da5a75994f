// The main window with its watch list: the list loads at start, its checks fill the results
// list, the row commands and the stored items reach the list.
#include <gtest/gtest.h>
#include <atomic>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include "core/common/path_utils.h"
#include "core/watch/watch_list.h"
#include "gui/app/main_frame.h"
#include "gui/check/change_window.h"
#include "gui/check/results_list.h"
#include "gui_test_support.h"
#include "platform/file_system.h"
#include "platform/shell.h"
#include "support/loopback_http_server.h"
#include "support/scripted_mail_server.h"

namespace {

class MainWindowWithList : public testing::Test {
 protected:
  void SetUp() override {
    platform::MakeDirectory(ProgramFolder() + "/comp");
    server.Handle("/page.html", [](const HttpRequestRecord&) {
      return ScriptedResponse::Ok("<html><body>今日のお知らせ</body></html>");
    });
    // Pages shown from here go to an opener that does nothing.
    platform::SetDesktopOpener({"true"});
  }
  void TearDown() override { platform::SetDesktopOpener({}); }

  WatchItem Item(const std::string& name) const {
    WatchItem item;
    item.m_url = server.Url("/page.html");
    item.m_name = name;
    item.m_active = 1;
    item.m_soundUse = 0;
    item.m_popUp = 0;
    return item;
  }
  void WriteList(const std::vector<WatchItem>& items) {
    FILE* file = platform::OpenFile(CWatchList::FilePath(), "w");
    ASSERT_NE(file, nullptr);
    for (const WatchItem& item : items) ASSERT_EQ(item.Write(file), 0);
    std::fclose(file);
  }

  GuiWorld world;
  LoopbackHttpServer server;
};

TEST_F(MainWindowWithList, LoadsTheListAndShowsEachCheckAsARow) {
  WriteList({Item("お知らせのページ")});
  std::vector<std::pair<std::string, int>> sheets;
  MainWindowParts parts;
  parts.runSheet = [&](const WatchItem& item, int index) { sheets.emplace_back(item.m_name, index); };
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue, parts);
  window->Show();

  CRenewCheckWnd& results = window->Results();
  ASSERT_TRUE(RunEventsUntil([&] { return results.GetItemCount() == 1; }, 10000));
  EXPECT_EQ(results.RowText(0, 1), "お知らせのページ");
  std::string text = results.RowText(0, 2);
  EXPECT_TRUE(text == "更新されています" || text == "更新されていません") << text;
  EXPECT_NE(window->WatchList().GetItem(0).m_result, CheckResult::NeverChecked);
  // One check by the date: the HEAD request, then the page itself, which names no date.
  EXPECT_EQ(server.RequestCount(), 2u);

  // The row's commands find its item in the list.
  results.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  results.RunRowCommand(CRenewCheckWnd::RowCommand::ShowSite);
  EXPECT_NE(window->WatchList().GetItem(0).m_renewMark, UpdateMark::Updated) << "seen: no update mark";
  results.RunRowCommand(CRenewCheckWnd::RowCommand::EditSite);
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0], (std::pair<std::string, int>{"お知らせのページ", 1}));

  // Once the item is gone the row does nothing.
  window->WatchList().DeleteItem(0);
  RunEventsUntil([&] { return window->WatchList().GetCount() == 0; });
  results.RunRowCommand(CRenewCheckWnd::RowCommand::EditSite);
  EXPECT_EQ(sheets.size(), 1u);

  window->ExitProgram();
  EXPECT_TRUE(RunEventsUntil([&] { return !window; }));
}

TEST_F(MainWindowWithList, StoresNewAndEditedItemsButNotThoseWithoutAddress) {
  WriteList({});
  int refills = 0;
  MainWindowParts parts;
  parts.refreshWatchList = [&] { ++refills; };
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue, parts);
  window->Show();
  ASSERT_TRUE(RunEventsUntil([&] { return window->DeferredInitDone(); }));

  window->StoreItem(0, Item("一つ目"));
  RunEventsUntil([&] { return window->WatchList().GetCount() == 1; });
  WatchItem edited = Item("名前を変えた");
  window->StoreItem(1, edited);
  WatchItem empty;
  empty.m_name = "アドレスなし";
  window->StoreItem(0, empty);
  RunEventsUntil([&] { return window->WatchList().GetItem(0).m_name == "名前を変えた"; });
  EXPECT_EQ(window->WatchList().GetCount(), 1);
  EXPECT_EQ(window->WatchList().GetItem(0).m_name, "名前を変えた");
  EXPECT_EQ(refills, 2);

  window->ExitProgram();
  ASSERT_TRUE(RunEventsUntil([&] { return !window; }));
  // The list was saved as the window ended.
  EXPECT_TRUE(platform::FileExists(CWatchList::FilePath()));
}

// The desktop program's actions on update: the hidden window comes up as "開く" brings it,
// the page goes through the display hand-off (here to the desktop's opener, no helper being
// installed), and the notification mail runs in its progress window; the server refuses
// it, so its failure row comes first.
TEST_F(MainWindowWithList, AnUpdateRaisesTheWindowShowsThePageAndTellsAFailedMail) {
  using Mail = CScriptedMailServer;
  Mail smtp;
  smtp.AddConnection({Mail::Send("220 ready\r\n"), Mail::ReadLine(), Mail::Send("554 go away\r\n"),
                      Mail::ReadLine(), Mail::Send("221 bye\r\n")});
  AppSettings& settings = world.app->m_settings;
  settings.m_mailServer = "127.0.0.1";
  settings.m_mailPort = smtp.Port();
  settings.m_mailAccount = "taro@example.jp";
  settings.m_smtpAuthState = "NO_AUTH";
  std::string opened = ProgramFolder() + "/opened.txt";
  platform::SetDesktopOpener({"/bin/sh", "-c", "printf %s \"$1\" > '" + opened + "'", "opener"});
  WatchItem item = Item("お知らせのページ");
  item.m_popUp = 1;
  item.m_showPage = 1;
  item.m_useMail = 1;
  item.m_mailTo = "hanako@example.jp";
  WriteList({item});
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue);

  CRenewCheckWnd& results = window->Results();
  ASSERT_TRUE(RunEventsUntil([&] { return results.GetItemCount() == 2; }, 15000));
  EXPECT_TRUE(window->IsShown());
  EXPECT_EQ(results.RowText(0, 2), "更新されています");
  EXPECT_EQ(results.RowText(1, 1), "お知らせのページ");
  EXPECT_EQ(results.RowText(1, 2), "更新通知メールが送れませんでした");
  EXPECT_EQ(smtp.ConnectionCount(), 1u);
  ASSERT_TRUE(RunEventsUntil([&] { return platform::FileExists(opened); }, 10000));
  RunEventsFor(100);  // the opener has written the address whole
  char shown[256] = {};
  FILE* file = platform::OpenFile(opened, "r");
  ASSERT_NE(file, nullptr);
  std::fread(shown, 1, sizeof shown - 1, file);
  std::fclose(file);
  EXPECT_EQ(std::string(shown), item.m_url);

  window->ExitProgram();
  EXPECT_TRUE(RunEventsUntil([&] { return !window; }));
}

// Ending the program while a notification mail's window is up breaks the mail off: the
// server never answers, yet the window ends at once.
TEST_F(MainWindowWithList, ExitDuringTheNotificationMailEndsWithoutWaitingForTheServer) {
  using Mail = CScriptedMailServer;
  Mail smtp;
  smtp.AddConnection({Mail::Stall(60000)});
  AppSettings& settings = world.app->m_settings;
  settings.m_mailServer = "127.0.0.1";
  settings.m_mailPort = smtp.Port();
  settings.m_mailAccount = "taro@example.jp";
  settings.m_smtpAuthState = "NO_AUTH";
  WatchItem item = Item("お知らせのページ");
  item.m_useMail = 1;
  item.m_mailTo = "hanako@example.jp";
  WriteList({item});
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue);
  window->Show();
  // The progress window's modal loop runs the timer: exit once the server has the
  // connection and the window waits for its greeting.
  wxTimer exit;
  exit.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (smtp.ConnectionCount() == 1 && wxTopLevelWindows.size() > 1) {
      window->ExitProgram();
    } else {
      exit.StartOnce(20);
    }
  });
  exit.StartOnce(20);
  EXPECT_TRUE(RunEventsUntil([&] { return !window; }, 8000));
}

}  // namespace

TEST_F(MainWindowWithList, ShowChangeOpensTheChangeWindowWithTheChangedLineMarked) {
  std::atomic<int> version{1};
  server.Handle("/news.html", [&](const HttpRequestRecord&) {
    return ScriptedResponse::Ok(version == 1 ? "<p>見出し</p>\n<p>古いお知らせ</p>\n"
                                             : "<p>見出し</p>\n<p>新しいお知らせ</p>\n");
  });
  WatchItem item = Item("お知らせ");
  item.m_url = server.Url("/news.html");
  item.m_compareAll = 1;
  WriteList({item});
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue, MainWindowParts());
  window->Show();
  CRenewCheckWnd& results = window->Results();
  ASSERT_TRUE(RunEventsUntil([&] { return results.GetItemCount() == 1; }, 10000));
  results.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  EXPECT_FALSE(results.SelectedHasPreviousVersion()) << "the first check keeps nothing";

  version = 2;
  window->WatchList().CheckNow(0);
  ASSERT_TRUE(RunEventsUntil([&] { return results.GetItemCount() == 2; }, 10000));
  results.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  ASSERT_TRUE(results.SelectedHasPreviousVersion());
  results.RunRowCommand(CRenewCheckWnd::RowCommand::ShowChange);

  CChangeWindow* change = nullptr;
  for (wxWindow* top : wxTopLevelWindows) {
    if (auto* found = dynamic_cast<CChangeWindow*>(top)) change = found;
  }
  ASSERT_NE(change, nullptr);
  const std::vector<CChangeView::Row>& rows = change->View().Rows();
  int added = -1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].kind == CChangeView::Row::kAdded) added = static_cast<int>(i);
  }
  ASSERT_GE(added, 0) << change->View().StatusText() << " rows " << rows.size();
  EXPECT_EQ(rows[added].text, "+<p>新しいお知らせ</p>");
  wxTextAttr style;
  ASSERT_TRUE(change->Text()->GetStyle(change->RowStart(added) + 1, style));
  EXPECT_EQ(style.GetBackgroundColour(), CChangeWindow::AddedColour());
  EXPECT_EQ(change->View().StatusText(), "変更 1/1");

  // Esc typed in the change window closes that window and leaves the program running.
  wxWeakRef<CChangeWindow> open = change;
  change->Raise();
  change->Text()->SetFocus();
  ASSERT_TRUE(RunEventsUntil([&] { return wxWindow::FindFocus() == change->Text(); }));
  wxUIActionSimulator().Char(WXK_ESCAPE);
  EXPECT_TRUE(RunEventsUntil([&] { return !open; }));
  RunEventsFor(100);
  ASSERT_TRUE(window) << "Esc in the change window ended the program";
  EXPECT_TRUE(window->IsShown());
  window->ExitProgram();
  EXPECT_TRUE(RunEventsUntil([&] { return !window; }));
}
