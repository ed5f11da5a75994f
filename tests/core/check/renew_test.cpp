// The check engine on its own: when it checks, how it stops, and what one check does with
// the files, driven through its worker thread against the loopback server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/check/check_results.h"
#include "core/check/renew.h"
#include "platform/file_system.h"
#include "support/check_fixture.h"
#include "support/time_zone.h"

namespace {

constexpr std::time_t kWeek = 7 * 86400;

class RenewTest : public ::testing::Test, public CheckFixture {
 protected:
  RenewTest() : clock(LocalTimeOf(2026, 12, 7, 10, 0, 0)) {
    engine.SetWaitSlice(5);
    engine.SetNotifyTarget(&queue, &notify);
    Serve("/page", "<html>one</html>");
  }

  // Starts a check of `item` at once and gives the engine's copy after it.
  WatchItem CheckNow(WatchItem item) { return CheckFixture::CheckNow(engine, notify, item); }

  // Serves the UI queue for a short while; true when a report came.
  bool ReportWithin(int milliseconds) {
    std::size_t before = notify.done.size();
    queue.RunUntil([&] { return notify.done.size() > before; }, milliseconds);
    return notify.done.size() > before;
  }

  ScopedManualClock clock;
  CRecordingNotify notify;
  CReNew engine{Environment()};
};

TEST_F(RenewTest, WaitOfWeeksEndsNeitherEarlyNorLateAndIgnoresTheClockGoingBack) {
  std::time_t start = clock.Clock().Now();
  WatchItem item = FullTextItem("/page");
  item.m_nextCheck = static_cast<int>(start + 2 * kWeek);
  engine.Start(item);

  EXPECT_FALSE(ReportWithin(50));
  clock.Set(start + 2 * kWeek - 1);  // a suspend that ends a second before the time
  EXPECT_FALSE(ReportWithin(50));
  EXPECT_TRUE(engine.IsBusy()) << "due in exactly one second";
  clock.Set(start - kWeek);  // the clock is put back
  EXPECT_FALSE(ReportWithin(50));
  EXPECT_FALSE(engine.IsBusy());
  EXPECT_EQ(server.RequestCount(), 0u);

  clock.Set(start + 2 * kWeek);
  ASSERT_TRUE(ReportWithin(10000));
  EXPECT_EQ(notify.done.back().m_lastCheck, start + 2 * kWeek);
  EXPECT_TRUE(engine.IsBusy()) << "busy until the report is taken up";
  engine.SignalIdle();
  EXPECT_FALSE(engine.IsBusy());
}

TEST_F(RenewTest, OverdueOrZeroTimeChecksAtOnce) {
  WatchItem item = FullTextItem("/page");
  item.m_nextCheck = static_cast<int>(clock.Clock().Now() - 3600);
  engine.Start(item);
  EXPECT_TRUE(ReportWithin(10000));
}

TEST_F(RenewTest, StopBeforeTheTimeEndsTheWorkerWithoutCheckOrReport) {
  WatchItem item = FullTextItem("/page");
  item.m_nextCheck = static_cast<int>(clock.Clock().Now() + 3600);
  engine.Start(item);
  EXPECT_FALSE(engine.Stop());
  clock.Set(clock.Clock().Now() + 7200);
  EXPECT_FALSE(ReportWithin(50));
  EXPECT_EQ(server.RequestCount(), 0u);
  EXPECT_FALSE(engine.IsBusy());
}

TEST_F(RenewTest, StopDuringACheckLetsItFinishAndTellsThatItRan) {
  server.Handle("/slow", [](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("slow page");
    response.delayMs = 200;
    return response;
  });
  WatchItem item = FullTextItem("/slow");
  engine.Start(item);
  while (server.RequestCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(engine.Stop());
  EXPECT_TRUE(engine.IsChecking());
  EXPECT_TRUE(ReportWithin(1000));
  EXPECT_EQ(notify.done.back().m_result, CheckResult::Updated);
}

TEST_F(RenewTest, CheckEndingWhileShuttingDownReportsNothingAndLeavesTheEngineIdle) {
  server.Handle("/slow", [](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("slow page");
    response.delayMs = 200;
    return response;
  });
  engine.Start(FullTextItem("/slow"));
  while (server.RequestCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  engine.SetShuttingDown();
  EXPECT_FALSE(engine.Stop());
  EXPECT_FALSE(engine.IsChecking());
  EXPECT_EQ(queue.RunPending(), 0);
}

TEST_F(RenewTest, DestroyingAnEngineWithAWaitingWorkerDoesNotWait) {
  auto waiting = std::make_unique<CReNew>(Environment());
  WatchItem item = FullTextItem("/page");
  item.m_nextCheck = static_cast<int>(clock.Clock().Now() + 30 * kWeek);
  waiting->Start(item);
  waiting.reset();  // must return at once
  EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(RenewTest, FirstFullTextCheckKeepsAPrivateCopyInCompApartFromTheTemporaryNames) {
  folder.WriteBytes("comp/copy.tmp", "another item's copy");
  WatchItem first = CheckNow(FullTextItem("/page"));
  EXPECT_EQ(first.m_result, CheckResult::Updated);
  EXPECT_EQ(first.m_hiddenPath, folder.File("comp/copy_1.tmp"));
  EXPECT_EQ(folder.ReadBytes("comp/copy_1.tmp"), "<html>one</html>");

  WatchItem second = CheckNow(first);
  EXPECT_EQ(second.m_result, CheckResult::NotUpdated);
  EXPECT_EQ(FilesIn(folder.File("comp")), (std::vector<std::string>{"copy.tmp", "copy_1.tmp"}));

  Serve("/page", "<html>two</html>");
  WatchItem third = CheckNow(second);
  EXPECT_EQ(third.m_result, CheckResult::Updated);
  EXPECT_EQ(third.m_hiddenPath, folder.File("comp/copy_1.tmp"));
  EXPECT_EQ(folder.ReadBytes("comp/copy_1.tmp"), "<html>two</html>");
  // The update keeps the copy it replaced in the item's folder of previous versions.
  EXPECT_EQ(FilesIn(folder.File("comp")),
            (std::vector<std::string>{"copy.tmp", "copy_1.tmp", "hist_1"}));
  EXPECT_EQ(third.m_lastUpdate, third.m_lastCheck) << "no Last-Modified: the check's time";
}

TEST_F(RenewTest, TextItemsPageKeptInMemoryIsStoredFromTheFileItWasWrittenTo) {
  // Another check's page under way holds the first temporary name.
  folder.WriteBytes("comp/temp.tmp", "another check's page");
  WatchItem item = DateItem("/page");
  item.m_textCompare = 1;
  WatchItem first = CheckNow(item);
  ASSERT_EQ(first.m_hiddenPath, folder.File("comp/copy.tmp")) << first.m_errorText;
  EXPECT_EQ(folder.ReadBytes("comp/copy.tmp"), "<html>one</html>");
  EXPECT_EQ(folder.ReadBytes("comp/temp.tmp"), "another check's page");
  EXPECT_FALSE(platform::FileExists(folder.File("comp/temp_1.tmp")));
}

TEST_F(RenewTest, DownloadModeOneOverwritesTheDownloadFile) {
  platform::MakeDirectory(folder.File("dl"));
  WatchItem item = FullTextItem("/page");
  item.m_download = DownloadMode::Overwrite;
  item.m_savePath = folder.File("dl/page.html");
  WatchItem first = CheckNow(item);
  EXPECT_EQ(first.m_result, CheckResult::Updated);
  EXPECT_EQ(folder.ReadBytes("dl/page.html"), "<html>one</html>");
  EXPECT_EQ(CheckNow(first).m_result, CheckResult::NotUpdated);
  Serve("/page", "<html>two</html>");
  WatchItem third = CheckNow(first);
  EXPECT_EQ(third.m_result, CheckResult::Updated);
  EXPECT_EQ(third.m_savePath, folder.File("dl/page.html"));
  EXPECT_EQ(folder.ReadBytes("dl/page.html"), "<html>two</html>");
  EXPECT_EQ(FilesIn(folder.File("dl")), std::vector<std::string>{"page.html"});
  EXPECT_TRUE(third.m_hiddenPath.empty());
}

TEST_F(RenewTest, DownloadModeTwoNumbersANewFileForEveryUpdate) {
  platform::MakeDirectory(folder.File("dl"));
  folder.WriteBytes("dl/page.html", "a");
  folder.WriteBytes("dl/page_1.html", "b");
  folder.WriteBytes("dl/page_2.html", "c");
  WatchItem item = FullTextItem("/page");
  item.m_download = DownloadMode::NewFile;
  item.m_savePath = folder.File("dl/page_2.html");
  WatchItem first = CheckNow(item);
  EXPECT_EQ(first.m_result, CheckResult::Updated);
  EXPECT_EQ(first.m_savePath, folder.File("dl/page_3.html"));
  EXPECT_EQ(folder.ReadBytes("dl/page_3.html"), "<html>one</html>");

  EXPECT_EQ(CheckNow(first).m_result, CheckResult::NotUpdated);
  Serve("/page", "<html>two</html>");
  WatchItem third = CheckNow(first);
  EXPECT_EQ(third.m_savePath, folder.File("dl/page_4.html"));
  EXPECT_EQ(FilesIn(folder.File("dl")),
            (std::vector<std::string>{"page.html", "page_1.html", "page_2.html", "page_3.html",
                                      "page_4.html"}));
}

TEST_F(RenewTest, FailedFetchIsAnErrorWithTheRetrieversStatusAndLeavesNoBase) {
  server.Enqueue("/gone", ScriptedResponse::Status(404));
  WatchItem item = CheckNow(FullTextItem("/gone"));
  EXPECT_EQ(item.m_result, CheckResult::Error);
  EXPECT_EQ(item.m_errorStatus, 404);
  EXPECT_TRUE(item.m_hiddenPath.empty());
}

TEST_F(RenewTest, TheRetrieversOwnOutcomesKeepTheirNumbersInTheRow) {
  WatchItem other = FullTextItem("/page");
  other.m_url = "ftp://127.0.0.1/page.html";
  WatchItem notFetchable = CheckNow(other);
  EXPECT_EQ(notFetchable.m_errorStatus, 1);
  EXPECT_EQ(CCheckResults::ResultText(notFetchable), "エラー(status=1)");
  // A 304 to a request that named no copy says nothing of the page.
  server.Enqueue("/unasked", ScriptedResponse::Status(304));
  WatchItem unasked = CheckNow(FullTextItem("/unasked"));
  EXPECT_EQ(unasked.m_errorStatus, 304);
  EXPECT_EQ(CCheckResults::ResultText(unasked), "エラー(status=304)");
}

TEST_F(RenewTest, WakeUpItemWithoutUrlFetchesNothing) {
  WatchItem wakeUp;
  WatchItem after = CheckNow(wakeUp);
  EXPECT_EQ(after.m_result, CheckResult::Error);
  EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(RenewTest, UpdateActionsRunOnlyOnAnUpdateAndAMailFailureIsReportedFirst) {
  struct Actions : IUpdateActions {
    bool OnUpdate(const WatchItem& item) override {
      urls.push_back(item.m_url);
      return false;
    }
    std::vector<std::string> urls;
  } actions;
  engine.SetUpdateActions(&actions);
  WatchItem first = CheckNow(FullTextItem("/page"));
  ASSERT_EQ(actions.urls.size(), 1u);
  ASSERT_EQ(notify.mailFailed.size(), 1u);
  CheckNow(first);
  EXPECT_EQ(actions.urls.size(), 1u) << "no update, no actions";
  EXPECT_EQ(notify.mailFailed.size(), 1u);
}

// Checks that keep failing raise the alarm once, when the count reaches the setting, and
// the all-clear once when a check works again; the count is the item's own field.
TEST_F(RenewTest, ChecksThatKeepFailingRaiseTheAlarmOnceAndTheAllClearOnce) {
  struct Actions : IUpdateActions {
    bool OnAlert(const WatchItem&, const AppSettings&, const std::string& text) override {
      alerts.push_back(text);
      return true;
    }
    std::vector<std::string> alerts;
  } actions;
  engine.SetUpdateActions(&actions);
  settings.m_errorAlertAfter = 2;
  server.Enqueue("/flaky", ScriptedResponse::Status(503));
  server.Enqueue("/flaky", ScriptedResponse::Status(503));
  server.Enqueue("/flaky", ScriptedResponse::Status(503));
  WatchItem item = CheckNow(FullTextItem("/flaky"));
  EXPECT_EQ(item.m_errorCount, 1);
  EXPECT_TRUE(actions.alerts.empty());
  item = CheckNow(item);
  item = CheckNow(item);
  EXPECT_EQ(item.m_errorCount, 3);
  EXPECT_EQ(actions.alerts, std::vector<std::string>{
                                "チェックが 2 回続けて失敗しています: エラー(status=503)"});
  server.Enqueue("/flaky", ScriptedResponse::Ok("<html>back</html>"));
  item = CheckNow(item);
  EXPECT_EQ(item.m_errorCount, 0);
  ASSERT_EQ(actions.alerts.size(), 2u);
  EXPECT_EQ(actions.alerts[1], "チェックが再びできるようになりました");

  // 0: no alarm at all, the count goes on.
  settings.m_errorAlertAfter = 0;
  server.Enqueue("/flaky", ScriptedResponse::Status(404));
  EXPECT_EQ(CheckNow(item).m_errorCount, 1);
  EXPECT_EQ(actions.alerts.size(), 2u);
}

// The engine keeps its connection and its transfer handle from one check to the next:
// neither may carry one item's credentials or proxy into another item's request.
TEST_F(RenewTest, AKeptConnectionCarriesNoItemsCredentialsOrProxyIntoTheNextCheck) {
  settings.m_noProxyForLocal = 0;  // the proxy serves loopback pages too
  LoopbackHttpServer proxy;
  proxy.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Ok("<html>proxied</html>"); });
  WatchItem secured = FullTextItem("/page");
  secured.m_user = "user";
  secured.m_password = "secret";
  WatchItem proxied = FullTextItem("/page");
  proxied.m_proxy = proxy.Url("/").substr(7, proxy.Url("/").size() - 8);  // "127.0.0.1:port"

  for (const WatchItem& item : {secured, FullTextItem("/page"), proxied, FullTextItem("/page")}) {
    EXPECT_NE(CheckNow(item).m_result, CheckResult::Error) << item.m_proxy;
  }
  std::vector<HttpRequestRecord> direct = server.Requests();
  ASSERT_EQ(direct.size(), 3u);
  EXPECT_EQ(direct[0].Header("Authorization"), "Basic dXNlcjpzZWNyZXQ=");
  EXPECT_FALSE(direct[1].HasHeader("Authorization"));
  EXPECT_FALSE(direct[2].HasHeader("Authorization"));
  EXPECT_EQ(server.ConnectionCount(), 1u) << "the connection is kept between checks";
  std::vector<HttpRequestRecord> throughProxy = proxy.Requests();
  ASSERT_EQ(throughProxy.size(), 1u);
  EXPECT_EQ(throughProxy[0].target, server.Url("/page"));
  EXPECT_FALSE(throughProxy[0].HasHeader("Authorization"));
}

TEST_F(RenewTest, ProgramWideSettingsApplyToTheCheckOnly) {
  settings.m_noProxyForLocal = 0;
  WatchItem item = FullTextItem("/page");
  item.m_bypassLocal = 1;
  WatchItem after = CheckNow(item);
  EXPECT_EQ(after.m_bypassLocal, 0);
  EXPECT_TRUE(after.m_proxy.empty());
}

}  // namespace
