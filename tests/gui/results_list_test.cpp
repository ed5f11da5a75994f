// The results list for real under the virtual X server: rows from finished checks of a
// real watch list, and its commands on the row's item after the list changed.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/uiaction.h>

#include "core/check/check_results.h"
#include "core/watch/watch_list.h"
#include "gui/check/results_list.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "support/check_fixture.h"

namespace {

// The main window's side, recorded.
struct RecordingMainWindow : IMainWindowMessages {
  void DisplayPage(DisplayKind kind, const FetchRequest& request) override {
    shown.push_back(std::to_string(static_cast<int>(kind)) + " " + request.m_url);
  }
  void DisplayPage(DisplayKind kind, const std::string& text) override {
    shown.push_back(std::to_string(static_cast<int>(kind)) + " " + text);
  }
  void EditItem(int index) override { edited.push_back(index); }
  void ShowChange(int) override {}
  std::vector<std::string> shown;
  std::vector<int> edited;
};

class ResultsListTest : public ::testing::Test, public CheckFixture {
 protected:
  ResultsListTest() {
    owner = new wxFrame(nullptr, wxID_ANY, wxASCII_STR("owner"));
    rows = new CRenewCheckWnd(owner, wxID_ANY, wxDefaultPosition, wxDefaultSize);
    rows->Attach(&list, &mainWindow, {70, 240, 140});
    list.SetItemListener([this](unsigned id) { changed.push_back(id); });
    results = std::make_unique<CCheckResults>(list, *rows);
    list.Engine().SetWaitSlice(5);
    list.Init(&wxQueue, results.get());
    Serve("/a", "page a");
    Serve("/b", "page b");
    server.Handle("/gone", [](const HttpRequestRecord&) { return ScriptedResponse::Status(404); });
  }
  ~ResultsListTest() override {
    owner->Destroy();
    RunEventsFor(20);
  }

  void Add(const std::string& path, const std::string& name) {
    WatchItem item = FullTextItem(path);
    item.m_nextCheck = -1;
    item.m_name = name;
    list.AddItem(item);
  }
  void CheckAndWait(int position) {
    int before = rows->GetItemCount();
    list.CheckNow(position);
    ASSERT_TRUE(RunEventsUntil([&] { return rows->GetItemCount() > before; }, 10000));
  }
  void SelectRow(long row) {
    for (long other = 0; other < rows->GetItemCount(); ++other) {
      rows->SetItemState(other, 0, wxLIST_STATE_SELECTED);
    }
    rows->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  }

  CWxUiQueue wxQueue;
  CWatchList list{MakeEngine()};
  RecordingMainWindow mainWindow;
  wxFrame* owner = nullptr;
  CRenewCheckWnd* rows = nullptr;
  std::unique_ptr<CCheckResults> results;
  std::vector<unsigned> changed;  // what the list told its item listener
};

TEST_F(ResultsListTest, RowsArriveAsChecksEndNewestOnTop) {
  Add("/a", "ページＡ");
  Add("/gone", "");
  CheckAndWait(0);
  ASSERT_EQ(rows->GetItemCount(), 1);
  EXPECT_EQ(rows->RowText(0, 1), "ページＡ");
  EXPECT_EQ(rows->RowText(0, 2), "更新されています");
  EXPECT_EQ(changed, (std::vector<unsigned>{list.GetItem(0).m_id}))
      << "the watch list window hears of the item";
  CheckAndWait(1);
  ASSERT_EQ(rows->GetItemCount(), 2);
  EXPECT_EQ(rows->RowText(0, 1), list.GetItem(1).m_url) << "no name: the address";
  EXPECT_EQ(rows->RowText(0, 2), "エラー(status=404)");
  EXPECT_EQ(rows->RowText(1, 1), "ページＡ");
  wxListItem image;
  image.SetId(0);
  image.SetMask(wxLIST_MASK_IMAGE);
  rows->GetItem(image);
  EXPECT_EQ(image.GetImage(), ResultRow::kError);
}

TEST_F(ResultsListTest, CommandsReachTheRowsItemAfterTheListChanged) {
  Add("/a", "a");
  Add("/b", "b");
  CheckAndWait(1);  // the row of "b", at position 1
  list.DeleteItem(0);
  RunEventsFor(20);
  ASSERT_EQ(list.GetItem(0).m_name, "b");
  SelectRow(0);

  rows->RunRowCommand(CRenewCheckWnd::RowCommand::EditSite);
  EXPECT_EQ(mainWindow.edited, (std::vector<int>{1})) << "b is at position 0 now";
  ASSERT_EQ(list.GetItem(0).m_renewMark, UpdateMark::Updated);
  rows->RunRowCommand(CRenewCheckWnd::RowCommand::ShowSite);
  EXPECT_EQ(list.GetItem(0).m_renewMark, UpdateMark::None) << "seen: the update mark goes";
  EXPECT_EQ(changed.back(), list.GetItem(0).m_id);
  EXPECT_EQ(mainWindow.shown, (std::vector<std::string>{"0 " + list.GetItem(0).m_url}));

  WatchItem saving = list.GetItem(0);
  saving.m_savePath = "/tmp/saved page.html";
  list.ReplaceItem(0, saving);
  rows->RunRowCommand(CRenewCheckWnd::RowCommand::ShowLatestFile);
  rows->RunRowCommand(CRenewCheckWnd::RowCommand::CheckLatestImage);
  ASSERT_EQ(mainWindow.shown.size(), 3u);
  EXPECT_EQ(mainWindow.shown[1], "1 /tmp/saved page.html");
  EXPECT_EQ(mainWindow.shown[2], "2 /tmp/saved page.html");

  // Once the item is gone the row does nothing, even when another item takes its place.
  list.DeleteItem(0);
  Add("/a", "a again");
  RunEventsFor(20);
  rows->RunRowCommand(CRenewCheckWnd::RowCommand::EditSite);
  rows->RunRowCommand(CRenewCheckWnd::RowCommand::ShowLatestFile);
  EXPECT_EQ(mainWindow.edited.size(), 1u);
  EXPECT_EQ(mainWindow.shown.size(), 3u);
}

// A real right click selects the row and opens the menu; a double click shows the site.
TEST_F(ResultsListTest, ARightClickOpensTheMenuAndADoubleClickShowsTheSite) {
  Add("/a", "a");
  Add("/b", "b");
  CheckAndWait(0);
  CheckAndWait(1);
  owner->Show();
  ASSERT_TRUE(RunEventsUntil([&] { return rows->IsShownOnScreen(); }));
  RunEventsFor(100);
  int menus = 0;
  rows->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
    event.Skip();
    ++menus;
    rows->CallAfter([] { wxUIActionSimulator().Char(WXK_ESCAPE); });
  });
  wxRect rect;
  ASSERT_TRUE(rows->GetItemRect(1, rect));
  wxPoint at = rows->ClientToScreen(wxPoint(rect.x + 100, rect.y + rect.height / 2));
  wxUIActionSimulator simulator;
  simulator.MouseMove(at);
  RunEventsFor(30);
  simulator.MouseClick(wxMOUSE_BTN_RIGHT);
  ASSERT_TRUE(RunEventsUntil([&] { return menus > 0; }, 3000));
  EXPECT_EQ(rows->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), 1);
  RunEventsFor(300);
  EXPECT_EQ(menus, 1);

  simulator.MouseDblClick();
  ASSERT_TRUE(RunEventsUntil([&] { return !mainWindow.shown.empty(); }, 3000));
  EXPECT_EQ(list.GetItem(0).m_renewMark, UpdateMark::None) << "row 1 is the older check, of a";
  EXPECT_EQ(list.GetItem(1).m_renewMark, UpdateMark::Updated);
}

}  // namespace
