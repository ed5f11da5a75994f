#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_system.h"

namespace platform {

CInstanceLock::~CInstanceLock() { Release(); }

CInstanceLock::Result CInstanceLock::Acquire(const std::string& folder) {
  Release();
  int fd = open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Result::Failed;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
  }
  m_fd = fd;
  return Result::Acquired;
}

void CInstanceLock::Release() {
  if (m_fd < 0) return;
  close(m_fd);  // closing the only descriptor releases the lock
  m_fd = -1;
}

}  // namespace platform
