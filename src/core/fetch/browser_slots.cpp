#include "core/fetch/browser_slots.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "platform/cancel_signal.h"

CBrowserSlots& CBrowserSlots::Shared() {
  static CBrowserSlots slots;
  return slots;
}

bool CBrowserSlots::Take(int limit, const platform::CCancelSignal* cancel, std::uint32_t timeoutMs) {
  limit = std::clamp(limit, 1, 4);
  int wake = -1;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_taken < limit && m_waiting.empty()) {
      ++m_taken;
      return true;
    }
    wake = ::eventfd(0, EFD_CLOEXEC);
    if (wake < 0) return false;
    m_waiting.push_back(wake);
  }
  // Each waiter sleeps on its own descriptor; Give wakes the first one, which then
  // looks again (the limit may have changed meanwhile).
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool taken = false;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_taken < limit && !m_waiting.empty() && m_waiting.front() == wake) {
        ++m_taken;
        taken = true;
      }
    }
    if (taken) break;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd fds[2] = {{wake, POLLIN, 0}, {cancel ? cancel->Descriptor() : -1, POLLIN, 0}};
    int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left, 60000)));
    if (ready > 0 && (fds[1].revents & POLLIN)) break;
    std::uint64_t count;
    if (ready > 0 && (fds[0].revents & POLLIN)) (void)::read(wake, &count, sizeof count);
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_waiting.erase(std::find(m_waiting.begin(), m_waiting.end(), wake));
  ::close(wake);
  // The next in line may go now, or look again.
  if (!m_waiting.empty()) {
    std::uint64_t one = 1;
    (void)::write(m_waiting.front(), &one, sizeof one);
  }
  return taken;
}

void CBrowserSlots::Give() {
  std::lock_guard<std::mutex> lock(m_mutex);
  --m_taken;
  if (!m_waiting.empty()) {
    std::uint64_t one = 1;
    (void)::write(m_waiting.front(), &one, sizeof one);
  }
}

int CBrowserSlots::Taken() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_taken;
}
