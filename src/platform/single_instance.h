// The lock that lets only one program work on a data folder at a time: a lock file in the
// per-user runtime folder, named after the folder's path and held with flock for the life
// of the object (the OS releases it when the process ends, however it ends). The desktop
// program and the command-line program take the same lock.
#pragma once

#include <string>

namespace platform {

class CSingleInstanceLock {
 public:
  enum class Result { Acquired, HeldElsewhere, Failed };

  CSingleInstanceLock() = default;
  ~CSingleInstanceLock();
  CSingleInstanceLock(const CSingleInstanceLock&) = delete;
  CSingleInstanceLock& operator=(const CSingleInstanceLock&) = delete;

  // Takes the lock for `folder` (CP932 path of the data folder) without waiting.
  // HeldElsewhere: another process (or another lock object) holds it. Failed: the runtime
  // folder or the lock file cannot be made.
  Result Acquire(const std::string& folder);
  void Release();
  bool Held() const { return m_descriptor >= 0; }

  // The lock file's path for `folder` (native), or empty without a runtime folder.
  static std::string LockFilePath(const std::string& folder);

 private:
  int m_descriptor = -1;
};

}  // namespace platform
