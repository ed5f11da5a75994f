// The watch list window for real under the virtual X server: a real watch list with its
// engine against the loopback server, its reports coming through the wx queue.
#include <algorithm>
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/menuitem.h>
#include <wx/renderer.h>
#include <wx/uiaction.h>

#include "core/check/check_results.h"
#include "core/watch/watch_list.h"
#include "gui/app/main_commands.h"
#include "gui/ui/edit_box.h"
#include "gui/window_utils.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "support/check_fixture.h"

namespace {


class EditBoxTest : public ::testing::Test, public CheckFixture {
 protected:
  EditBoxTest() {
    list.Engine().SetWaitSlice(5);
    list.Init(&wxQueue, &results);
    server.Handle("/slow", [](const HttpRequestRecord&) {
      ScriptedResponse response = ScriptedResponse::Ok("slow page");
      response.delayMs = 1500;
      return response;
    });
    for (const char* path : {"/a", "/b", "/c", "/d"}) Serve(path, std::string("page ") + path);
    owner = new wxFrame(nullptr, wxID_ANY, wxASCII_STR("owner"));
  }
  ~EditBoxTest() override {
    if (box) box->Destroy();
    owner->Destroy();
    RunEventsFor(20);
  }

  void AddItems(std::initializer_list<const char*> paths) {
    for (const char* path : paths) {
      WatchItem item = FullTextItem(path);
      item.m_nextCheck = -1;
      item.m_name = path;
      list.AddItem(item);
    }
  }
  void Open() {
    EditBoxCallbacks callbacks;
    callbacks.editItem = [this](int index) { edited.push_back(index); };
    callbacks.displayPage = [this](const WatchItem& item) { displayed.push_back(item.m_name); };
    callbacks.saveSettings = [this] { ++saves; };
    callbacks.mainCommand = [this](int id) { commands.push_back(id); };
    box = new CEditBox(owner, list, settings, layout, callbacks);
    PlaceWindow(box, layout.m_windowRect);  // as the program places it
  }
  void Show() {
    box->ShowWindow();
    ASSERT_TRUE(RunEventsUntil([&] { return box->IsShownOnScreen(); }));
    RunEventsFor(100);
  }
  unsigned Id(int position) { return list.GetItem(position).m_id; }
  wxListCtrl& Rows() { return *box->List(); }
  std::string Text(long row, int column) { return FromWx(Rows().GetItemText(row, column)); }
  void Select(std::initializer_list<long> rows) {
    for (long row = 0; row < Rows().GetItemCount(); ++row) {
      Rows().SetItemState(row, 0, wxLIST_STATE_SELECTED);
    }
    for (long row : rows) Rows().SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  }
  // A real click at `x` pixels from the left edge of row `row`.
  void ClickRow(long row, int x) {
    wxRect rect;
    ASSERT_TRUE(Rows().GetItemRect(row, rect));
    wxPoint at = Rows().ClientToScreen(wxPoint(rect.x + x, rect.y + rect.height / 2));
    wxUIActionSimulator simulator;
    simulator.MouseMove(at);
    RunEventsFor(30);
    simulator.MouseClick();
    RunEventsFor(150);
  }
  int CheckBoxX() { return 5 + wxRendererNative::Get().GetCheckBoxSize(&Rows()).GetWidth() / 2; }
  void StartSlowCheck(int position) {
    std::size_t before = server.RequestCount();
    list.CheckNow(position);
    ASSERT_TRUE(RunEventsUntil([&] { return server.RequestCount() > before; }));
    ASSERT_TRUE(list.IsBusy());
  }

  CWxUiQueue wxQueue;
  CRecordingResultView view;
  CWatchList list{MakeEngine()};
  CCheckResults results{list, view};
  WatchListWindowLayout layout;
  wxFrame* owner = nullptr;
  CEditBox* box = nullptr;
  std::vector<int> edited;
  std::vector<std::string> displayed;
  std::vector<int> commands;
  int saves = 0;
};

TEST_F(EditBoxTest, ShowsItsCaptionsColumnsAndRowsInListOrder) {
  AddItems({"/a", "/b"});
  list.GetItemPtr(1)->m_name = "日本語のサイト";
  list.GetItemPtr(1)->m_active = 0;
  Open();
  EXPECT_EQ(FromWx(box->GetTitle()), "ウォッチリスト");
  EXPECT_FALSE(box->IsShown()) << "created hidden";
  std::vector<std::string> titles;
  for (int column = 0; column < Rows().GetColumnCount(); ++column) {
    wxListItem item;
    item.SetMask(wxLIST_MASK_TEXT);
    Rows().GetColumn(column, item);
    titles.push_back(FromWx(item.GetText()));
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"サイト名", "最終更新日時", "最終チェック日時",
                                              "スケジュール", "リンク先ＵＲＬ", "タグ"}));
  // Built-in widths, widened where a caption or a date would be cut; the user's own widths
  // are kept as they are (below).
  std::array<int, 5> widths = box->ColumnWidths();
  EXPECT_EQ(widths[0], 200);
  EXPECT_EQ(widths[4], 380);
  int dateWidth = Rows().GetTextExtent(ToWx("26/12/31 23:59:59")).GetWidth();
  int captionWidth = Rows().GetTextExtent(ToWx("最終チェック日時")).GetWidth();
  EXPECT_GT(widths[1], dateWidth);
  EXPECT_GT(widths[2], std::max(dateWidth, captionWidth));
  EXPECT_GE(widths[3], 100);
  EXPECT_EQ(FromWx(box->Button(0)->GetLabel()), "全てのアイテムを直ちにチェック");
  EXPECT_EQ(FromWx(box->Button(1)->GetLabel()), "更新されたページを表示");
  EXPECT_EQ(FromWx(box->Button(2)->GetLabel()), "全ての更新マークを消す");
  wxMenuBar* bar = box->GetMenuBar();
  ASSERT_EQ(bar->GetMenuCount(), 3u);
  EXPECT_EQ(FromWx(bar->GetMenuLabel(1)), "選択されたアイテム(&S)");

  ASSERT_EQ(Rows().GetItemCount(), 2);
  EXPECT_EQ(Text(1, 0), "日本語のサイト");
  EXPECT_EQ(Text(0, 2), "未確認");
  EXPECT_EQ(Text(0, 1), "不明");
  EXPECT_EQ(Text(0, 4), list.GetItem(0).m_url);
  EXPECT_TRUE(Rows().IsItemChecked(0));
  EXPECT_FALSE(Rows().IsItemChecked(1));
}

TEST_F(EditBoxTest, TheFilterBoxKeepsTheRowsOfATagANameOrAnAddressAndTheirBoxesStillWork) {
  AddItems({"/a", "/b", "/c"});
  list.GetItemPtr(0)->m_tags = "news";
  list.GetItemPtr(1)->m_tags = "shop";
  list.GetItemPtr(2)->m_tags = "news daily";
  Open();
  Show();
  box->FilterBox()->SetValue(ToWx("NEWS"));
  RunEventsFor(50);
  ASSERT_EQ(Rows().GetItemCount(), 2);
  EXPECT_EQ(Text(0, 5), "news");
  EXPECT_EQ(Text(1, 0), "/c");
  ClickRow(1, CheckBoxX());
  ASSERT_TRUE(RunEventsUntil([&] { return list.GetItem(2).m_active == 0; })) << "the row's own item";
  EXPECT_EQ(list.GetItem(1).m_active, 1) << "the hidden row keeps its box";
  EXPECT_EQ(list.GetItem(0).m_active, 1);

  box->FilterBox()->SetValue(ToWx("/b"));
  RunEventsFor(50);
  ASSERT_EQ(Rows().GetItemCount(), 1);
  EXPECT_EQ(Text(0, 5), "shop");
  box->FilterBox()->SetValue(wxString());
  RunEventsFor(50);
  EXPECT_EQ(Rows().GetItemCount(), 3);
  EXPECT_FALSE(Rows().IsItemChecked(2));
}

TEST_F(EditBoxTest, AClickOnARowAcknowledgesItsMark) {
  AddItems({"/a", "/b"});
  list.GetItemPtr(1)->m_renewMark = UpdateMark::Updated;
  Open();
  Show();
  ClickRow(1, 120);
  EXPECT_TRUE(RunEventsUntil([&] { return list.GetItem(1).m_renewMark == UpdateMark::None; }));
  EXPECT_EQ(box->FirstSelectedPosition(), 1);
  EXPECT_EQ(list.GetItem(0).m_renewMark, UpdateMark::Unknown) << "the other row keeps its mark";
  EXPECT_TRUE(list.IsDirty());
  EXPECT_EQ(list.GetItem(1).m_active, 1) << "the click changed no check box";
}

TEST_F(EditBoxTest, UntickingABoxMakesTheItemInactiveAlsoWhileACheckRuns) {
  AddItems({"/slow", "/a", "/b"});
  Open();
  Show();
  ClickRow(2, CheckBoxX());
  ASSERT_TRUE(RunEventsUntil([&] { return list.GetItem(2).m_active == 0; }));
  EXPECT_FALSE(Rows().IsItemChecked(2));
  EXPECT_EQ(list.GetItem(1).m_active, 1) << "one change per click";

  StartSlowCheck(0);
  ClickRow(1, CheckBoxX());
  WatchItem renamed = list.GetItem(2);
  renamed.m_name = "renamed";
  list.ReplaceItem(2, renamed);  // a change from outside the window, queued as well
  RunEventsFor(50);
  EXPECT_FALSE(Rows().IsItemChecked(1));
  EXPECT_EQ(list.GetItem(1).m_active, 1) << "queued while the check runs";
  ASSERT_TRUE(RunEventsUntil([&] { return view.rows.size() == 1; }));
  ASSERT_TRUE(RunEventsUntil([&] { return list.GetItem(1).m_active == 0; }));
  RunEventsFor(50);
  EXPECT_FALSE(Rows().IsItemChecked(1)) << "the row did not flip back when the check ended";
  EXPECT_EQ(Text(2, 0), "renamed") << "the list's queued change shows when the check ends";
  EXPECT_EQ(Text(0, 2) == "未確認", false) << "the checked item's row shows its check";
  list.GetItemPtr(1)->m_nextCheck = 0;
  list.GetItemPtr(2)->m_nextCheck = 0;
  EXPECT_NE(list.SelectNext(), 1);
  EXPECT_NE(list.SelectNext(), 2);
}

TEST_F(EditBoxTest, DeletingThreeSelectedRowsDeletesThreeItems) {
  AddItems({"/a", "/b", "/c", "/d"});
  unsigned keep = Id(2);
  Open();
  Show();
  Select({0, 1, 3});
  box->RunCommand(CEditBox::ID_EB_DELETE);
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetItem(0).m_id, keep);
  ASSERT_EQ(Rows().GetItemCount(), 1);
  EXPECT_EQ(Text(0, 0), "/c");

  // Again while a check runs: the rows go at once, the items when it ends.
  AddItems({"/slow", "/a", "/b"});
  RunEventsFor(20);
  box->Refill();
  StartSlowCheck(1);
  Select({0, 2, 3});
  box->RunCommand(CEditBox::ID_EB_DELETE);
  EXPECT_EQ(Rows().GetItemCount(), 1);
  EXPECT_EQ(list.GetCount(), 4);
  ASSERT_TRUE(RunEventsUntil([&] { return list.GetCount() == 1; }));
  EXPECT_EQ(FromWx(Rows().GetItemText(0, 0)), "/slow");
}

TEST_F(EditBoxTest, CheckAllChecksEveryActiveItemAndTheRowsFollow) {
  AddItems({"/a", "/b", "/c"});
  list.GetItemPtr(1)->m_active = 0;
  Open();
  Show();
  wxUIActionSimulator simulator;
  wxButton* checkAll = box->Button(0);
  simulator.MouseMove(checkAll->ClientToScreen(wxPoint(10, checkAll->GetSize().y / 2)));
  RunEventsFor(30);
  simulator.MouseClick();
  ASSERT_TRUE(RunEventsUntil([&] { return view.rows.size() == 2; }, 10000));
  RunEventsFor(300);
  EXPECT_EQ(view.rows.size(), 2u) << "the inactive item is left alone";
  std::vector<std::string> targets;
  for (const HttpRequestRecord& request : server.Requests()) targets.push_back(request.target);
  EXPECT_EQ(targets, (std::vector<std::string>{"/a", "/c"}));
  EXPECT_NE(Text(0, 2), "未確認");
  EXPECT_EQ(Text(1, 2), "未確認");
  EXPECT_NE(Text(2, 2), "未確認");
  EXPECT_EQ(Rows().GetItemCount(), 3);
}

TEST_F(EditBoxTest, ShowingAndEditingReachTheMainWindow) {
  AddItems({"/a", "/b", "/c"});
  list.GetItemPtr(2)->m_renewMark = UpdateMark::Updated;
  list.GetItemPtr(0)->m_renewMark = UpdateMark::None;
  list.GetItemPtr(1)->m_renewMark = UpdateMark::None;
  Open();
  box->RunCommand(CEditBox::ID_EB_SHOW_UPDATED);
  EXPECT_EQ(displayed, (std::vector<std::string>{"/c"}));
  EXPECT_EQ(list.GetItem(2).m_renewMark, UpdateMark::None) << "shown means seen";
  box->RunCommand(CEditBox::ID_EB_SHOW_UPDATED);
  EXPECT_EQ(displayed.size(), 1u) << "no marked item: nothing";

  Select({1});
  box->RunCommand(CEditBox::ID_EB_EDIT);
  EXPECT_EQ(edited, (std::vector<int>{2}));
  box->RunCommand(CEditBox::ID_EB_SET_MARK);
  EXPECT_EQ(list.GetItem(1).m_renewMark, UpdateMark::Updated);
  wxListItem image;
  image.SetId(1);
  image.SetMask(wxLIST_MASK_IMAGE);
  Rows().GetItem(image);
  EXPECT_EQ(image.GetImage(), 1);
  list.Acknowledge(1);  // as the results list does when the row's site is shown
  EXPECT_EQ(list.GetItem(1).m_renewMark, UpdateMark::None);
  Rows().GetItem(image);
  EXPECT_EQ(image.GetImage(), 0) << "the window heard of it from the list";

  settings.m_listDoubleClick = 1;
  wxListEvent activate(wxEVT_LIST_ITEM_ACTIVATED, Rows().GetId());
  activate.m_itemIndex = 1;
  Rows().GetEventHandler()->ProcessEvent(activate);
  EXPECT_EQ(edited, (std::vector<int>{2, 2}));
  settings.m_listDoubleClick = 0;
  Rows().GetEventHandler()->ProcessEvent(activate);
  EXPECT_EQ(displayed, (std::vector<std::string>{"/c", "/b"}));

  box->RunCommand(CEditBox::ID_EB_NEW_SITE);
  box->RunCommand(CEditBox::ID_EB_ENVIRONMENT);
  box->RunCommand(ID_EXIT_PROGRAM);
  EXPECT_EQ(commands, (std::vector<int>{ID_NEW_SITE, ID_ENVIRONMENT, ID_EXIT_PROGRAM}));
}

TEST_F(EditBoxTest, ContextMenuEnablesTheSingleItemEntriesForOneSelectedRow) {
  AddItems({"/a", "/b"});
  Open();
  auto labels = [](wxMenu& menu) {
    std::vector<std::string> texts;
    for (wxMenuItem* item : menu.GetMenuItems()) {
      texts.push_back(item->IsSeparator() ? "-" : FromWx(item->GetItemLabel()));
    }
    return texts;
  };
  Select({0});
  std::unique_ptr<wxMenu> one = box->MakeContextMenu();
  EXPECT_EQ(labels(*one), (std::vector<std::string>{"サイトを表示", "変更点を表示", "-", "この更新を確認",
                                                    "更新マークをつける", "このサイトを編集",
                                                    "直ちにページチェック", "-",
                                                    "選択されたサイトを削除"}));
  EXPECT_TRUE(one->IsEnabled(CEditBox::ID_EB_EDIT));
  EXPECT_FALSE(one->IsEnabled(CEditBox::ID_EB_SHOW_CHANGE)) << "no previous version kept";
  Select({0, 1});
  std::unique_ptr<wxMenu> two = box->MakeContextMenu();
  EXPECT_FALSE(two->IsEnabled(CEditBox::ID_EB_EDIT));
  EXPECT_FALSE(two->IsEnabled(CEditBox::ID_EB_SET_MARK));
  EXPECT_TRUE(two->IsEnabled(CEditBox::ID_EB_DELETE));
}

TEST_F(EditBoxTest, ClosingHidesKeepsTheLayoutAndSavesOnlyChangedWidths) {
  AddItems({"/a", "/b"});
  list.GetItemPtr(0)->m_renewMark = UpdateMark::Updated;
  Open();
  Show();
  EXPECT_FALSE(box->Close()) << "the close box only hides the window";
  EXPECT_FALSE(box->IsShown());
  EXPECT_EQ(saves, 0) << "widths unchanged: nothing saved";
  EXPECT_TRUE(layout.m_windowRect.IsKnown());
  EXPECT_EQ(list.GetItem(0).m_renewMark, UpdateMark::Updated) << "marks stay without the reset setting";

  Show();
  Rows().SetColumnWidth(4, 250);
  settings.m_resetOnListClose = 1;
  box->RunCommand(CEditBox::ID_EB_CLOSE);
  EXPECT_FALSE(box->IsShown());
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(layout.m_columnWidths[4], 250);
  EXPECT_EQ(list.GetItem(0).m_renewMark, UpdateMark::None);

  // A new window opens where the last one closed, with its widths.
  WindowRect kept = layout.m_windowRect;
  box->Destroy();
  box = nullptr;
  Open();
  EXPECT_EQ(box->ColumnWidths()[4], 250);
  wxRect rect = box->GetRect();
  EXPECT_EQ(rect.GetLeft(), kept.left);
  EXPECT_EQ(rect.GetRight() + 1, kept.right);
}

}  // namespace

namespace {

// A real right click opens the context menu; the test closes it again with Esc.
TEST_F(EditBoxTest, ARightClickOnARowOpensTheContextMenu) {
  AddItems({"/a", "/b"});
  Open();
  Show();
  std::vector<std::string> opened;
  box->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
    event.Skip();
    if (wxMenu* menu = event.GetMenu()) {
      opened.push_back(FromWx(menu->FindItemByPosition(0)->GetItemLabel()));
    }
    box->CallAfter([] { wxUIActionSimulator().Char(WXK_ESCAPE); });
  });
  wxRect rect;
  ASSERT_TRUE(Rows().GetItemRect(1, rect));
  wxUIActionSimulator simulator;
  simulator.MouseMove(Rows().ClientToScreen(wxPoint(rect.x + 120, rect.y + rect.height / 2)));
  RunEventsFor(30);
  simulator.MouseClick(wxMOUSE_BTN_RIGHT);
  ASSERT_TRUE(RunEventsUntil([&] { return !opened.empty(); }, 3000));
  EXPECT_EQ(opened[0], "サイトを表示");
  EXPECT_EQ(box->FirstSelectedPosition(), 1) << "the click selected the row first";
  RunEventsFor(300);
  EXPECT_EQ(opened.size(), 1u) << "one menu per click";
}

}  // namespace

namespace {

TEST_F(EditBoxTest, TheListFillsTheWindowAndTheButtonsKeepToTheRightDownTo480Pixels) {
  Open();
  Show();
  auto rightGap = [&](int index) {
    wxWindow* panel = box->Button(index)->GetParent();
    return panel->GetClientSize().GetWidth() - box->Button(index)->GetRect().GetRight();
  };
  int gap = rightGap(2);
  box->SetClientSize(800, 400);
  ASSERT_TRUE(RunEventsUntil([&] { return box->GetClientSize().GetWidth() == 800; }));
  RunEventsFor(50);
  EXPECT_EQ(rightGap(2), gap);
  wxRect list = Rows().GetRect();
  EXPECT_EQ(list.GetRight() + 1, 800);
  EXPECT_EQ(list.GetBottom() + 1, Rows().GetParent()->GetClientSize().GetHeight());

  int left = box->Button(0)->GetPosition().x;
  box->SetClientSize(400, 300);
  ASSERT_TRUE(RunEventsUntil([&] { return box->GetClientSize().GetWidth() == 400; }));
  RunEventsFor(50);
  EXPECT_EQ(box->Button(0)->GetPosition().x, left) << "below 480 pixels the buttons stay";
  EXPECT_EQ(Rows().GetRect().GetRight() + 1, 400);
}

}  // namespace
