// The dispatcher against a scripted engine: which item the engine is given and when, and
// what happens to changes around the item under check, without a server or a worker.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/watch/watch_list.h"
#include "support/temp_folder.h"
#include "support/time_zone.h"
#include "platform/program_folder.h"

namespace {

// Records what the list asks of it; a check "runs" from Start until the test ends it.
class CScriptedEngine : public ICheckEngine {
 public:
  struct Given {
    std::string url;
    unsigned id;
    int nextCheck;
  };
  void SetNotifyTarget(platform::IUiQueue*, ICheckNotify*) override {}
  void SetWaitSlice(std::uint32_t) override {}
  void SetShuttingDown() override {}
  void Start(const WatchItem& item) override {
    given.push_back({item.m_url, item.m_id, item.m_nextCheck});
    checking = !item.m_url.empty() && item.m_nextCheck == 0;
  }
  bool Stop() override { return false; }
  bool Cancel() override {
    ++cancels;
    bool ended = checkEndsBeforeCancel;
    checking = ended;
    return ended;
  }
  bool IsBusy() override { return checking; }
  bool IsChecking() override { return checking; }
  void SignalIdle() override { checking = false; }

  std::vector<Given> given;
  bool checking = false;
  bool checkEndsBeforeCancel = false;
  int cancels = 0;
};

class ScriptedDispatchTest : public ::testing::Test {
 protected:
  ScriptedDispatchTest() {
    platform::SetProgramFolder(folder.Path());
    auto scripted = std::make_unique<CScriptedEngine>();
    engine = scripted.get();
    list = std::make_unique<CWatchList>(std::move(scripted));
  }
  void Add(const std::string& url, int nextCheck) {
    WatchItem item;
    item.m_url = url;
    item.m_active = 1;
    item.m_nextCheck = nextCheck;
    list->AddItem(item);
  }
  // The engine's report of the check under way, as the results logic hands it back.
  void EndCheck() {
    WatchItem checked = list->GetItem(list->FindById(list->CurrentItem()));
    checked.m_result = CheckResult::NotUpdated;
    list->TakeCheckResult(checked);
    list->OnCheckDone();
  }
  const CScriptedEngine::Given& LastGiven() const { return engine->given.back(); }

  TempFolder folder;
  CScriptedEngine* engine = nullptr;
  std::unique_ptr<CWatchList> list;
};

TEST_F(ScriptedDispatchTest, EarliestDueFirstTiesInListOrderAndTheMidnightWakeUpWhenNoneIsDue) {
  Add("http://later/", 2000000000);
  EXPECT_EQ(LastGiven().url, "http://later/");
  list->GetItemPtr(0)->m_active = 0;
  Add("http://first/", 0);
  Add("http://second/", 0);
  EXPECT_EQ(LastGiven().url, "http://first/") << "added while the first ran: not dispatched";
  EXPECT_EQ(LastGiven().id, list->GetItem(1).m_id);
  EndCheck();
  EXPECT_EQ(LastGiven().url, "http://second/");
  EndCheck();
  EXPECT_EQ(LastGiven().url, "") << "nothing due: the engine waits for midnight";
  EXPECT_EQ(LastGiven().id, 0u);
}

TEST_F(ScriptedDispatchTest, DeletingTheItemUnderCheckCancelsOrWaitsForTheReport) {
  for (const char* url : {"http://a/", "http://b/", "http://c/"}) Add(url, -1);
  list->CheckNow(-1);
  ASSERT_TRUE(engine->checking);
  ASSERT_EQ(LastGiven().url, "http://a/");
  list->DeleteItem(1);  // not under check: queued behind the check
  EXPECT_EQ(list->GetCount(), 3);
  list->DeleteItem(0);  // under check and cancelled: both changes now, then the next check
  EXPECT_EQ(engine->cancels, 1);
  ASSERT_EQ(list->GetCount(), 1);
  EXPECT_EQ(list->GetItem(0).m_url, "http://c/");
  EXPECT_EQ(LastGiven().url, "http://c/");

  engine->checkEndsBeforeCancel = true;  // the report is already on its way
  list->DeleteItem(0);
  EXPECT_EQ(list->GetCount(), 1) << "waits for the report";
  EndCheck();
  EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(ScriptedDispatchTest, ACheckNowAskedDuringACheckFindsItsItemAfterTheQueuedChanges) {
  for (const char* url : {"http://a/", "http://b/", "http://c/"}) Add(url, -1);
  list->CheckNow(0);
  ASSERT_EQ(LastGiven().url, "http://a/");
  list->DeleteItem(1);  // queued behind the check of a
  list->CheckNow(2);    // c, which will stand at position 1 once b is gone
  EXPECT_EQ(LastGiven().url, "http://a/") << "the engine is busy";
  EndCheck();
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(LastGiven().url, "http://c/");
  EXPECT_EQ(LastGiven().nextCheck, 0);
}

// Several scripted engines: which engine gets which item, one host at a time.
class MultiEngineDispatchTest : public ::testing::Test {
 protected:
  MultiEngineDispatchTest() {
    platform::SetProgramFolder(folder.Path());
    for (int i = 0; i < 3; ++i) {
      auto scripted = std::make_unique<CScriptedEngine>();
      engines.push_back(scripted.get());
      if (i == 0) list = std::make_unique<CWatchList>(std::move(scripted));
      else list->AddEngine(std::move(scripted));
    }
  }
  void Add(const std::string& url, int nextCheck, bool active = true) {
    WatchItem item;
    item.m_url = url;
    item.m_active = active ? 1 : 0;
    item.m_nextCheck = nextCheck;
    list->QueueEdit([item](CWatchList& edited) { edited.AddItem(item); });
  }
  std::vector<std::string> Checking() const {
    std::vector<std::string> urls;
    for (CScriptedEngine* engine : engines) {
      urls.push_back(engine->checking ? engine->given.back().url : "-");
    }
    return urls;
  }
  void EndCheck(int engine) {
    const std::string url = engines[engine]->given.back().url;
    for (int i = 0; i < list->GetCount(); ++i) {
      if (list->GetItem(i).m_url != url) continue;
      WatchItem checked = list->GetItem(i);
      checked.m_result = CheckResult::Updated;
      list->TakeCheckResult(checked);
      list->OnCheckDone(checked.m_id);
      return;
    }
    FAIL() << url << " is not in the list";
  }

  TempFolder folder;
  std::vector<CScriptedEngine*> engines;
  std::unique_ptr<CWatchList> list;
};

TEST_F(MultiEngineDispatchTest, EachIdleEngineTakesTheEarliestDueItemOfAHostNoOtherChecks) {
  list->QueueEdit([](CWatchList&) {});  // nothing yet: the first engine waits for midnight
  ASSERT_EQ(engines[0]->given.size(), 1u);
  EXPECT_EQ(engines[0]->given.back().url, "");
  EXPECT_TRUE(engines[1]->given.empty()) << "the other engines sleep";

  list->SetJobLimit([] { return 3; });
  for (const char* url : {"http://a/1", "http://A:80/2", "http://b/1", "http://c/1",
                          "http://inactive/"}) {
    Add(url, -1, std::string(url) != "http://inactive/");
  }
  list->CheckNow(-1);
  EXPECT_EQ(Checking(), (std::vector<std::string>{"http://a/1", "http://b/1", "http://c/1"}))
      << "a's second page waits for its host";

  // A change while checks run is queued and made at the next completion, whichever it is.
  list->DeleteItem(3);  // http://c/1, under check by the third engine
  EXPECT_EQ(engines[2]->cancels, 1);
  EXPECT_EQ(list->GetCount(), 4);
  EXPECT_EQ(Checking(), (std::vector<std::string>{"http://a/1", "http://b/1", "-"}))
      << "the cancelled engine finds nothing it may take";
  EndCheck(1);
  EXPECT_EQ(Checking(), (std::vector<std::string>{"http://a/1", "-", "-"}));
  EndCheck(0);
  EXPECT_EQ(Checking(), (std::vector<std::string>{"http://A:80/2", "-", "-"}));
  EndCheck(0);
  EXPECT_EQ(Checking(), (std::vector<std::string>{"-", "-", "-"}));
  EXPECT_EQ(engines[0]->given.back().url, "") << "nothing due: midnight on the first engine";
}

TEST_F(MultiEngineDispatchTest, OneJobChecksInTodaysOrderAndOnlyOneEngineWaitsForLater) {
  list->SetJobLimit([] { return 1; });
  Add("http://x/late", 2000000000);
  Add("http://x/now", 0);
  Add("http://y/now", 0);
  Add("http://z/soon", 1900000000);
  list->QueueEdit([](CWatchList&) {});
  std::vector<std::string> order;
  for (int i = 0; i < 2; ++i) {
    order.push_back(engines[0]->given.back().url);
    EXPECT_TRUE(engines[1]->given.empty());
    EndCheck(0);
  }
  order.push_back(engines[0]->given.back().url);
  EXPECT_EQ(order, (std::vector<std::string>{"http://x/now", "http://y/now", "http://z/soon"}));

  list->SetJobLimit([] { return 3; });
  list->CheckNow(0);  // x/late due now; z/soon is waited for by one engine only
  EXPECT_EQ(Checking(), (std::vector<std::string>{"http://x/late", "-", "-"}));
  EXPECT_EQ(engines[1]->given.back().url, "http://z/soon");
  EXPECT_TRUE(engines[2]->given.empty());
}

TEST_F(MultiEngineDispatchTest, AHostInItsPauseWaitsOnOneEngineWhileOtherHostsGoOn) {
  ScopedManualClock clock(1900000000);
  list->SetJobLimit([] { return 2; });
  list->SetHostInterval([] { return 10; });
  for (const char* url : {"http://a/1", "http://a/2", "http://b/1", "http://c/1"}) Add(url, -1);
  list->CheckNow(-1);
  ASSERT_EQ(Checking(), (std::vector<std::string>{"http://a/1", "http://b/1", "-"}));
  EndCheck(0);
  EXPECT_EQ(Checking(), (std::vector<std::string>{"http://c/1", "http://b/1", "-"}))
      << "a's second page waits for a's pause, c goes first";
  EndCheck(1);
  EXPECT_EQ(Checking(), (std::vector<std::string>{"http://c/1", "-", "-"}));
  EXPECT_EQ(engines[1]->given.back().url, "http://a/2");
  EXPECT_EQ(engines[1]->given.back().nextCheck, 1900000010) << "woken by the pause's end";
  EXPECT_TRUE(engines[2]->given.empty());

  clock.Set(1900000010);
  list->Dispatch();
  EXPECT_EQ(Checking(), (std::vector<std::string>{"http://c/1", "http://a/2", "-"}));
}

// The first engine's report makes a change queued meanwhile; the second engine's report
// still reaches its own item, which now stands at another position.
TEST_F(MultiEngineDispatchTest, AReportFindsItsItemAfterAnotherCheckMadeTheQueuedChanges) {
  list->QueueEdit([](CWatchList& edited) {
    WatchItem item;
    item.m_active = 1;
    item.m_url = "http://idle/";
    item.m_nextCheck = -1;
    edited.AddItem(item);
    for (const char* url : {"http://a/", "http://b/"}) {
      item.m_url = url;
      item.m_nextCheck = 0;
      edited.AddItem(item);
    }
  });
  ASSERT_EQ(Checking(), (std::vector<std::string>{"http://a/", "http://b/", "-"}));
  list->DeleteItem(0);
  EXPECT_EQ(list->GetCount(), 3) << "queued while checks run";
  EndCheck(0);
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->GetItem(1).m_url, "http://b/");
  EXPECT_TRUE(list->IsUnderCheck(list->GetItem(1).m_id));
  EndCheck(1);
  EXPECT_EQ(list->GetItem(1).m_result, CheckResult::Updated) << "the result reached b";
  EXPECT_FALSE(list->IsUnderCheck(list->GetItem(1).m_id));
}

}  // namespace
