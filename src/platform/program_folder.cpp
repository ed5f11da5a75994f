#include "platform/program_folder.h"

#include <cstdlib>
#include <mutex>
#include <unistd.h>

#include "platform/text_codec.h"

namespace platform {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string WithoutTrailingSeparators(std::string folder) {
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string Absolute(const std::string& utf8Folder) {
  if (!utf8Folder.empty() && utf8Folder[0] == '/') return utf8Folder;
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return utf8Folder;
  return std::string(cwd) + "/" + utf8Folder;
}

std::mutex g_folderMutex;
std::string g_programFolder;

}  // namespace

std::string ResolveProgramFolder(const std::string& homeArgument) {
  std::string utf8Folder;
  if (!homeArgument.empty()) {
    utf8Folder = Cp932ToUtf8(homeArgument);
  } else if (!Environment("PAGEWARDEN_HOME").empty()) {
    utf8Folder = Environment("PAGEWARDEN_HOME");
  } else if (!Environment("XDG_DATA_HOME").empty()) {
    utf8Folder = Environment("XDG_DATA_HOME") + "/pagewarden";
  } else {
    utf8Folder = Environment("HOME") + "/.local/share/pagewarden";
  }
  // The root folder becomes "", so that folder + "/name" still names a file in it.
  return WithoutTrailingSeparators(Utf8ToCp932(Absolute(utf8Folder)));
}

void SetProgramFolder(const std::string& folder) {
  std::lock_guard lock(g_folderMutex);
  g_programFolder = WithoutTrailingSeparators(folder);
}

std::string ProgramFolderPath() {
  std::lock_guard lock(g_folderMutex);
  return g_programFolder;
}

std::string ExecutableFolder() {
  char executable[4096];
  ssize_t length = readlink("/proc/self/exe", executable, sizeof executable - 1);
  if (length <= 0) return {};
  std::string folder(executable, static_cast<std::size_t>(length));
  folder.erase(folder.rfind('/'));
  return Utf8ToCp932(folder);
}

std::string ShippedFile(const std::string& name) {
  std::string folder = Cp932ToUtf8(ExecutableFolder());
  if (folder.empty()) return {};
  std::string nativeName = Cp932ToUtf8(name);
  // The relative data folder keeps an installation that was moved to another prefix working.
  for (const std::string& candidate :
       {folder + "/" + nativeName, folder + "/../share/pagewarden/" + nativeName,
        std::string(PAGEWARDEN_DATA_FOLDER) + "/" + nativeName}) {
    if (access(candidate.c_str(), R_OK) == 0) return Utf8ToCp932(candidate);
  }
  return {};
}

bool IsInProgramFolder(const std::string& path) {
  std::string folder = ProgramFolderPath();
  return !folder.empty() && path.size() > folder.size() + 1 &&
         path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

}  // namespace platform
