#include "core/app/folder_permissions.h"

#include <cstdio>

#include "platform/file_system.h"
#include "platform/registry_key.h"

namespace {

// What was last said, so that each start does not say it again.
constexpr const char* kNoticeValue = "FolderNotice";
constexpr const char* kAdvice =
    "保存したページやパスワードを守るには、アクセス権を 700 にしてください (chmod 700 フォルダ)。";

}  // namespace

std::string WideFolderNotice(const std::vector<std::string>& folders) {
  std::string lines;
  for (const std::string& folder : folders) {
    int mode = platform::PermissionsOf(folder);
    if (mode < 0 || (mode & 077) == 0) continue;
    char octal[8];
    std::snprintf(octal, sizeof octal, "%03o", mode & 0777);
    lines += folder + " は他のユーザーも使えるアクセス権 (" + octal + ") になっています。\n";
  }
  return lines;
}

void ReportWideFolders(IPrompter& prompter, platform::CRegistryKey* key,
                       const std::vector<std::string>& folders) {
  std::string notice = WideFolderNotice(folders);
  if (key && key->Read(kNoticeValue) == notice) return;
  if (key) key->Write(kNoticeValue, notice);
  if (notice.empty()) return;
  prompter.ShowMessage(notice + kAdvice, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
}
