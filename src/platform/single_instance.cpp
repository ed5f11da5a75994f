#include "platform/single_instance.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/runtime_folder.h"

namespace platform {

namespace {

// FNV-1a: the same folder always gives the same name, in every program that locks it.
std::uint64_t PathHash(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char byte : text) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

CSingleInstanceLock::~CSingleInstanceLock() { Release(); }

std::string CSingleInstanceLock::LockFilePath(const std::string& folder) {
  std::string runtime = RuntimeFolder();
  if (runtime.empty()) return {};
  // One folder reached by two paths (a symbolic link) is still one folder.
  std::string normalised = NativePath(folder);
  if (char* real = realpath(normalised.c_str(), nullptr)) {
    normalised = real;
    free(real);
  }
  while (normalised.size() > 1 && normalised.back() == '/') normalised.pop_back();
  char name[64];
  std::snprintf(name, sizeof name, "/pagewarden-%016llx.lock",
                static_cast<unsigned long long>(PathHash(normalised)));
  return runtime + name;
}

CSingleInstanceLock::Result CSingleInstanceLock::Acquire(const std::string& folder) {
  Release();
  std::string path = LockFilePath(folder);
  if (path.empty()) return Result::Failed;
  int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (descriptor < 0) return Result::Failed;
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    close(descriptor);
    return error == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
  }
  m_descriptor = descriptor;
  return Result::Acquired;
}

void CSingleInstanceLock::Release() {
  if (m_descriptor < 0) return;
  // The file stays: removing it could let two processes lock two different files.
  close(m_descriptor);
  m_descriptor = -1;
}

}  // namespace platform
