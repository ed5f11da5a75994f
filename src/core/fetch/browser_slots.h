// The bound on browsers that run at once ("同時ブラウザ数"), over every engine of the
// process: a browser check waits for a free slot, first come first served, and a cancel
// ends its wait at once.
//
// Threads: any thread; the slots are shared by every fetch of the process.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

namespace platform {
class CCancelSignal;
}

class CBrowserSlots {
 public:
  // The slots of the process.
  static CBrowserSlots& Shared();

  // Takes a slot while fewer than `limit` are taken, waiting for one to be given back
  // for at most `timeoutMs`. false when cancelled (by `cancel`, may be null) or timed out.
  bool Take(int limit, const platform::CCancelSignal* cancel, std::uint32_t timeoutMs);
  void Give();
  int Taken();

 private:
  std::mutex m_mutex;
  int m_taken = 0;
  std::deque<int> m_waiting;  // the eventfd of each waiter, in the order they came
};

// A slot held for one scope.
class CBrowserSlot {
 public:
  CBrowserSlot(int limit, const platform::CCancelSignal* cancel, std::uint32_t timeoutMs)
      : m_held(CBrowserSlots::Shared().Take(limit, cancel, timeoutMs)) {}
  ~CBrowserSlot() {
    if (m_held) CBrowserSlots::Shared().Give();
  }
  CBrowserSlot(const CBrowserSlot&) = delete;
  CBrowserSlot& operator=(const CBrowserSlot&) = delete;
  bool Held() const { return m_held; }

 private:
  bool m_held;
};
