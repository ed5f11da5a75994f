// Events, the settable clock and the UI-thread queue.
#include <gtest/gtest.h>

#include <thread>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/ui_queue.h"

namespace {

using platform::Event;

TEST(Event, ManualResetStaysSetUntilReset) {
  Event event(Event::Reset::Manual);
  EXPECT_FALSE(event.TryWait());
  event.Set();
  EXPECT_TRUE(event.TryWait());
  EXPECT_TRUE(event.Wait(10));
  event.ResetEvent();
  EXPECT_FALSE(event.Wait(10));
}

TEST(Event, AutoResetReleasesOneWaitAtATime) {
  Event event(Event::Reset::Auto, true);
  EXPECT_TRUE(event.TryWait());
  EXPECT_FALSE(event.TryWait());
}

TEST(Event, AWaiterWakesWhenAnotherThreadSetsTheEvent) {
  Event event(Event::Reset::Auto);
  std::thread setter([&] { event.Set(); });
  EXPECT_TRUE(event.Wait(Event::kInfinite));
  setter.join();
}

TEST(Clock, TestsCanSetTheTime) {
  platform::ManualClock clock(1000);
  platform::SetCurrentClock(&clock);
  EXPECT_EQ(platform::Now(), 1000);
  clock.Advance(86400 * 21);
  EXPECT_EQ(platform::Now(), 1000 + 86400 * 21);
  platform::SetCurrentClock(nullptr);
  EXPECT_GT(platform::Now(), 1600000000);
}

TEST(LoopQueue, PostedTasksRunInOrderOnTheLoopThread) {
  platform::CLoopQueue queue;
  std::vector<int> order;
  std::thread::id loopThread = std::this_thread::get_id();
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      queue.Post([&, i] {
        EXPECT_EQ(std::this_thread::get_id(), loopThread);
        order.push_back(i);
      });
    }
    queue.Post([&] { queue.Quit(); });
  });
  EXPECT_TRUE(queue.Run(5000));
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(LoopQueue, SendBlocksTheWorkerUntilTheTaskHasRun) {
  platform::CLoopQueue queue;
  int value = 0;
  bool sawValue = false;
  std::thread worker([&] {
    queue.Send([&] { value = 42; });
    sawValue = value == 42;
  });
  EXPECT_TRUE(queue.RunUntil([&] { return value == 42; }, 5000));
  worker.join();
  EXPECT_TRUE(sawValue);
  // On the loop thread itself a send runs at once.
  queue.Send([&] { value = 7; });
  EXPECT_EQ(value, 7);
}

TEST(LoopQueue, RunGivesUpAfterItsTimeOut) {
  platform::CLoopQueue queue;
  EXPECT_FALSE(queue.Run(20));
  queue.Post([] {});
  EXPECT_EQ(queue.RunPending(), 1);
}

}  // namespace
