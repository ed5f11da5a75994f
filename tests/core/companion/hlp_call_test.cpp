#include "core/companion/hlp_call.h"

#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>

#include "core/companion/companion_link.h"
#include "core/companion/companion_names.h"
#include "platform/broadcast.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/registry_key.h"
#include "platform/shell.h"
#include "support/companion_environment.h"
#include "support/scripted_prompter.h"
#include "support/time_zone.h"

namespace {

// A hand-off that answers from a script (then 0) and keeps what each file held.
class CScriptedHandOff : public IHelperHandOff {
 public:
  explicit CScriptedHandOff(std::vector<int> answers = {}, platform::Event* gate = nullptr)
      : m_gate(gate), m_answers(std::move(answers)) {}

  int HandToHelper(const std::string& path) override {
    if (m_gate) {
      m_called.Set();
      m_gate->Wait(5000);  // the first call waits until the test opens the gate
      m_gate = nullptr;
    }
    std::lock_guard lock(m_mutex);
    Call call{path, {}, 0};
    FetchRequest request;
    if (request.TransferFile(path, "r") == 1) call.url = request.m_url;
    struct stat info;
    if (stat(path.c_str(), &info) == 0) call.mode = info.st_mode & 0777;
    m_calls.push_back(call);
    if (m_next < m_answers.size()) return m_answers[m_next++];
    return 0;
  }

  struct Call {
    std::string path;
    std::string url;
    unsigned mode;
  };
  std::vector<Call> Calls() {
    std::lock_guard lock(m_mutex);
    return m_calls;
  }
  platform::Event m_called{platform::Event::Reset::Manual};

 private:
  platform::Event* m_gate;
  std::mutex m_mutex;
  std::vector<int> m_answers;
  std::size_t m_next = 0;
  std::vector<Call> m_calls;
};

FetchRequest Page(const std::string& url) {
  FetchRequest request;
  request.m_url = url;
  request.m_password = "secret";
  return request;
}

class HlpCallTest : public ::testing::Test {
 protected:
  CompanionEnvironment environment;
  CScriptedPrompter m_prompter;
};

TEST_F(HlpCallTest, RequestFilesAreNumberedAndPrivate) {
  environment.Program().WriteBytes("WatchToHelp", "left over");
  CScriptedHandOff handOff;
  CHLPCall call(handOff, m_prompter, 20);
  call.Display(Page("http://example.invalid/a"));
  call.Display(Page("http://example.invalid/b"));
  ASSERT_TRUE(WaitUntil([&] { return handOff.Calls().size() == 2; }));
  auto calls = handOff.Calls();
  EXPECT_EQ(calls[0].path, environment.Program().File("WatchToHelp_1"));
  EXPECT_EQ(calls[0].url, "http://example.invalid/a");
  EXPECT_EQ(calls[0].mode, 0600u);
  EXPECT_EQ(calls[1].path, environment.Program().File("WatchToHelp_2"));
  EXPECT_EQ(calls[1].url, "http://example.invalid/b");
  // Handed over: the files stay for the helper.
  EXPECT_TRUE(platform::FileExists(calls[0].path));
  EXPECT_TRUE(platform::FileExists(calls[1].path));
}

TEST_F(HlpCallTest, BusyRequestGoesToTheBackAndFailedOneIsDropped) {
  // a: busy, then handed; b: failed; c: handed.
  platform::Event gate(platform::Event::Reset::Manual);
  CScriptedHandOff handOff({1, -1, 0, 0}, &gate);
  CHLPCall call(handOff, m_prompter, 20);
  call.Display(Page("http://example.invalid/a"));
  ASSERT_TRUE(handOff.m_called.Wait(5000));
  call.Display(Page("http://example.invalid/b"));
  call.Display(Page("http://example.invalid/c"));
  gate.Set();
  ASSERT_TRUE(WaitUntil([&] { return handOff.Calls().size() == 4; }));
  auto calls = handOff.Calls();
  std::vector<std::string> urls;
  for (const auto& c : calls) urls.push_back(c.url);
  EXPECT_EQ(urls, (std::vector<std::string>{"http://example.invalid/a", "http://example.invalid/b",
                                            "http://example.invalid/c",
                                            "http://example.invalid/a"}));
  // The busy attempt's and the failed attempt's files are removed (their names are
  // free again); the two handed over stay.
  EXPECT_EQ(calls[0].path, calls[1].path);
  EXPECT_EQ(calls[1].path, calls[2].path);
  EXPECT_EQ(calls[3].path, environment.Program().File("WatchToHelp_1"));
  EXPECT_TRUE(platform::FileExists(calls[2].path));
  EXPECT_TRUE(platform::FileExists(calls[3].path));
  EXPECT_FALSE(platform::FileExists(environment.Program().File("WatchToHelp_2")));
  EXPECT_EQ(call.QueuedCount(), 0u);
}

TEST_F(HlpCallTest, UnwritableFileIsReportedAndNotRetried) {
  platform::SetProgramFolder(environment.Program().File("missing"));
  CScriptedHandOff handOff;
  CHLPCall call(handOff, m_prompter, 20);
  call.Display(Page("http://example.invalid/a"));
  ASSERT_TRUE(WaitUntil([&] { return !m_prompter.Messages().empty(); }));
  call.Stop();
  EXPECT_EQ(m_prompter.Messages(),
            (std::vector<std::string>{"ファイルエラーです。ブラウザに表示できません。"}));
  EXPECT_TRUE(handOff.Calls().empty());
  EXPECT_EQ(call.QueuedCount(), 0u);
}

TEST_F(HlpCallTest, StopEndsTheWorkerAndDisplayStartsANewOne) {
  CScriptedHandOff handOff(std::vector<int>(1000, 1));  // busy for ever
  {
    CHLPCall call(handOff, m_prompter, 20);
    call.Display(Page("http://example.invalid/a"));
    EXPECT_TRUE(call.WorkerRunning());
    ASSERT_TRUE(WaitUntil([&] { return handOff.Calls().size() >= 2; }));
    call.Stop();
    EXPECT_FALSE(call.WorkerRunning());
    EXPECT_EQ(call.QueuedCount(), 1u);  // kept for a later Display
    std::size_t after = handOff.Calls().size();
    call.Display(Page("http://example.invalid/b"));
    ASSERT_TRUE(WaitUntil([&] { return handOff.Calls().size() > after; }));
    // Destroyed with requests queued: the worker ends, nothing hangs.
  }
  SUCCEED();
}

// The whole way, with the stand-in helper as a second process.
TEST_F(HlpCallTest, TwoQuickRequestsReachTheRunningHelper) {
  TempFolder helperFolder;
  InstallStandIn(helperFolder.Path(), kHelperExecutable);
  ASSERT_TRUE(platform::StartProgram(helperFolder.Path(), kHelperExecutable));
  std::string record = helperFolder.File("record.txt");
  ASSERT_TRUE(WaitForRecord(record, "ready"));

  ScopedManualClock clock(1700000000);  // the helper answers well within the minute
  platform::CRegistryKey own(kOwnKeyPath, false), helper(kHelperKeyPath, false),
      downloader(kDownloaderKeyPath, true), location(kLocationKeyPath, false);
  CCompanionLink link(&own, &helper, &downloader, &location, m_prompter);
  {
    CHLPCall call(link, m_prompter, 20);
    call.Display(Page("http://example.invalid/first"));
    call.Display(Page("http://example.invalid/second"));
    EXPECT_TRUE(WaitForRecord(record, "request http://example.invalid/second"));
  }
  std::vector<std::string> requests;
  for (const std::string& line : RecordLines(record)) {
    if (line.rfind("request", 0) == 0) requests.push_back(line);
  }
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].rfind("request http://example.invalid/first", 0), 0u);
  EXPECT_TRUE(m_prompter.Messages().empty());
  platform::Broadcast("standin-quit");
  EXPECT_TRUE(WaitForRecord(record, "closed"));
  platform::ReapStartedPrograms();
}

}  // namespace
