// The notifications of an update and of an alarm as the engine runs them after a real
// check: the addresses the item sends to, a stalling receiver ended by the time-out with
// its own row while the others still go, and the feed entry.
#include "core/session/notify_actions.h"

#include <gtest/gtest.h>

#include "core/check/renew.h"
#include "core/notify/atom_feed.h"
#include "core/session/update_actions.h"
#include "platform/text_codec.h"
#include "support/check_fixture.h"

namespace {

class NotifyActionsTest : public ::testing::Test, public CheckFixture {
 protected:
  NotifyActionsTest() {
    engine.SetWaitSlice(5);
    engine.SetNotifyTarget(&queue, &notify);
    engine.SetUpdateActions(&actions);
    host.queue = &queue;
    ScriptedResponse stalled = ScriptedResponse::Ok("late");
    stalled.delayMs = 15000;
    receiver.SetDefault([stalled](const HttpRequestRecord& request) {
      return request.target == "/slow" ? stalled : ScriptedResponse::Ok("{}", "application/json");
    });
    settings.m_fetchTimeLimit = 1;  // also the longest send
  }

  std::string Receiver(const std::string& scheme, const std::string& path) const {
    return scheme + "://127.0.0.1:" + std::to_string(receiver.Port()) + path;
  }
  WatchItem UpdatedItem() {
    Serve("/page", "<html>one</html>");
    WatchItem item = FullTextItem("/page");
    item.m_name = "お知らせ";
    item.m_soundUse = 0;
    item.m_popUp = 0;
    item = CheckNow(engine, notify, item);
    Serve("/page", "<html>two</html>");
    return item;
  }

  LoopbackHttpServer receiver;
  CRecordingNotify notify;
  CReNew engine{Environment()};
  UpdateActionsHost host;
  CUpdateActions actions{engine, host, nullptr};
};

TEST_F(NotifyActionsTest, AStallingAddressGetsItsRowAndTheOthersAndTheFeedStillGo) {
  WatchItem item = UpdatedItem();
  ASSERT_EQ(receiver.RequestCount(), 0u) << "an item that does not send to the addresses";
  item.m_notify = 1;
  settings.m_notifyUrls = Receiver("json", "/slow") + "\n" + Receiver("ntfy", "/pages");
  item = CheckNow(engine, notify, item);
  EXPECT_EQ(item.m_result, CheckResult::Updated);
  ASSERT_EQ(notify.notifyFailed.size(), 1u);
  std::string expected = "通知を送れませんでした: " + Receiver("json", "/slow") + ": ";
  EXPECT_EQ(notify.notifyFailed[0].rfind(expected, 0), 0u) << notify.notifyFailed[0];
  std::vector<HttpRequestRecord> requests = receiver.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].target, "/");
  EXPECT_NE(requests[1].body.find("\"topic\":\"pages\""), std::string::npos);
  std::string feed = folder.ReadBytes(kFeedFileName);
  EXPECT_NE(feed.find("<title>" + platform::Cp932ToUtf8("お知らせ") + "</title>"), std::string::npos);
  EXPECT_NE(feed.find(platform::Cp932ToUtf8("更新されています")), std::string::npos);
}

TEST_F(NotifyActionsTest, TheAlarmGoesToTheItemsOwnAddressesAndIntoTheFeed) {
  settings.m_errorAlertAfter = 1;
  settings.m_notifyUrls = Receiver("json", "/program");
  WatchItem item = UpdatedItem();
  item.m_notify = 1;
  item.m_notifyUrls = Receiver("json", "/own");
  server.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Status(500); });
  Serve("/page", "");
  item.m_url = server.Url("/missing");
  item = CheckNow(engine, notify, item);
  EXPECT_EQ(item.m_result, CheckResult::Error);
  std::vector<HttpRequestRecord> requests = receiver.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/own");
  std::string alarm = platform::Cp932ToUtf8("チェックが 1 回続けて失敗しています");
  EXPECT_NE(requests[0].body.find(alarm), std::string::npos) << requests[0].body;
  EXPECT_NE(folder.ReadBytes(kFeedFileName).find(alarm), std::string::npos);
  EXPECT_TRUE(notify.notifyFailed.empty());
}

TEST_F(NotifyActionsTest, ATextItemsUpdateSendsTheLinesItAddedAndRemoved) {
  Serve("/news", "<ul><li>古いお知らせ</li><li>残るお知らせ</li></ul>");
  WatchItem item = DateItem("/news");
  item.m_textCompare = 1;
  item.m_soundUse = 0;
  item.m_popUp = 0;
  item = CheckNow(engine, notify, item);
  item.m_notify = 1;
  item.m_notifyUrls = Receiver("json", "/hook");
  Serve("/news", "<ul><li>残るお知らせ</li><li>新しいお知らせ</li></ul>");
  item = CheckNow(engine, notify, item);
  EXPECT_EQ(item.m_result, CheckResult::Updated);
  std::vector<HttpRequestRecord> requests = receiver.Requests();
  ASSERT_EQ(requests.size(), 1u);
  std::string body = requests[0].body;
  EXPECT_NE(body.find("\"added\":[\"" + platform::Cp932ToUtf8("新しいお知らせ") + "\"]"),
            std::string::npos) << body;
  EXPECT_NE(body.find("\"removed\":[\"" + platform::Cp932ToUtf8("古いお知らせ") + "\"]"),
            std::string::npos) << body;
  EXPECT_NE(folder.ReadBytes(kFeedFileName).find(platform::Cp932ToUtf8("新しいお知らせ")),
            std::string::npos);
}

}  // namespace
