#include "core/links/folder_browser_logic.h"

#include "core/common/prompter.h"
#include "core/links/link_folder.h"
#include "platform/file_system.h"

namespace {

constexpr const char* kCreateFailed = "フォルダ作成に失敗しました";

bool IsFolder(const std::string& path) {
  platform::FileStatus status;
  return platform::StatFile(path, status) && status.isDirectory;
}

// "現在位置：%s に\nサブフォルダ%sを作りますか？"
std::string CreateQuestion(const std::string& folder, const std::string& name) {
  return "現在位置：" + folder + " に\nサブフォルダ" + name + "を作りますか？";
}

}  // namespace

void CFolderBrowserLogic::SelectionChanged(const std::string& folder) {
  m_currentFolder = TrimFolderText(folder);
}

std::string CFolderBrowserLogic::Accept(const std::string& typed) {
  if (typed.empty()) return m_currentFolder;
  if (typed[0] == '/' && IsFolder(typed)) return TrimFolderText(typed);
  if (!m_currentFolder.empty() && typed[0] != '/' && IsFolder(m_currentFolder + "/" + typed)) {
    return TrimFolderText(m_currentFolder + "/" + typed);
  }
  CreateSubfolder(typed);
  return "";
}

bool CFolderBrowserLogic::CreateSubfolder(const std::string& typed) {
  if (m_currentFolder.empty()) return false;
  std::size_t slash = typed.find('/');
  if (slash == std::string::npos) return false;
  std::string name = typed.substr(slash + 1);
  if (m_prompter.ShowMessage(CreateQuestion(m_currentFolder, name), IPrompter::Buttons::YesNo,
                             IPrompter::Icon::Question) != IPrompter::Answer::Yes) {
    return false;
  }
  std::string path = TrimFolderText(m_currentFolder + "/" + name);
  // An existing folder of that name counts as a failure: nothing was created.
  if (name.empty() || IsFolder(path) || !platform::MakeDirectory(path)) {
    m_prompter.ShowMessage(kCreateFailed, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return false;
  }
  m_initialFolder = path;
  m_restart = true;
  return true;
}
