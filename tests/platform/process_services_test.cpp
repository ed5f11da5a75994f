// The single-instance lock, the message broadcast and starting programs.
#include <gtest/gtest.h>
#include <mutex>
#include <sys/wait.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/broadcast.h"
#include "platform/runtime_folder.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "platform/text_codec.h"
#include "support/companion_environment.h"

namespace {

using platform::CSingleInstanceLock;
using Result = platform::CSingleInstanceLock::Result;

TEST(SingleInstanceLockTest, OneHolderPerDataFolder) {
  CompanionEnvironment environment;
  TempFolder other;
  CSingleInstanceLock first;
  CSingleInstanceLock second;
  ASSERT_EQ(first.Acquire(environment.Program().Path()), Result::Acquired);
  EXPECT_EQ(second.Acquire(environment.Program().Path()), Result::HeldElsewhere);
  EXPECT_EQ(second.Acquire(environment.Program().Path() + "/"), Result::HeldElsewhere);
  // The same folder reached through a link is the same folder.
  std::string link = other.File("link");
  ASSERT_EQ(symlink(environment.Program().Path().c_str(), link.c_str()), 0);
  EXPECT_EQ(second.Acquire(link), Result::HeldElsewhere);
  // Another folder is free; a released lock can be taken again.
  CSingleInstanceLock elsewhere;
  EXPECT_EQ(elsewhere.Acquire(other.Path()), Result::Acquired);
  first.Release();
  EXPECT_EQ(second.Acquire(environment.Program().Path()), Result::Acquired);
}

TEST(SingleInstanceLockTest, AnotherProcessIsKeptOut) {
  CompanionEnvironment environment;
  CSingleInstanceLock lock;
  ASSERT_EQ(lock.Acquire(environment.Program().Path()), Result::Acquired);
  pid_t child = fork();
  if (child == 0) {
    CSingleInstanceLock inChild;
    _exit(inChild.Acquire(environment.Program().Path()) == Result::HeldElsewhere ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(SingleInstanceLockTest, RuntimeFolderOpenToOthersIsRefused) {
  CompanionEnvironment environment;
  std::string folder = environment.Runtime().File("velmar");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  EXPECT_EQ(platform::RuntimeFolder(), "");
  CSingleInstanceLock lock;
  EXPECT_EQ(lock.Acquire(environment.Program().Path()), Result::Failed);
  EXPECT_EQ(platform::Broadcast("Pageward->Pageward"), 0);
}

TEST(BroadcastTest, EveryListenerGetsTheMessageOnItsUiThread) {
  CompanionEnvironment environment;
  platform::CLoopQueue queue;
  std::vector<std::string> first;
  std::vector<std::string> second;
  std::vector<std::thread::id> threads;
  auto record = [&](std::vector<std::string>& into) {
    return [&](const std::string& name) {
      into.push_back(name);
      threads.push_back(std::this_thread::get_id());
    };
  };
  platform::CBroadcastReceiver one(queue, record(first), "one");
  platform::CBroadcastReceiver two(queue, record(second), "two");
  ASSERT_TRUE(one.Listening() && two.Listening());

  // A socket left behind by a program that ended is passed over and removed.
  std::string stale = environment.Runtime().File("velmar/gone-1-0.msg");
  {
    platform::CLoopQueue otherQueue;
    platform::CBroadcastReceiver gone(otherQueue, [](const std::string&) {}, "gone");
    ASSERT_EQ(link(gone.SocketPath().c_str(), stale.c_str()), 0);
  }
  EXPECT_EQ(platform::Broadcast("grabHelper->Pageward"), 2);
  EXPECT_NE(access(stale.c_str(), F_OK), 0);

  ASSERT_TRUE(queue.RunUntil([&] { return first.size() == 1 && second.size() == 1; }, 5000));
  EXPECT_EQ(first[0], "grabHelper->Pageward");
  EXPECT_EQ(second[0], "grabHelper->Pageward");
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

// Keeps posted tasks until the test runs them.
class CHoldingQueue : public platform::IUiQueue {
 public:
  void Post(std::function<void()> task) override {
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
  }
  void Send(std::function<void()> task) override { task(); }
  std::size_t Count() {
    std::lock_guard lock(m_mutex);
    return m_tasks.size();
  }
  void RunAll() {
    std::vector<std::function<void()>> tasks;
    {
      std::lock_guard lock(m_mutex);
      tasks.swap(m_tasks);
    }
    for (auto& task : tasks) task();
  }

 private:
  std::mutex m_mutex;
  std::vector<std::function<void()>> m_tasks;
};

TEST(BroadcastTest, NothingIsHandledAfterTheReceiverIsGone) {
  CompanionEnvironment environment;
  CHoldingQueue queue;
  int handled = 0;
  std::string socketPath;
  {
    platform::CBroadcastReceiver receiver(queue, [&](const std::string&) { ++handled; }, "x");
    socketPath = receiver.SocketPath();
    ASSERT_EQ(platform::Broadcast("Pageward->Pageward"), 1);
    ASSERT_TRUE(WaitUntil([&] { return queue.Count() == 1; }));
  }
  queue.RunAll();
  EXPECT_EQ(handled, 0);
  EXPECT_NE(access(socketPath.c_str(), F_OK), 0);
  EXPECT_EQ(platform::Broadcast("Pageward->Pageward"), 0);
}

TEST(ShellTest, StartsAProgramInItsFolder) {
  CompanionEnvironment environment;
  TempFolder folder;
  InstallStandIn(folder.Path(), "Linkreel");
  ASSERT_TRUE(platform::StartProgram(folder.Path(), "Linkreel"));
  auto ready = WaitForRecord(folder.File("record.txt"), "ready");
  ASSERT_TRUE(ready.has_value());
  EXPECT_NE(ready->find(" in " + folder.Path()), std::string::npos) << *ready;
  platform::Broadcast("standin-quit");
  EXPECT_TRUE(WaitForRecord(folder.File("record.txt"), "closed").has_value());
  EXPECT_TRUE(WaitUntil([] { return platform::ReapStartedPrograms() == 1; }));
}

TEST(ShellTest, RefusesWhatIsNotAProgram) {
  CompanionEnvironment environment;
  TempFolder folder;
  EXPECT_FALSE(platform::StartProgram("", "Linkreel"));
  EXPECT_FALSE(platform::StartProgram(folder.Path(), "Linkreel"));
  folder.WriteBytes("Linkreel", "not a program");
  EXPECT_FALSE(platform::StartProgram(folder.Path(), "Linkreel"));
  ASSERT_EQ(mkdir(folder.File("Grabmate").c_str(), 0700), 0);
  EXPECT_FALSE(platform::StartProgram(folder.Path(), "Grabmate"));
}

TEST(ShellTest, DesktopOpenerGetsTheTargetAndReportsFailure) {
  CompanionEnvironment environment;
  TempFolder folder;
  std::string record = folder.File("opened.txt");
  platform::SetDesktopOpener({StandInPath(), "--opener", record});
  EXPECT_TRUE(platform::OpenWithDesktop("http://example.invalid/a?b=c"));
  EXPECT_TRUE(platform::OpenWithDesktop("/tmp/ページ.html"));
  platform::SetDesktopOpener({StandInPath(), "--opener", record, "--fail"});
  EXPECT_FALSE(platform::OpenWithDesktop("http://example.invalid/failed"));
  platform::SetDesktopOpener({"/nonexistent/opener"});
  EXPECT_FALSE(platform::OpenWithDesktop("http://example.invalid/none"));
  platform::SetDesktopOpener({});

  auto lines = RecordLines(record);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "open http://example.invalid/a?b=c");
  // The OS gets the name in UTF-8.
  EXPECT_EQ(lines[1], platform::Cp932ToUtf8("open /tmp/ページ.html"));
  EXPECT_EQ(lines[2], "open http://example.invalid/failed");
}

}  // namespace
