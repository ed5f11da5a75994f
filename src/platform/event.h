// A Windows-style event: signalled or not; an auto-reset event releases one waiter and
// becomes unsignalled again. Safe to use from any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class Event {
 public:
  enum class Reset { Manual, Auto };
  static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

  explicit Event(Reset reset, bool initiallySet = false);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void ResetEvent();
  // true when the event was signalled within `timeoutMs`; kInfinite waits for ever.
  bool Wait(std::uint32_t timeoutMs = kInfinite);
  // Test without waiting (an auto-reset event is consumed, as a wait would).
  bool TryWait() { return Wait(0); }

 private:
  std::mutex m_mutex;
  std::condition_variable m_signalled;
  const Reset m_reset;
  bool m_set;
};

}  // namespace platform
