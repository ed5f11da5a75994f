#include "platform/event.h"

#include <chrono>

namespace platform {

Event::Event(Reset reset, bool initiallySet) : m_reset(reset), m_set(initiallySet) {}

void Event::Set() {
  {
    std::lock_guard lock(m_mutex);
    m_set = true;
  }
  if (m_reset == Reset::Manual) {
    m_signalled.notify_all();
  } else {
    m_signalled.notify_one();
  }
}

void Event::ResetEvent() {
  std::lock_guard lock(m_mutex);
  m_set = false;
}

bool Event::Wait(std::uint32_t timeoutMs) {
  std::unique_lock lock(m_mutex);
  auto isSet = [this] { return m_set; };
  if (timeoutMs == kInfinite) {
    m_signalled.wait(lock, isSet);
  } else if (timeoutMs == 0) {
    // A test without waiting needs no timed wait (a system call) when the event is unset.
    if (!m_set) return false;
  } else if (!m_signalled.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
    return false;
  }
  if (m_reset == Reset::Auto) m_set = false;
  return true;
}

}  // namespace platform
