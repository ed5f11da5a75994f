#include "platform/runtime_folder.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool IsPrivateFolder(const std::string& folder) {
  struct stat info;
  if (lstat(folder.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

}  // namespace

std::string RuntimeFolder() {
  std::string base = Environment("XDG_RUNTIME_DIR");
  std::string folder = base.empty() ? "/tmp/velmar-" + std::to_string(getuid())
                                    : base + "/velmar";
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return IsPrivateFolder(folder) ? folder : std::string();
}

std::string ValueStoreRoot() {
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty()) config = Environment("HOME") + "/.config";
  return config + "/Velmar";
}

}  // namespace platform
