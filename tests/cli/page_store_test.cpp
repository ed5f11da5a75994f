// Updated pages as pagewarden-cli stores them and shows their change: killed at random
// moments of `check all`, every copy the list names is still there; and `diff` of pages
// that hold zero bytes, that are not text, or that changed throughout.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>

#include "core/watch/watch_item.h"
#include "platform/file_system.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"
#include "support/watch_list_file.h"

namespace {

const std::string kCli = PAGEWARDEN_CLI;

class PageStoreTest : public ::testing::Test {
 protected:
  PageStoreTest() { setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1); }

  // Every request of `path` gets a new version of the page.
  void ServeChanging(const std::string& path) {
    server.Handle(path, [this, path](const HttpRequestRecord&) {
      std::lock_guard lock(m_mutex);
      std::string body = path + " version " + std::to_string(++m_versions[path]) + "\n";
      while (body.size() < 48 * 1024) body += "<p>the same paragraph on every version</p>\n";
      return ScriptedResponse::Ok(body);
    });
  }
  // Versions of `path` from `bodies`, one a request; the last one stays.
  void ServeInTurn(const std::string& path, std::vector<std::string> bodies) {
    auto next = std::make_shared<std::atomic<std::size_t>>(0);
    server.Handle(path, [bodies, next](const HttpRequestRecord&) {
      std::size_t index = std::min(next->fetch_add(1), bodies.size() - 1);
      return ScriptedResponse::Ok(bodies[index]);
    });
  }
  WatchItem Item(const std::string& path, int download) {
    WatchItem item;
    item.m_url = server.Url(path);
    item.m_active = 1;
    item.m_compareAll = 1;
    item.m_soundUse = 0;
    item.m_download = FromStoredNumber<DownloadMode>(download);
    if (download != 0) item.m_savePath = home.File("downloads") + path + ".html";
    return item;
  }
  void WriteList(const std::vector<WatchItem>& items) {
    platform::MakeDirectory(home.File("downloads"));
    FILE* file = platform::OpenFile(home.File("WatchList.pgl"), "w");
    for (const WatchItem& item : items) item.Write(file);
    std::fclose(file);
  }
  std::vector<std::string> CheckAll() {
    return {"--home", home.Path(), "check", "all", "--jobs", "4", "--no-actions"};
  }
  RunResult Cli(std::vector<std::string> args) { return RunOnDataFolder(kCli, home.Path(), std::move(args)); }
  // Every item of the list has the copy the list names.
  void ExpectEveryCopy(std::size_t count) {
    std::vector<WatchItem> items = ReadWatchListFile(home.Path());
    ASSERT_EQ(items.size(), count) << "the list is whole";
    for (const WatchItem& item : items) {
      const std::string& copy = item.m_download == DownloadMode::PrivateCopy ? item.m_hiddenPath : item.m_savePath;
      EXPECT_FALSE(copy.empty()) << item.m_url;
      EXPECT_TRUE(platform::FileExists(copy)) << item.m_url << ": " << copy;
    }
  }

  TempFolder home;
  LoopbackHttpServer server;
  std::mutex m_mutex;
  std::map<std::string, int> m_versions;
};

TEST_F(PageStoreTest, KillsWhileUpdatedPagesAreStoredNeverLoseACopy) {
  constexpr int kItems = 12;
  constexpr int kKills = 60;
  std::vector<WatchItem> items;
  for (int number = 0; number < kItems; ++number) {
    std::string path = "/page" + std::to_string(number);
    ServeChanging(path);
    items.push_back(Item(path, number % 3 == 2 ? 1 : 0));  // own copies and download files
  }
  WriteList(items);
  auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(RunProgram(kCli, CheckAll()).status, 0);
  auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  ExpectEveryCopy(kItems);

  // Each run of `check all` updates every page; the kill falls anywhere in it.
  unsigned seed = static_cast<unsigned>(std::random_device()());
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<long long> moment(0, whole.count() * 5 / 4);
  for (int kill = 0; kill < kKills && !HasFailure(); ++kill) {
    ChildProcess check(kCli, CheckAll());
    usleep(static_cast<useconds_t>(moment(random)));
    check.Signal(SIGKILL);
    check.Wait();
    SCOPED_TRACE("kill " + std::to_string(kill));
    ExpectEveryCopy(kItems);
  }

  // What the kills left is a state the next check works from: every page updated again.
  RunResult after = Cli({"check", "all", "--no-actions"});
  EXPECT_EQ(after.status, 0) << after.errors;
  std::size_t updated = 0;
  for (std::size_t at = 0; (at = after.output.find("更新されています", at)) != std::string::npos; ++at) ++updated;
  EXPECT_EQ(updated, static_cast<std::size_t>(kItems)) << after.output;
  ExpectEveryCopy(kItems);
}

TEST_F(PageStoreTest, DiffShowsAPageWithZeroBytesWholeAndRefusesOneThatIsNoText) {
  std::string head;
  for (int line = 1; line <= 8; ++line) head += "<p>same " + std::to_string(line) + "</p>\n";
  head += std::string("<p>a\0b</p>\n", 11);
  ServeInTurn("/zero", {head + "<p>old tail</p>\n", head + "<p>new tail</p>\n"});
  std::string image = "\x89PNG\r\n\x1a\n";
  for (int i = 0; i < 256; ++i) image += static_cast<char>(i * 7);
  ServeInTurn("/image", {image, image + "\x01\x02"});
  WriteList({Item("/zero", 0), Item("/image", 0)});
  ASSERT_EQ(Cli({"check", "all", "--no-actions"}).status, 0);
  ASSERT_EQ(Cli({"check", "all", "--no-actions"}).status, 0);

  RunResult zero = Cli({"diff", "1", "--no-color"});
  EXPECT_EQ(zero.status, 0) << zero.errors;
  EXPECT_EQ(zero.output,
            "--- 前の版\n+++ 今の版\n@@ -7,4 +7,4 @@\n <p>same 7</p>\n <p>same 8</p>\n <p>a^@b</p>\n"
            "-<p>old tail</p>\n+<p>new tail</p>\n");

  RunResult binary = Cli({"diff", "2"});
  EXPECT_EQ(binary.status, 1);
  EXPECT_EQ(binary.output, "");
  EXPECT_EQ(binary.errors, "テキストではないため差分を表示できません\n");
}

TEST_F(PageStoreTest, DiffOfAPageChangedThroughoutEndsAtOnceWithTheLineCounts) {
  std::string before, after;
  for (int line = 0; line < 20000; ++line) {
    before += "old line " + std::to_string(line) + "\n";
    after += "new line " + std::to_string(line) + "\n";
  }
  after += "one more\n";
  ServeInTurn("/rewritten", {before, after});
  WriteList({Item("/rewritten", 0)});
  ASSERT_EQ(Cli({"check", "all", "--no-actions"}).status, 0);
  ASSERT_EQ(Cli({"check", "all", "--no-actions"}).status, 0);

  RunResult diff = Cli({"diff", "1"});
  EXPECT_EQ(diff.status, 1);
  EXPECT_EQ(diff.errors, "変更が多すぎるため、差分を表示できません (前: 20000 行, 後: 20001 行)\n");
}

}  // namespace
