// The announcement check against a loopback server: what the file says, what the user
// answered before, and stopping the worker wherever it waits.
#include "core/announce/announce_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/file_system.h"
#include "platform/registry_key.h"
#include "support/companion_environment.h"
#include "support/loopback_http_server.h"

namespace {

constexpr const char* kKeyPath = "Software\\Velmar\\AutoAnn\\Pagewarden";

// A queue that only keeps what is posted; the test runs the tasks when it wants to.
class HeldQueue : public platform::IUiQueue {
 public:
  void Post(std::function<void()> task) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tasks.push_back(std::move(task));
    m_posted.notify_all();
  }
  void Send(std::function<void()> task) override { task(); }
  bool WaitForTask() {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_posted.wait_for(lock, std::chrono::seconds(10), [this] { return !m_tasks.empty(); });
  }
  void RunOne() {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      task = std::move(m_tasks.front());
      m_tasks.pop_front();
    }
    task();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_posted;
  std::deque<std::function<void()>> m_tasks;
};

struct Outcome {
  int asked = 0;
  bool done = false;
  std::optional<std::string> page;
  int error = -1;
};

class AnnounceCheckTest : public ::testing::Test {
 protected:
  void Publish(const std::string& file) {
    server.Handle("/announce.txt",
                  [file](const HttpRequestRecord&) { return ScriptedResponse::Ok(file, "text/plain"); });
    key.Write("Location", server.Url("/announce.txt"));
  }
  Outcome Run(AnnounceAnswer answer, int version = 135, const std::string& category = "free") {
    Outcome outcome;
    CAnnounceCheck check("Pagewarden", "");
    AnnounceWindow window;
    window.queue = &queue;
    window.ask = [&] {
      ++outcome.asked;
      return answer;
    };
    window.done = [&](const std::optional<std::string>& page) {
      outcome.done = true;
      outcome.page = page;
    };
    check.Start(5, window, version, category);
    EXPECT_TRUE(queue.RunUntil([&] { return outcome.done; }, 10000));
    outcome.error = check.ErrorCode();
    return outcome;
  }
  std::string Answered() const { return key.Read("AnnID"); }

  CompanionEnvironment world;
  LoopbackHttpServer server;
  platform::CLoopQueue queue;
  platform::CRegistryKey key{kKeyPath, false};
};

}  // namespace

TEST(Announcement, ReadsTheFourKeysAndIgnoresEveryOtherLine) {
  Announcement read;
  for (const char* line : {"  Url_: http://velmar.example/old\r\n", "Url_: http://velmar.example/news\r\n",
                           "\tVers: 136\n", "Cate: free pro", "ID__: 7", "ID__:", "Note: x",
                           "s: Cat", "Vers:136", "", "\r\n"}) {
    read.ParseLine(line);
  }
  EXPECT_EQ(read.page, "http://velmar.example/news");
  EXPECT_EQ(read.versionLimit, 136);
  EXPECT_EQ(read.categories, "free pro");
  EXPECT_EQ(read.id, 7);
  read.ParseLine("ID__: ");  // an empty value is still a line of its key
  EXPECT_EQ(read.id, 0);
}

TEST(Announcement, OnlyANewWebPageForThisVersionAndCategoryIsOffered) {
  Announcement news{"http://velmar.example/news", 0, "", 5};
  EXPECT_TRUE(ShouldAsk(news, 4, 135, "free"));
  EXPECT_FALSE(ShouldAsk(news, 5, 135, "free"));
  news.versionLimit = 135;
  EXPECT_FALSE(ShouldAsk(news, 0, 135, "free"));
  news.versionLimit = 136;
  EXPECT_TRUE(ShouldAsk(news, 0, 135, "free"));
  news.categories = "pro business";
  EXPECT_FALSE(ShouldAsk(news, 0, 135, "free"));
  news.categories = "pro free";
  EXPECT_TRUE(ShouldAsk(news, 0, 135, "free"));
  EXPECT_FALSE(ShouldAsk(news, 0, 135, ""));
  news.categories.clear();
  for (const char* page : {"https://velmar.example/news"}) {
    news.page = page;
    EXPECT_TRUE(ShouldAsk(news, 0, 135, "free")) << page;
  }
  for (const char* page : {"HTTP://velmar.example/", "Https://velmar.example/", "ftp://velmar.example/",
                           "file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm", ""}) {
    news.page = page;
    EXPECT_FALSE(ShouldAsk(news, 0, 135, "free")) << page;
  }
}

TEST_F(AnnounceCheckTest, TheDefaultAddressIsStoredOnlyWhenNoneIs) {
  platform::CRegistryKey fresh("Software\\Velmar\\AutoAnn\\Other", false);
  CAnnounceCheck first("Other", "https://velmar.example/other/announce.txt");
  EXPECT_TRUE(first.IsReady());
  EXPECT_EQ(fresh.Read("Location"), "https://velmar.example/other/announce.txt");
  fresh.Write("Location", "http://127.0.0.1/mine.txt");
  EXPECT_EQ(CAnnounceCheck("Other", "https://velmar.example/x").FileAddress(),
            "http://127.0.0.1/mine.txt");
  EXPECT_FALSE(CAnnounceCheck("Pagewarden", "").IsReady());  // no address anywhere
  EXPECT_FALSE(CAnnounceCheck("", "https://velmar.example/x").IsReady());
}

TEST_F(AnnounceCheckTest, AnAnsweredAnnouncementIsNotOfferedAgainButNextTimeIs) {
  Publish("Url_: http://velmar.example/news5\r\nID__: 5\r\n");
  Outcome refused = Run(AnnounceAnswer::Refuse);
  EXPECT_EQ(refused.asked, 1);
  EXPECT_FALSE(refused.page);
  EXPECT_EQ(Answered(), "5");
  EXPECT_EQ(Run(AnnounceAnswer::Yes).asked, 0);
  EXPECT_TRUE(platform::FileExists(CAnnounceCheck::FilePath()));

  Publish("Url_: https://velmar.example/news6\nID__: 6\n");
  EXPECT_EQ(Run(AnnounceAnswer::NextTime).asked, 1);
  EXPECT_EQ(Answered(), "5");
  Outcome read = Run(AnnounceAnswer::Yes);
  EXPECT_EQ(read.asked, 1);
  EXPECT_EQ(read.page, "https://velmar.example/news6");
  EXPECT_EQ(Answered(), "6");
}

TEST_F(AnnounceCheckTest, FilesThatMustNotBeShownEndWithoutAQuestion) {
  struct Case {
    const char* file;
    int version;
    const char* category;
  };
  for (Case nothing : {Case{"Url_: http://velmar.example/\nID__: 1\nVers: 135\n", 135, "free"},
                       Case{"Url_: http://velmar.example/\nID__: 1\nCate: pro\n", 135, "free"},
                       Case{"Url_: HTTP://velmar.example/\nID__: 1\n", 135, "free"},
                       Case{"Url_: file:///etc/passwd\nID__: 1\n", 135, "free"},
                       Case{"Url_: http://velmar.example/\n", 135, "free"}}) {
    Publish(nothing.file);
    Outcome outcome = Run(AnnounceAnswer::Yes, nothing.version, nothing.category);
    EXPECT_EQ(outcome.asked, 0) << nothing.file;
    EXPECT_FALSE(outcome.page);
    EXPECT_EQ(outcome.error, CAnnounceCheck::kNoError);
  }
  Publish("Url_: http://velmar.example/\nID__: 1\nVers: 136\n");
  EXPECT_EQ(Run(AnnounceAnswer::Yes, 135).asked, 1);

  server.Handle("/announce.txt", [](const HttpRequestRecord&) { return ScriptedResponse::Status(404); });
  Outcome missing = Run(AnnounceAnswer::Yes);
  EXPECT_EQ(missing.error, CAnnounceCheck::kDownloadFailed);
  EXPECT_EQ(missing.asked, 0);
  EXPECT_FALSE(missing.page);
}

TEST_F(AnnounceCheckTest, DestroyingStopsTheWorkerWhereverItWaits) {
  Publish("Url_: http://velmar.example/news\nID__: 3\n");
  auto timed = [](const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::steady_clock::now() - start;
  };
  HeldQueue held;
  bool asked = false;
  bool done = false;
  AnnounceWindow window;
  window.queue = &held;
  window.ask = [&] {
    asked = true;
    return AnnounceAnswer::Refuse;
  };
  window.done = [&](const std::optional<std::string>&) { done = true; };

  // In the delay, and during a download the server holds back.
  EXPECT_LT(timed([&] {
              CAnnounceCheck check("Pagewarden", "");
              check.Start(60000, window, 135, "free");
            }),
            std::chrono::seconds(5));
  server.Handle("/slow.txt", [](const HttpRequestRecord&) {
    ScriptedResponse answer = ScriptedResponse::Ok("ID__: 9\n", "text/plain");
    answer.delayMs = 20000;
    return answer;
  });
  key.Write("Location", server.Url("/slow.txt"));
  EXPECT_LT(timed([&] {
              CAnnounceCheck check("Pagewarden", "");
              check.Start(0, window, 135, "free");
              while (server.RequestCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }),
            std::chrono::seconds(5));

  // With the question posted but not yet asked: it is never asked, nothing is stored.
  key.Write("Location", server.Url("/announce.txt"));
  {
    CAnnounceCheck check("Pagewarden", "");
    check.Start(0, window, 135, "free");
    ASSERT_TRUE(held.WaitForTask());
  }
  held.RunOne();
  EXPECT_FALSE(asked);
  EXPECT_FALSE(done);
  EXPECT_EQ(Answered(), "");
}
