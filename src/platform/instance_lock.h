// One working copy of the program per data folder: a lock held with flock on the folder
// itself for the life of the object (the kernel releases it when the process ends, also
// after a crash or a kill). Not shared between threads.
#pragma once

#include <string>

namespace platform {

class CInstanceLock {
 public:
  CInstanceLock() = default;
  ~CInstanceLock();
  CInstanceLock(const CInstanceLock&) = delete;
  CInstanceLock& operator=(const CInstanceLock&) = delete;

  enum class Result { Acquired, HeldElsewhere, Failed };
  // Takes the lock on `folder` (CP932 path) without waiting.
  Result Acquire(const std::string& folder);
  void Release();

 private:
  int m_fd = -1;
};

}  // namespace platform
