// The pause per host end to end: the watch list, the engine and the retriever keep it
// between every two requests to one host, a redirection within one check included.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

#include "core/check/check_results.h"
#include "core/watch/watch_list.h"
#include "support/check_fixture.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

TEST(HostIntervalTest, TwoItemsOnOneHostAndARedirectionAreSpacedByThePause) {
  CheckFixture fixture;
  fixture.settings.m_hostInterval = 1;
  std::mutex mutex;
  std::vector<SteadyClock::time_point> arrivals;
  auto answer = [&](ScriptedResponse response) {
    return [&, response](const HttpRequestRecord&) {
      std::lock_guard<std::mutex> lock(mutex);
      arrivals.push_back(SteadyClock::now());
      return response;
    };
  };
  fixture.server.Handle("/a", answer(ScriptedResponse::Redirect(302, fixture.server.Url("/b"))));
  fixture.server.Handle("/b", answer(ScriptedResponse::Ok("b")));
  fixture.server.Handle("/c", answer(ScriptedResponse::Ok("c")));

  CRecordingResultView view;
  CWatchList list{fixture.MakeEngine()};
  list.SetHostInterval([&] { return fixture.settings.m_hostInterval; });
  CCheckResults results{list, view};
  list.Init(&fixture.queue, &results);
  for (const char* path : {"/a", "/c"}) {
    WatchItem item = fixture.FullTextItem(path);
    item.m_nextCheck = -1;
    item.m_allowRelocation = 1;
    list.AddItem(item);
  }
  list.CheckNow(-1);
  ASSERT_TRUE(fixture.queue.RunUntil([&] { return view.rows.size() >= 2; }, 10000));

  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(arrivals.size(), 3u);
  // Each request arrives after the previous one's answer was sent, and so the gap between
  // arrivals can only be longer than the pause after its end.
  for (std::size_t i = 1; i < arrivals.size(); ++i) {
    EXPECT_GE(arrivals[i] - arrivals[i - 1], std::chrono::seconds(1)) << "request " << i;
  }
}

}  // namespace
