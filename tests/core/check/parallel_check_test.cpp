// Several real check engines at once, built by the check session with its actions: two
// checks of all items spread over four loopback hosts whose pages answer late, some asking
// for a password, some changing between the two checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "core/app/watch_app.h"
#include "core/session/check_session.h"
#include "support/check_fixture.h"
#include "support/companion_environment.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kHosts = 4;
constexpr int kItems = 12;

// One request as a host served it, from its arrival to its answer.
struct Visit {
  int item = 0;
  bool challenged = false;  // answered 401
  Clock::time_point arrived, answered;
  int Host() const { return item % kHosts; }
  bool Overlaps(const Visit& other) const {
    return arrived < other.answered && other.arrived < answered;
  }
};

// Four hosts (127.0.0.1 .. 127.0.0.4); item i lives on host i % 4 and answers after 30 ms.
class Sites {
 public:
  Sites() {
    for (int h = 0; h < kHosts; ++h) {
      servers.push_back(std::make_unique<LoopbackHttpServer>("127.0.0." + std::to_string(h + 1)));
    }
  }
  std::string Url(int item) const { return servers[item % kHosts]->Url(Path(item)); }
  void Serve(int item, bool needsPassword) {
    SetPage(item, "version 1");
    servers[item % kHosts]->Handle(Path(item), [=, this](const HttpRequestRecord& request) {
      Visit visit{item, needsPassword && !request.HasHeader("Authorization"), Clock::now(), {}};
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      visit.answered = Clock::now();
      std::lock_guard<std::mutex> lock(mutex);
      visits.push_back(visit);
      return visit.challenged ? ScriptedResponse::Challenge() : ScriptedResponse::Ok(pages[item]);
    });
  }
  void SetPage(int item, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex);
    pages[item] = body + " of " + Path(item);
  }
  static std::string Path(int item) { return "/p" + std::to_string(item); }

  std::mutex mutex;
  std::map<int, std::string> pages;
  std::vector<Visit> visits;
  std::vector<std::unique_ptr<LoopbackHttpServer>> servers;  // last: joined first
};

// Gives a password, and notes whether two questions were ever asked at once.
class OverlapNotingPrompter : public CScriptedPrompter {
 public:
  std::optional<Credentials> AskCredentials(const std::string& url,
                                            std::uint32_t timeoutMs) override {
    if (++asking > 1) overlapped = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    --asking;
    CScriptedPrompter::AskCredentials(url, timeoutMs);
    return Credentials{"taro", "secret"};
  }
  std::atomic<int> asking{0};
  std::atomic<bool> overlapped{false};
};

TEST(ParallelCheckTest, FourEnginesCheckEachItemOnceOneRequestPerHostAtATime) {
  CompanionEnvironment environment;
  Sites sites;
  OverlapNotingPrompter prompter;
  platform::CLoopQueue queue;
  CWatchApp app(CWatchApp::FrontEnd::Cli, prompter, queue);
  ASSERT_EQ(app.StartUp({}), CWatchApp::StartResult::Run);
  app.m_settings.m_checkJobs = 4;
  app.m_settings.m_desktopNotify = 0;
  CRecordingResultView view;
  int raised = 0;
  CheckSessionHost host;
  host.queue = &queue;
  host.prompter = &prompter;
  host.view = &view;
  host.raiseMainWindow = [&raised] { ++raised; };  // each update's action, from its worker
  host.pageDisplay = CheckSessionHost::PageDisplay::None;
  host.fetch.m_connectTimeoutMs = host.fetch.m_receiveTimeoutMs = 5000;
  {
    CCheckSession session(app, host);
    session.Load();
    CWatchList& list = session.List();
    for (int i = 0; i < kItems; ++i) {
      sites.Serve(i, i < kHosts);  // the first item of each host asks for a password
      WatchItem item;
      item.m_url = sites.Url(i);
      item.m_active = item.m_compareAll = item.m_popUp = 1;
      item.m_soundUse = 0;
      item.m_nextCheck = -1;
      list.AddItem(item);
    }
    auto checkAll = [&](std::size_t rows) {
      list.CheckNow(-1);
      EXPECT_TRUE(queue.RunUntil([&] { return view.rows.size() >= rows; }, 20000));
      std::lock_guard<std::mutex> lock(sites.mutex);
      std::map<int, int> pagesServed;
      for (const Visit& visit : sites.visits) pagesServed[visit.item] += !visit.challenged;
      for (int i = 0; i < kItems; ++i) {
        EXPECT_EQ(pagesServed[i], static_cast<int>(rows / kItems)) << i;
      }
    };

    checkAll(kItems);
    EXPECT_EQ(raised, kItems) << "a first check is an update";
    const std::vector<int> changed{1, 6, 11};
    for (int i = 0; i < kItems; ++i) list.GetItemPtr(i)->m_renewMark = UpdateMark::None;  // seen
    for (int i : changed) sites.SetPage(i, "version 2");
    checkAll(2 * kItems);
    ASSERT_EQ(view.rows.size(), 2u * kItems) << "one row per check, nothing else";
    EXPECT_EQ(raised, kItems + static_cast<int>(changed.size()));

    std::set<int> checked;  // in the second round
    for (std::size_t r = kItems; r < view.rows.size(); ++r) {
      int position = list.FindById(view.rows[r].m_itemId);
      checked.insert(position);
      bool isChanged = std::count(changed.begin(), changed.end(), position) > 0;
      EXPECT_EQ(view.rows[r].m_image, isChanged ? ResultRow::kUpdated : ResultRow::kNotUpdated)
          << position;
      EXPECT_EQ(list.GetItem(position).m_renewMark, isChanged ? UpdateMark::Updated : UpdateMark::None) << position;
    }
    EXPECT_EQ(checked.size(), static_cast<std::size_t>(kItems));
  }

  std::lock_guard<std::mutex> lock(sites.mutex);
  const std::vector<Visit>& visits = sites.visits;
  bool hostsAtOnce = false;
  int challenges = 0;
  for (std::size_t a = 0; a < visits.size(); ++a) {
    challenges += visits[a].challenged;
    for (std::size_t b = a + 1; b < visits.size(); ++b) {
      if (!visits[a].Overlaps(visits[b])) continue;
      EXPECT_NE(visits[a].Host(), visits[b].Host()) << visits[a].item << " and " << visits[b].item;
      hostsAtOnce = true;
    }
  }
  EXPECT_TRUE(hostsAtOnce) << "the engines fetched at the same time";
  EXPECT_GE(challenges, kHosts);
  EXPECT_EQ(prompter.Questions().size(), static_cast<std::size_t>(challenges));
  EXPECT_FALSE(prompter.overlapped) << "questions of several workers come one at a time";
  app.ShutDown();
}

}  // namespace
