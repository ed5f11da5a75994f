// Stopping checks that are under way: a cancel reaches the transfer at once, and settings
// changed during a check serve the next check, never the running one.
#include <gtest/gtest.h>

#include <functional>

#include "core/check/check_results.h"
#include "core/check/renew.h"
#include "core/watch/watch_list.h"
#include "platform/file_system.h"
#include "platform/http_session.h"
#include "support/check_fixture.h"

namespace {

class CheckStopTest : public ::testing::Test, public CheckFixture {
 protected:
  CheckStopTest() {
    // Headers and a first part of the body, then silence far beyond the time-outs. The
    // part is larger than a page the engine keeps in memory, so it is in a file by then.
    server.Handle("/stall", [](const HttpRequestRecord&) {
      ScriptedResponse response = ScriptedResponse::Ok(std::string(2 << 20, 'x'));
      response.stallAfter = (1 << 20) + 100;
      response.stallMs = 120000;
      return response;
    });
    server.Handle("/slow", [](const HttpRequestRecord&) {
      ScriptedResponse response = ScriptedResponse::Ok("<html>slow</html>");
      response.delayMs = 300;
      return response;
    });
    Serve("/page", "<html>one</html>");
  }

  static WatchItem Due(WatchItem item) {
    item.m_nextCheck = 0;
    return item;
  }
  // Serves the queue until `ready` holds, looking at it between short turns (it may wait
  // for the server or a file, not only for a task); at most ten seconds.
  bool ServeUntil(const std::function<bool()>& ready) {
    for (int turn = 0; turn < 2000; ++turn) {
      if (ready()) return true;
      queue.RunUntil(ready, 5);
    }
    return ready();
  }
  // The stalled page has begun to arrive in its temporary file.
  bool StallUnderWay() {
    return ServeUntil([&] { return !FilesIn(folder.File("comp")).empty(); });
  }
};

TEST_F(CheckStopTest, CancelAbortsTheTransferRemovesItsFileAndReportsNothing) {
  CRecordingNotify notify;
  CReNew engine{Environment()};
  engine.SetNotifyTarget(&queue, &notify);
  engine.Start(Due(FullTextItem("/stall")));
  ASSERT_TRUE(StallUnderWay());

  EXPECT_FALSE(engine.Cancel()) << "the check did not end by itself";
  EXPECT_EQ(engine.Item().m_errorText, platform::kTransferCancelled)
      << "ended by the cancel, not by a time-out";
  EXPECT_FALSE(engine.IsChecking());
  queue.RunPending();
  EXPECT_TRUE(notify.done.empty());
  EXPECT_TRUE(FilesIn(folder.File("comp")).empty());

  engine.Start(Due(FullTextItem("/page")));
  ASSERT_TRUE(ServeUntil([&] { return !notify.done.empty(); }));
  EXPECT_EQ(notify.done.back().m_result, CheckResult::Updated) << "the next check is not cancelled";
}

TEST_F(CheckStopTest, DeletingTheItemUnderCheckCancelsItAndTheListGoesOn) {
  CRecordingResultView view;
  CWatchList list{MakeEngine()};
  CCheckResults results(list, view);
  list.Init(&queue, &results);
  list.AddItem(Due(FullTextItem("/stall")));
  list.AddItem(Due(FullTextItem("/page")));
  ASSERT_TRUE(StallUnderWay());

  list.DeleteItem(0);
  EXPECT_EQ(list.GetCount(), 1) << "deleted at once, not queued behind the stalled check";
  ASSERT_TRUE(ServeUntil([&] { return !view.rows.empty(); }));
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].m_page, server.Url("/page"));
  EXPECT_EQ(list.GetItem(0).m_result, CheckResult::Updated);
  EXPECT_EQ(FilesIn(folder.File("comp")), std::vector<std::string>{"copy.tmp"});
}

TEST_F(CheckStopTest, SettingsChangedDuringACheckServeOnlyTheNextOne) {
  CRecordingNotify notify;
  CReNew engine{Environment()};
  engine.SetNotifyTarget(&queue, &notify);
  engine.Start(Due(FullTextItem("/slow")));
  ASSERT_TRUE(ServeUntil([&] { return server.RequestCount() > 0; }));
  // A proxy where nothing listens, also for loopback: the running check must not see it.
  // The UI thread keeps writing while the worker runs (ThreadSanitizer watches).
  for (int round = 0; notify.done.empty(); ++round) {
    settings.m_proxy = "127.0.0.1:" + std::to_string(1 + round % 2);
    settings.m_noProxyForLocal = 0;
    queue.RunUntil([&] { return !notify.done.empty(); }, 1);
  }
  EXPECT_EQ(notify.done.back().m_result, CheckResult::Updated);
  engine.SignalIdle();

  engine.Start(Due(FullTextItem("/slow")));
  ASSERT_TRUE(ServeUntil([&] { return notify.done.size() == 2; }));
  EXPECT_EQ(notify.done.back().m_result, CheckResult::Error) << "the next check goes through the new proxy";
  EXPECT_EQ(server.RequestCount(), 1u);
}

}  // namespace
