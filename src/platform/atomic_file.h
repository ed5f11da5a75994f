// Saving a file the program owns without ever losing it: the data goes to a temporary
// file in the same folder, which is flushed to disk and then renamed over the old file.
// Until Commit succeeds the old file stays exactly as it was. Not shared between threads.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

class CAtomicFile {
 public:
  enum class Mode { Text, Binary };
  // OwnerOnly: for files holding passwords. Inside the program folder every file is.
  enum class Access { Default, OwnerOnly };

  CAtomicFile(std::string path, Mode mode, Access access = Access::Default);
  ~CAtomicFile();  // abandons an uncommitted save: the temporary file is removed
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // The stream to write to (owned by this object), or nullptr when the temporary file
  // cannot be created.
  FILE* Open();
  // Flushes, syncs, closes and renames. false on any failure; the old file is then intact.
  bool Commit();
  void Abandon();

 private:
  std::string m_path;
  std::string m_tempPath;
  Mode m_mode;
  Access m_access;
  FILE* m_stream = nullptr;
  FILE* m_raw = nullptr;
};

}  // namespace platform
