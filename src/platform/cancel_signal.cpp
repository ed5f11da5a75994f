#include "platform/cancel_signal.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

CCancelSignal::CCancelSignal() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CCancelSignal::~CCancelSignal() {
  if (m_fd >= 0) close(m_fd);
}

void CCancelSignal::Cancel() {
  std::uint64_t one = 1;
  // The counter only grows: a second cancel before a reset changes nothing.
  ssize_t written = write(m_fd, &one, sizeof one);
  (void)written;
}

void CCancelSignal::Reset() {
  std::uint64_t count;
  ssize_t read = ::read(m_fd, &count, sizeof count);
  (void)read;
}

bool CCancelSignal::IsCancelled() const {
  pollfd entry{m_fd, POLLIN, 0};
  return poll(&entry, 1, 0) > 0;
}

bool CCancelSignal::WaitFor(int milliseconds) const {
  pollfd entry{m_fd, POLLIN, 0};
  return poll(&entry, 1, milliseconds) > 0;
}

}  // namespace platform
