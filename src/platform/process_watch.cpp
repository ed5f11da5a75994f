#include "platform/process_watch.h"

#include <cerrno>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

CProcessWatch::CProcessWatch(int pid) {
  if (pid <= 0) return;
  // Called directly: the C library's wrapper is newer than some of the systems we build on.
  long descriptor = syscall(SYS_pidfd_open, pid, 0);
  if (descriptor >= 0) {
    m_descriptor = static_cast<int>(descriptor);
  } else {
    m_goneAtStart = errno == ESRCH;
  }
}

CProcessWatch::~CProcessWatch() {
  if (m_descriptor >= 0) close(m_descriptor);
}

bool CProcessWatch::Ended() const {
  if (m_goneAtStart) return true;
  if (m_descriptor < 0) return false;
  pollfd watched{m_descriptor, POLLIN, 0};
  return poll(&watched, 1, 0) > 0 && (watched.revents & (POLLIN | POLLHUP)) != 0;
}

}  // namespace platform
