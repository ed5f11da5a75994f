#include "core/common/leftover_files.h"

#include <cctype>

#include "platform/browser/browser_process.h"
#include "platform/file_system.h"

namespace {

bool IsDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// `stem`, optionally "_" and a number (UniqueFileName's), then `.extension`; any
// extension when `extension` is empty.
bool IsNumberedName(const std::string& name, const std::string& stem, const std::string& extension) {
  if (name.compare(0, stem.size(), stem) != 0) return false;
  std::size_t dot = name.find('.', stem.size());
  if (dot == std::string::npos || dot + 1 == name.size()) return false;
  std::string number = name.substr(stem.size(), dot - stem.size());
  if (!number.empty() && !(number[0] == '_' && IsDigits(number.substr(1)))) return false;
  return extension.empty() || name.compare(dot + 1, std::string::npos, extension) == 0;
}

// An atomic save's temporary file: the target's name, "." and mkstemp's six characters.
bool IsAtomicSaveTemporary(const std::string& name, const std::string& target) {
  if (name.size() != target.size() + 7 || name.compare(0, target.size(), target) != 0 ||
      name[target.size()] != '.') {
    return false;
  }
  for (std::size_t i = target.size() + 1; i < name.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

int RemoveMatching(const std::string& folder, bool (*matches)(const std::string&),
                   const std::set<std::string>& inUse) {
  int removed = 0;
  for (const std::string& name : platform::ListFolder(folder)) {
    std::string path = folder + "/" + name;
    if (!matches(name) || inUse.count(path)) continue;
    platform::FileStatus status;
    if (platform::StatFile(path, status) && !status.isDirectory && platform::RemoveFile(path)) {
      ++removed;
    }
  }
  return removed;
}

}  // namespace

bool IsLeftoverInProgramFolder(const std::string& name) {
  return IsAtomicSaveTemporary(name, "WatchList.pgl") ||
         IsAtomicSaveTemporary(name, "PAGEWARD.INI") ||
         IsNumberedName(name, "tempMailBody", "txt") || IsNumberedName(name, "tempOutB64", "txt");
}

bool IsLeftoverInComp(const std::string& name) {
  // The fetch may have given the temporary page the extension of its content type.
  return IsNumberedName(name, "temp", "");
}

int RemoveLeftoverFiles(const std::string& programFolder, const std::set<std::string>& inUse) {
  return RemoveMatching(programFolder, IsLeftoverInProgramFolder, inUse) +
         RemoveMatching(programFolder + "/comp", IsLeftoverInComp, inUse) +
         platform::RemoveLeftoverProfiles(platform::NativePath(programFolder + "/comp"));
}
