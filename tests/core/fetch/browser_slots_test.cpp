// The bound on browsers at once: a taker beyond the limit waits for a slot given back, in
// the order the takers came, and a cancel or the time limit ends its wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/fetch/browser_slots.h"
#include "platform/cancel_signal.h"

namespace {

constexpr std::uint32_t kLong = 60000;

TEST(BrowserSlots, ATakerBeyondTheLimitWaitsForASlotAndACancelOrTheTimeEndsItsWait) {
  CBrowserSlots& slots = CBrowserSlots::Shared();
  ASSERT_EQ(slots.Taken(), 0);
  ASSERT_TRUE(slots.Take(1, nullptr, kLong));

  std::atomic<bool> second{false};
  std::thread waiter([&] { second = slots.Take(1, nullptr, kLong); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(second) << "the limit of one is taken";
  slots.Give();
  waiter.join();
  EXPECT_TRUE(second);
  EXPECT_EQ(slots.Taken(), 1);

  platform::CCancelSignal cancel;
  std::atomic<bool> cancelled{true};
  std::thread stopped([&] { cancelled = slots.Take(1, &cancel, kLong); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  cancel.Cancel();
  stopped.join();
  EXPECT_FALSE(cancelled);
  EXPECT_FALSE(slots.Take(1, nullptr, 50)) << "the time limit ends the wait";
  EXPECT_TRUE(slots.Take(2, nullptr, 50)) << "a limit of two has room";
  slots.Give();
  slots.Give();
  EXPECT_EQ(slots.Taken(), 0);
}

}  // namespace
