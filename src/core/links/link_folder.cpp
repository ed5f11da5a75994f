#include "core/links/link_folder.h"

#include <cstdio>
#include <cstdlib>

#include "core/common/path_utils.h"
#include "platform/file_system.h"

std::string TrimFolderText(const std::string& text) {
  std::string folder = text;
  while (!folder.empty() && (folder.back() == ' ' || folder.back() == '\t')) folder.pop_back();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string StartingLinkFolder(const std::string& stored) {
  std::string folder = TrimFolderText(stored);
  if (!folder.empty() && folder != "c:") return folder;
  const char* home = std::getenv("HOME");
  return home && *home ? TrimFolderText(home) : "/";
}

int CommitFolderText(std::string& text, const std::string& current, bool& changed) {
  text = TrimFolderText(text);
  changed = text != current;
  return changed ? CheckFolder(text) : 0;
}

int CheckLinkFileName(const std::string& folder, const std::string& name) {
  // A name is a file in the folder, never a path into another one.
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return -1;
  std::string path = folder + "/" + name;
  // Asked of the file system rather than by opening it: a file this user cannot read
  // exists all the same, and must not be truncated by the test below.
  if (platform::FileExists(path)) return 1;
  FILE* created = platform::OpenFile(path, "wb");
  if (!created) return -1;
  std::fclose(created);
  platform::RemoveFile(path);
  return 0;
}
