// The dispatcher against a scripted engine: which item the engine is given and when, and
// what happens to changes around the item under check, without a server or a worker.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/watch/watch_list.h"
#include "support/temp_folder.h"
#include "platform/program_folder.h"

namespace {

// Records what the list asks of it; a check "runs" from Start until the test ends it.
class CScriptedEngine : public ICheckEngine {
 public:
  struct Given {
    std::string url;
    int position;
  };
  void SetNotifyTarget(platform::IUiQueue*, ICheckNotify*) override {}
  void SetWaitSlice(std::uint32_t) override {}
  void SetShuttingDown() override {}
  void Start(const WatchItem& item, int position) override {
    given.push_back({item.m_url, position});
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
    int position = list->CurrentPosition();
    WatchItem checked = list->GetItem(position);
    checked.m_result = 1;
    list->TakeCheckResult(checked, position);
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
  EXPECT_EQ(LastGiven().position, 1);
  EndCheck();
  EXPECT_EQ(LastGiven().url, "http://second/");
  EndCheck();
  EXPECT_EQ(LastGiven().url, "") << "nothing due: the engine waits for midnight";
  EXPECT_EQ(LastGiven().position, -1);
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

}  // namespace
