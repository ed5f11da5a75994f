// The main window with its watch list: the list loads at start, its checks fill the results
// list, the row commands and the stored items reach the list.
#include <gtest/gtest.h>
#include <wx/weakref.h>

#include "core/common/path_utils.h"
#include "core/watch/watch_list.h"
#include "gui/app/main_frame.h"
#include "gui/check/results_list.h"
#include "gui_test_support.h"
#include "platform/file_system.h"
#include "platform/shell.h"
#include "support/loopback_http_server.h"

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
  std::vector<int> forwarded;
  std::vector<std::pair<std::string, int>> sheets;
  MainWindowParts parts;
  parts.listForward = [&](int position) { forwarded.push_back(position); };
  parts.runSheet = [&](const WatchItem& item, int index) { sheets.emplace_back(item.m_name, index); };
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue, parts);
  window->Show();

  CRenewCheckWnd& results = window->Results();
  ASSERT_TRUE(RunEventsUntil([&] { return results.GetItemCount() == 1; }, 10000));
  EXPECT_EQ(results.RowText(0, 1), "お知らせのページ");
  std::string text = results.RowText(0, 2);
  EXPECT_TRUE(text == "更新されています" || text == "更新されていません") << text;
  EXPECT_NE(window->WatchList().GetItem(0).m_result, 0);
  EXPECT_EQ(server.RequestCount(), 1u);

  // The row's commands find its item in the list.
  results.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  results.RunRowCommand(CRenewCheckWnd::RowCommand::ShowSite);
  EXPECT_EQ(forwarded, std::vector<int>{0});
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

}  // namespace
