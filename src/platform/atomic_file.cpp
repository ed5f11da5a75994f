#include "platform/atomic_file.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_mode_stream.h"

namespace platform {

namespace {

// The mode a new file gets from fopen. Read from /proc, since asking umask() changes it
// for a moment under every other thread.
mode_t DefaultFileMode() {
  mode_t mask = 022;
  if (FILE* status = fopen("/proc/self/status", "r")) {
    char line[256];
    while (fgets(line, sizeof line, status)) {
      if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    }
    fclose(status);
  }
  return 0666 & ~mask;
}

void SyncFolderOf(const std::string& nativePath) {
  std::size_t slash = nativePath.rfind('/');
  std::string folder = slash == std::string::npos ? "." : nativePath.substr(0, slash + 1);
  int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

}  // namespace

CAtomicFile::CAtomicFile(std::string path, Mode mode, Access access)
    : m_path(std::move(path)), m_mode(mode), m_access(access) {}

CAtomicFile::~CAtomicFile() { Abandon(); }

FILE* CAtomicFile::Open() {
  if (m_stream) return m_stream;
  std::string pattern = NativePath(m_path) + ".XXXXXX";
  int descriptor = mkstemp(pattern.data());
  if (descriptor < 0) return nullptr;
  bool ownerOnly = m_access == Access::OwnerOnly || IsInProgramFolder(m_path);
  fchmod(descriptor, ownerOnly ? 0600 : DefaultFileMode());
  m_tempPath = pattern;
  m_raw = fdopen(descriptor, "wb");
  if (!m_raw) {
    close(descriptor);
    unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return nullptr;
  }
  m_stream = m_mode == Mode::Text ? WrapInTextMode(m_raw, "w") : m_raw;
  if (!m_stream) {
    // WrapInTextMode closed the raw stream already.
    m_raw = nullptr;
    unlink(m_tempPath.c_str());
    m_tempPath.clear();
  }
  return m_stream;
}

bool CAtomicFile::Commit() {
  if (!m_stream) return false;
  bool written = fflush(m_stream) == 0 && !ferror(m_stream) && FlushToDisk(m_raw);
  bool closed = fclose(m_stream) == 0;
  m_stream = m_raw = nullptr;
  if (!written || !closed || rename(m_tempPath.c_str(), NativePath(m_path).c_str()) != 0) {
    unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return false;
  }
  m_tempPath.clear();
  SyncFolderOf(NativePath(m_path));
  return true;
}

void CAtomicFile::Abandon() {
  if (m_stream) fclose(m_stream);
  m_stream = m_raw = nullptr;
  if (!m_tempPath.empty()) unlink(m_tempPath.c_str());
  m_tempPath.clear();
}

}  // namespace platform
