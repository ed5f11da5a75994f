// The dispatcher and the changes queued while a check runs, with the real engine against
// the loopback server on the settable clock.
#include <gtest/gtest.h>

#include "core/check/check_results.h"
#include "core/watch/calendar.h"
#include "core/watch/watch_list.h"
#include "support/check_fixture.h"
#include "support/time_zone.h"

namespace {

class DispatcherTest : public ::testing::Test, public CheckFixture {
 protected:
  DispatcherTest() : clock(LocalTimeOf(2026, 12, 7, 10, 0, 0)) {
    list.Engine().SetWaitSlice(5);
    list.Init(&queue, &results);
    server.Handle("/slow", [](const HttpRequestRecord&) {
      ScriptedResponse response = ScriptedResponse::Ok("slow page");
      response.delayMs = 150;
      return response;
    });
    for (const char* path : {"/a", "/b", "/c", "/d"}) Serve(path, std::string("page ") + path);
  }

  WatchItem Unscheduled(const std::string& path) {
    WatchItem item = FullTextItem(path);
    item.m_nextCheck = -1;
    item.m_name = path;
    return item;
  }
  // Starts a check of the slow item at `position` and waits until it runs.
  void StartSlowCheck(int position) {
    list.CheckNow(position);
    ASSERT_TRUE(queue.RunUntil([&] { return server.RequestCount() > 0; }, 5000));
    ASSERT_TRUE(list.IsBusy());
  }
  void WaitForRows(std::size_t count) {
    ASSERT_TRUE(queue.RunUntil([&] { return view.rows.size() >= count; }, 10000));
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < list.GetCount(); ++i) names.push_back(list.GetItem(i).m_name);
    return names;
  }
  // The position of the item the first engine was last given, -1 for none.
  int Current() { return list.FindById(list.CurrentItem()); }
  std::size_t RequestsFor(const std::string& path) {
    std::size_t count = 0;
    for (const HttpRequestRecord& request : server.Requests()) count += request.target == path;
    return count;
  }

  ScopedManualClock clock;
  CRecordingResultView view;
  CWatchList list{MakeEngine()};
  CCheckResults results{list, view};
};

TEST_F(DispatcherTest, ChangesDuringACheckWaitForItsEndAndReachTheFileAtTheNextDispatch) {
  list.AddItem(Unscheduled("/slow"));
  list.AddItem(Unscheduled("/a"));
  list.AddItem(Unscheduled("/b"));
  queue.RunPending();
  StartSlowCheck(0);

  list.AddItem(Unscheduled("/c"));
  WatchItem replacement = Unscheduled("/d");
  list.ReplaceItem(1, replacement);
  list.DeleteItem(2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"/slow", "/a", "/b"})) << "nothing changes yet";

  WaitForRows(1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"/slow", "/d", "/c"}));
  EXPECT_EQ(list.GetItem(0).m_result, CheckResult::Updated) << "the result reached the checked item";
  CWatchList reloaded;
  reloaded.Load();
  EXPECT_EQ(reloaded.GetCount(), 3);
  EXPECT_EQ(reloaded.GetItem(2).m_name, "/c");
}

TEST_F(DispatcherTest, ReplaceThenDeleteOfOnePositionDuringACheckAppliesBothInOrder) {
  list.AddItem(Unscheduled("/slow"));
  list.AddItem(Unscheduled("/a"));
  list.AddItem(Unscheduled("/b"));
  queue.RunPending();
  unsigned idOfA = list.GetItem(1).m_id;
  StartSlowCheck(0);
  list.ReplaceItem(1, Unscheduled("/d"));
  list.DeleteItem(1);
  WaitForRows(1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"/slow", "/b"}));
  EXPECT_EQ(list.FindById(idOfA), -1);
}

TEST_F(DispatcherTest, ARowNoLongerReachesItsItemOnceTheItemIsDeleted) {
  list.AddItem(Unscheduled("/a"));
  list.CheckNow(0);
  WaitForRows(1);
  unsigned id = view.rows[0].m_itemId;
  EXPECT_EQ(list.FindById(id), 0);
  list.ReplaceItem(0, Unscheduled("/b"));
  EXPECT_EQ(list.FindById(id), 0) << "an edited item keeps its identity";
  list.DeleteItem(0);
  list.AddItem(Unscheduled("/c"));  // may well take the freed address
  EXPECT_EQ(list.FindById(id), -1);
}

TEST_F(DispatcherTest, DeletingTheWaitedOnItemStopsTheEngineAndOneBeforeItKeepsTheWait) {
  std::time_t now = clock.Clock().Now();
  WatchItem later = Unscheduled("/a");
  later.m_nextCheck = static_cast<int>(now + 3 * 3600);
  WatchItem soon = Unscheduled("/b");
  soon.m_nextCheck = static_cast<int>(now + 300);
  list.AddItem(later);
  list.AddItem(soon);
  EXPECT_EQ(Current(), 1) << "the item due in five minutes comes first";

  list.DeleteItem(0);
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(list.GetItem(0).m_name, "/b");
  clock.Set(now + 300);
  WaitForRows(1);
  EXPECT_EQ(view.rows[0].m_page, "/b");

  list.AddItem(later);
  EXPECT_EQ(Current(), 1);
  list.DeleteItem(1);
  EXPECT_EQ(Current(), -1) << "nothing left to wait for but midnight";
  clock.Set(now + 3 * 3600);
  queue.Run(50);
  EXPECT_EQ(RequestsFor("/a"), 0u);
}

TEST_F(DispatcherTest, AfterACheckTheNextItemIsGivenToTheEngine) {
  std::time_t now = clock.Clock().Now();
  WatchItem later = Unscheduled("/a");
  later.m_nextCheck = static_cast<int>(now + 3 * 3600);
  WatchItem soon = Unscheduled("/b");
  soon.m_nextCheck = static_cast<int>(now + 300);
  list.AddItem(later);
  list.AddItem(soon);
  clock.Set(now + 300);
  WaitForRows(1);
  EXPECT_EQ(Current(), 0);
  clock.Set(now + 3 * 3600);
  WaitForRows(2);
  EXPECT_EQ(view.rows[1].m_page, "/a");
}

TEST_F(DispatcherTest, StartUpItemsAreCheckedOneAfterAnotherAndInactiveOnesNever) {
  for (const char* path : {"/a", "/b", "/c"}) {
    WatchItem item = FullTextItem(path);
    item.ScheduleAtStart();
    list.AddItem(item);
  }
  WatchItem inactive = FullTextItem("/d");
  inactive.m_active = 0;
  list.AddItem(inactive);
  WaitForRows(3);
  queue.Run(50);
  EXPECT_EQ(view.rows.size(), 3u);
  EXPECT_EQ(RequestsFor("/d"), 0u);
}

TEST_F(DispatcherTest, MidnightWakeUpAddsNoRowAndReschedulesItemsOnTheNewDay) {
  // An interval item whose last check was long ago, left unscheduled by the day before.
  WatchItem interval = FullTextItem("/a");
  interval.m_timing = "inter";
  interval.m_time = 3600;
  interval.m_lastCheck = static_cast<int>(clock.Clock().Now() - 86400);
  interval.m_nextCheck = -1;
  list.AddItem(interval);
  std::time_t midnight = NextMidnight();
  EXPECT_EQ(Current(), -1);
  clock.Set(midnight - 2);
  EXPECT_FALSE(list.IsBusy());
  clock.Set(midnight - 1);
  EXPECT_TRUE(list.IsBusy()) << "the wake-up is due in one second";
  queue.Run(30);
  EXPECT_EQ(server.RequestCount(), 0u);

  clock.Set(midnight);
  WaitForRows(1);
  ASSERT_EQ(view.rows.size(), 1u) << "the wake-up itself adds no row";
  EXPECT_EQ(view.rows[0].m_page, server.Url("/a"));
  EXPECT_EQ(list.GetItem(0).m_nextCheck, midnight + 3600);
}

TEST_F(DispatcherTest, ACheckOfEveryItemIsTakenOnlyByActiveItems) {
  list.AddItem(Unscheduled("/a"));
  WatchItem inactive = Unscheduled("/b");
  inactive.m_active = 0;
  list.AddItem(inactive);
  list.CheckNow(-1);
  WaitForRows(1);
  queue.Run(30);
  EXPECT_EQ(list.GetItem(1).m_nextCheck, -1);
  EXPECT_EQ(view.rows.size(), 1u);
}

TEST_F(DispatcherTest, CloseCancelsTheRunningCheckWhichRecordsNothing) {
  list.AddItem(Unscheduled("/slow"));
  list.CheckNow(0);
  for (int turn = 0; turn < 1000 && server.RequestCount() == 0; ++turn) queue.Run(5);
  ASSERT_EQ(server.RequestCount(), 1u);  // the server holds its answer back for a while
  EXPECT_FALSE(list.Close()) << "cancelled: no report to wait for";
  EXPECT_FALSE(list.HasOutstandingCheck());
  queue.Run(30);
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(list.GetItem(0).m_lastCheck, 0);
  EXPECT_EQ(Current(), 0) << "nothing dispatched after closing";
  ASSERT_TRUE(list.Save());
  CWatchList reloaded;
  reloaded.Load();
  EXPECT_EQ(reloaded.GetCount(), 1);
  EXPECT_EQ(reloaded.GetItem(0).m_lastCheck, 0);
}

}  // namespace
