// What the watch list window shows and does, without a window: a real watch list with its
// engine against the loopback server, served on the test's own loop.
#include <gtest/gtest.h>

#include "core/check/check_results.h"
#include "core/watch/watch_list.h"
#include "gui/ui/watch_list_model.h"
#include "support/check_fixture.h"
#include "support/time_zone.h"

namespace {

class WatchListModelTest : public ::testing::Test, public CheckFixture {
 protected:
  WatchListModelTest() : zone("Asia/Tokyo") {
    list.Engine().SetWaitSlice(5);
    list.Init(&queue, &results);
    server.Handle("/slow", [](const HttpRequestRecord&) {
      ScriptedResponse response = ScriptedResponse::Ok("slow page");
      response.delayMs = 200;
      return response;
    });
    for (const char* path : {"/a", "/b", "/c"}) Serve(path, std::string("page ") + path);
  }

  WatchItem Unscheduled(const std::string& path) {
    WatchItem item = FullTextItem(path);
    item.m_nextCheck = -1;
    item.m_name = path;
    return item;
  }
  void AddItems(std::initializer_list<const char*> paths) {
    for (const char* path : paths) list.AddItem(Unscheduled(path));
  }
  unsigned Id(int position) { return list.GetItem(position).m_id; }
  // Starts a check of the item at `position` and waits until its request is in.
  void StartCheck(int position) {
    std::size_t before = server.RequestCount();
    list.CheckNow(position);
    ASSERT_TRUE(queue.RunUntil([&] { return server.RequestCount() > before; }, 5000));
    ASSERT_TRUE(list.IsBusy());
  }
  void WaitForRows(std::size_t count) {
    ASSERT_TRUE(queue.RunUntil([&] { return view.rows.size() >= count; }, 10000));
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const WatchListRow& row : model.Rows()) names.push_back(row.m_texts[0]);
    return names;
  }

  ScopedTimeZone zone;
  CRecordingResultView view;
  CWatchList list{MakeEngine()};
  CCheckResults results{list, view};
  CWatchListModel model{list};
};

TEST_F(WatchListModelTest, RowTextsOfANeverCheckedAndOfACheckedItem) {
  WatchItem item = Unscheduled("/a");
  item.m_name = "日本語のページ";
  item.m_checkKind = "weekly";
  item.m_date = 2 | 8;
  WatchListRow fresh = CWatchListModel::MakeRow(item);
  EXPECT_EQ(fresh.m_texts[0], "日本語のページ");
  EXPECT_EQ(fresh.m_texts[1], "不明");
  EXPECT_EQ(fresh.m_texts[2], "未確認");
  EXPECT_EQ(fresh.m_texts[3], item.ScheduleText());
  EXPECT_EQ(fresh.m_texts[4], item.m_url);
  EXPECT_EQ(fresh.m_image, WatchListRow::kError) << "a new item carries the mark 2";
  EXPECT_TRUE(fresh.m_checked);

  // 2026-12-07 10:00:00 and 09:30:05 in Tokyo.
  item.m_lastCheck = 1796605200;
  item.m_lastModified = 1796603405;
  item.m_active = 0;
  item.m_renewMark = UpdateMark::Updated;
  WatchListRow checked = CWatchListModel::MakeRow(item);
  EXPECT_EQ(checked.m_texts[1], "26/12/07 09:30:05") << "the server's date without an update";
  EXPECT_EQ(checked.m_texts[2], "26/12/07 10:00:00");
  item.m_name.clear();
  EXPECT_EQ(CWatchListModel::MakeRow(item).m_texts[0], item.m_url) << "known by its address";
  EXPECT_EQ(checked.m_image, WatchListRow::kUpdated);
  EXPECT_FALSE(checked.m_checked);
  item.m_lastUpdate = 1796605200;
  EXPECT_EQ(CWatchListModel::MakeRow(item).m_texts[1], "26/12/07 10:00:00")
      << "a detected update comes before the server's date";
  item.m_lastUpdate = 0;
  item.m_lastModified = 0;
  EXPECT_EQ(CWatchListModel::MakeRow(item).m_texts[1], "不明");

  // An item whose checks keep failing is marked once the alarm's count is reached.
  item.m_errorCount = 3;
  EXPECT_EQ(CWatchListModel::MakeRow(item, 3).m_texts[2], "26/12/07 10:00:00 (3 回続けて失敗)");
  EXPECT_EQ(CWatchListModel::MakeRow(item, 4).m_texts[2], "26/12/07 10:00:00");
  EXPECT_EQ(CWatchListModel::MakeRow(item, 0).m_texts[2], "26/12/07 10:00:00");
}

TEST_F(WatchListModelTest, UpdateMarksAreAcknowledgedSetAndClearedInPlace) {
  AddItems({"/a", "/b", "/c"});
  for (int position : {0, 2}) list.GetItemPtr(position)->m_renewMark = UpdateMark::Updated;
  list.GetItemPtr(1)->m_renewMark = UpdateMark::Unknown;
  ASSERT_TRUE(list.Save());
  ASSERT_FALSE(list.IsDirty());

  EXPECT_FALSE(model.Acknowledge(Id(1))) << "an error mark stays";
  EXPECT_FALSE(list.IsDirty());
  EXPECT_EQ(model.FirstMarked(), Id(0));
  EXPECT_TRUE(model.Acknowledge(Id(0)));
  EXPECT_EQ(list.GetItem(0).m_renewMark, UpdateMark::None);
  EXPECT_TRUE(list.IsDirty()) << "the acknowledgement reaches the file";
  EXPECT_EQ(model.FirstMarked(), Id(2));

  EXPECT_TRUE(model.SetMark(Id(1)));
  EXPECT_EQ(model.ClearAllMarks(), (std::vector<unsigned>{Id(1), Id(2)}));
  for (int position = 0; position < 3; ++position) {
    EXPECT_EQ(list.GetItem(position).m_renewMark, UpdateMark::None);
  }
  EXPECT_EQ(model.FirstMarked(), 0u) << "nothing left to show";
  EXPECT_FALSE(model.Acknowledge(12345)) << "an unknown identity does nothing";
}

TEST_F(WatchListModelTest, OneCheckBoxChangePerCallThroughAReplacement) {
  AddItems({"/a", "/b", "/c"});
  unsigned idB = Id(1);
  EXPECT_EQ(model.SyncCheckBoxes({true, false, false}), idB) << "the first difference only";
  EXPECT_EQ(list.GetItem(1).m_active, 0);
  EXPECT_EQ(list.GetItem(1).m_id, idB) << "a replacement keeps the identity";
  EXPECT_EQ(list.GetItem(2).m_active, 1);
  EXPECT_EQ(model.SyncCheckBoxes({true, false, false}), Id(2));
  EXPECT_EQ(model.SyncCheckBoxes({true, false, false}), 0u) << "nothing differs any more";

  list.GetItemPtr(1)->m_nextCheck = 0;
  EXPECT_EQ(list.SelectNext(), -1) << "an inactive item is not scheduled";
}

TEST_F(WatchListModelTest, ChangesDuringACheckShowAtOnceAndReachTheListWhenItEnds) {
  AddItems({"/slow", "/a", "/b", "/c"});
  queue.RunPending();
  unsigned idSlow = Id(0), idA = Id(1), idB = Id(2), idC = Id(3);
  StartCheck(0);

  // Row 1 ("/a") goes; the rows close up while the list still holds the item.
  EXPECT_TRUE(model.Delete(idA));
  EXPECT_EQ(list.GetCount(), 4);
  EXPECT_EQ(Names(), (std::vector<std::string>{"/slow", "/b", "/c"}));
  EXPECT_EQ(model.PositionOf(idA), -1) << "commands no longer reach a deleted row's item";

  // Un-ticking "/b" (row 1 now) is queued and shows at once; a second un-tick, of "/c",
  // is not hidden behind the first.
  EXPECT_EQ(model.SyncCheckBoxes({true, false, true}), idB);
  EXPECT_EQ(list.GetItem(2).m_active, 1) << "the list waits for the check";
  EXPECT_EQ(model.RowOf(idB).m_checked, false);
  EXPECT_EQ(model.SyncCheckBoxes({true, false, false}), idC);
  EXPECT_EQ(model.SyncCheckBoxes({true, false, false}), 0u);

  WaitForRows(1);
  queue.RunPending();
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.FindById(idA), -1);
  EXPECT_EQ(list.GetItem(list.FindById(idB)).m_active, 0);
  EXPECT_EQ(list.GetItem(list.FindById(idC)).m_active, 0);
  EXPECT_EQ(list.GetItem(list.FindById(idSlow)).m_result, CheckResult::Updated) << "the check's result stays";
  std::vector<WatchListRow> rows = model.Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].m_itemId, idB);
  EXPECT_FALSE(rows[1].m_checked);
  EXPECT_FALSE(rows[2].m_checked);
}

TEST_F(WatchListModelTest, UntickingTheItemUnderCheckKeepsTheChecksResult) {
  AddItems({"/slow", "/a"});
  queue.RunPending();
  unsigned idSlow = Id(0);
  StartCheck(0);
  EXPECT_EQ(model.SyncCheckBoxes({false, true}), idSlow);
  EXPECT_FALSE(model.RowOf(idSlow).m_checked);
  EXPECT_FALSE(model.SubmitDeferred()) << "not while the check runs";
  WaitForRows(1);
  EXPECT_TRUE(model.SubmitDeferred());
  queue.RunPending();
  const WatchItem& checked = *list.GetItemPtr(list.FindById(idSlow));
  EXPECT_EQ(checked.m_active, 0);
  EXPECT_EQ(checked.m_result, CheckResult::Updated) << "the check's result was not overwritten";
  EXPECT_NE(checked.m_lastCheck, 0);
  EXPECT_FALSE(model.RowOf(idSlow).m_checked);
  EXPECT_FALSE(model.SubmitDeferred());
}

TEST_F(WatchListModelTest, AnAcknowledgementDuringACheckOfTheItemStays) {
  AddItems({"/slow"});
  queue.RunPending();
  list.CheckNow(0);
  WaitForRows(1);
  ASSERT_EQ(list.GetItem(0).m_renewMark, UpdateMark::Updated) << "the first check finds the page new";
  StartCheck(0);
  EXPECT_TRUE(model.Acknowledge(Id(0)));
  WaitForRows(2);
  EXPECT_EQ(view.rows[1].m_text, "更新されていません");
  EXPECT_EQ(list.GetItem(0).m_renewMark, UpdateMark::None) << "seen during the check, still seen after it";
}

TEST_F(WatchListModelTest, DeletingThreeItemsDuringACheckDeletesExactlyThose) {
  AddItems({"/slow", "/a", "/b", "/c"});
  queue.RunPending();
  unsigned keep = Id(0);
  std::vector<unsigned> gone = {Id(1), Id(2), Id(3)};
  StartCheck(0);
  for (unsigned id : gone) EXPECT_TRUE(model.Delete(id));
  EXPECT_EQ(model.Rows().size(), 1u);
  WaitForRows(1);
  queue.RunPending();
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetItem(0).m_id, keep);
}

TEST_F(WatchListModelTest, CheckNowReachesTheItemOfTheRowAfterQueuedDeletions) {
  AddItems({"/slow", "/a", "/b"});
  queue.RunPending();
  unsigned idA = Id(1), idB = Id(2);
  StartCheck(0);
  model.Delete(idA);
  model.CheckNow(idB);  // row 1 now, position 1 once the deletion is applied
  ASSERT_TRUE(queue.RunUntil([&] { return view.rows.size() >= 2; }, 10000));
  EXPECT_EQ(view.rows[1].m_itemId, idB);
  for (const HttpRequestRecord& request : server.Requests()) EXPECT_NE(request.target, "/a");
}

}  // namespace
