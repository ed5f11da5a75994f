// A file the program owns and rewrites whole (the watch list, the settings archive) must
// never be written over when it could not be read whole: what it holds is then not what
// the program has in memory. The guard remembers how the load went and stands between the
// program and the next save.
//
// Threads: one owner thread, the one that loads and saves the file.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// How reading a file the program owns went.
enum class LoadOutcome {
  Loaded,      // read whole
  Missing,     // no such file (or an empty one): nothing to lose
  Unreadable,  // it exists but cannot be opened or read
  Damaged      // it was read, but not all of it made sense
};

class CReplaceGuard {
 public:
  // Unreadable and Damaged refuse every save until AllowReplace.
  void SetLoadOutcome(LoadOutcome outcome);
  LoadOutcome Outcome() const { return m_outcome; }
  bool Refuses() const { return m_state == State::Refuse; }
  // The user saves anyway: the next save first keeps the old file aside.
  void AllowReplace();
  // Call before replacing `path`. false: the save must not happen (refused, or the old
  // file could not be kept aside). true: go on; a damaged file has been kept aside.
  bool PrepareSave(const std::string& path);
  // Where the old file was kept; empty until it was.
  const std::string& BackupPath() const { return m_backupPath; }

 private:
  enum class State { Free, Refuse, KeepAside };
  LoadOutcome m_outcome = LoadOutcome::Loaded;
  State m_state = State::Free;
  std::string m_backupPath;
};

// The dated name a file is kept aside under: "<path>.YYYYMMDD-HHMMSS.bak" in local time,
// numbered "_1", "_2", ... before ".bak" when that name is taken.
std::string DatedBackupPath(const std::string& path, std::time_t now);
// Keeps the file at `path` aside under DatedBackupPath: the same bytes stay under the new
// name, whatever later happens to `path`. The backup's path, or empty on failure.
std::string KeepAside(const std::string& path, std::time_t now);

}  // namespace platform
