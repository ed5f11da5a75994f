#include "core/watch/page_history.h"

#include "core/common/path_utils.h"
#include "platform/file_system.h"

namespace {

constexpr char kFolderPrefix[] = "hist_";

std::string CompFolder() { return ProgramFolder() + "/comp"; }

std::string GenerationPath(const std::string& folder, int generation) {
  return folder + "/" + std::to_string(generation);
}

bool IsHistoryFolderName(const std::string& name) {
  if (name.compare(0, sizeof kFolderPrefix - 1, kFolderPrefix) != 0) return false;
  std::string number = name.substr(sizeof kFolderPrefix - 1);
  return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
}

// Claims a folder no other item has: the first "hist_<n>" that can be created.
std::string ClaimFolderName() {
  for (long long number = 1;; ++number) {
    std::string name = kFolderPrefix + std::to_string(number);
    if (platform::MakeNewDirectory(CompFolder() + "/" + name)) return name;
    if (!platform::FileExists(CompFolder() + "/" + name)) return std::string();  // comp unusable
  }
}

void RemoveFolder(const std::string& folder) {
  for (const std::string& name : platform::ListFolder(folder)) platform::RemoveFile(folder + "/" + name);
  platform::RemoveDirectory(folder);
}

}  // namespace

std::string HistoryFolder(const WatchItem& item) {
  if (!IsHistoryFolderName(item.m_historyName)) return std::string();
  return CompFolder() + "/" + item.m_historyName;
}

std::string CurrentVersionPath(const WatchItem& item) {
  const std::string& path =
      item.m_download == DownloadMode::PrivateCopy ? item.m_hiddenPath : item.m_savePath;
  return !path.empty() && platform::FileExists(path) ? path : std::string();
}

std::string PreviousVersionPath(const WatchItem& item, int generation) {
  std::string folder = HistoryFolder(item);
  if (folder.empty() || generation < 1) return std::string();
  std::string path = GenerationPath(folder, generation);
  return platform::FileExists(path) ? path : std::string();
}

namespace {

// Moves the kept generations with `suffix` back one and puts `base` + `suffix` in front.
// A text item's reader text (".txt") moves with its page; a version without one leaves no
// stale text of another version in its place.
bool KeepGeneration(const std::string& folder, const std::string& base, int count,
                    const std::string& suffix) {
  // The new version is complete under a name of its own before any generation moves.
  std::string incoming = folder + "/new" + suffix;
  platform::RemoveFile(incoming);
  // A copy, not a second name: the user may change a download file in place.
  bool copied = platform::FileExists(base + suffix) && platform::CopyToNewFile(base + suffix, incoming);
  if (!copied && suffix.empty()) return false;
  for (int generation = count + 1; platform::FileExists(GenerationPath(folder, generation) + suffix);
       ++generation) {
    platform::RemoveFile(GenerationPath(folder, generation) + suffix);
  }
  // The oldest kept version is replaced by the rename of the one after it, never removed
  // before: only where that one is missing does it go by itself.
  if (count > 1 && !platform::FileExists(GenerationPath(folder, count - 1) + suffix)) {
    platform::RemoveFile(GenerationPath(folder, count) + suffix);
  }
  for (int generation = count - 1; generation >= 1; --generation) {
    platform::RenameFile(GenerationPath(folder, generation) + suffix,
                         GenerationPath(folder, generation + 1) + suffix);
  }
  if (copied) {
    platform::RenameFile(incoming, GenerationPath(folder, 1) + suffix);
  } else {
    platform::RemoveFile(GenerationPath(folder, 1) + suffix);
  }
  return true;
}

}  // namespace

std::string TextCopyPath(const std::string& pagePath) { return pagePath + kTextSuffix; }

void KeepPreviousVersion(WatchItem& item, const std::string& base, int count) {
  if (count <= 0) {
    RemoveHistory(item);
    item.m_historyName.clear();
    return;
  }
  if (base.empty() || !platform::FileExists(base)) return;
  if (HistoryFolder(item).empty() || !platform::FileExists(HistoryFolder(item))) {
    item.m_historyName = ClaimFolderName();
  }
  std::string folder = HistoryFolder(item);
  if (folder.empty()) return;
  if (KeepGeneration(folder, base, count, "")) KeepGeneration(folder, base, count, kTextSuffix);
}

void RemoveHistory(const WatchItem& item) {
  std::string folder = HistoryFolder(item);
  if (!folder.empty()) RemoveFolder(folder);
}

void RemoveUnusedHistory(const std::set<std::string>& inUse) {
  for (const std::string& name : platform::ListFolder(CompFolder())) {
    if (IsHistoryFolderName(name) && !inUse.count(name)) RemoveFolder(CompFolder() + "/" + name);
  }
}
