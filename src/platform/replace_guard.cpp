#include "platform/replace_guard.h"

#include <unistd.h>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace platform {

void CReplaceGuard::SetLoadOutcome(LoadOutcome outcome) {
  m_outcome = outcome;
  bool unsafe = outcome == LoadOutcome::Unreadable || outcome == LoadOutcome::Damaged;
  m_state = unsafe ? State::Refuse : State::Free;
}

void CReplaceGuard::AllowReplace() {
  if (m_state == State::Refuse) m_state = State::KeepAside;
}

bool CReplaceGuard::PrepareSave(const std::string& path) {
  switch (m_state) {
    case State::Free:
      return true;
    case State::Refuse:
      return false;
    case State::KeepAside:
      break;
  }
  // A file that has gone meanwhile has nothing left to keep.
  if (FileExists(path)) {
    m_backupPath = KeepAside(path, Now());
    if (m_backupPath.empty()) return false;
  }
  m_state = State::Free;
  return true;
}

std::string DatedBackupPath(const std::string& path, std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string base = path + "." + stamp;
  std::string candidate = base + ".bak";
  for (int number = 1; FileExists(candidate); ++number) {
    candidate = base + "_" + std::to_string(number) + ".bak";
  }
  return candidate;
}

std::string KeepAside(const std::string& path, std::time_t now) {
  std::string backup = DatedBackupPath(path, now);
  // A second name for the same file keeps the old one in place until the save replaces
  // it; where no link can be made (another owner's file), the file moves.
  if (link(NativePath(path).c_str(), NativePath(backup).c_str()) == 0) return backup;
  return RenameFile(path, backup) ? backup : std::string();
}

}  // namespace platform
