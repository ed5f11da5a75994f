#include "cli/cli_session.h"

#include "cli/console.h"
#include "core/app/settings_archive.h"
#include "core/fetch/path_utils.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"

namespace {

int Fail(const std::string& message) {
  PrintLine("pagewarden-cli: " + message, stderr);
  return 1;
}

}  // namespace

int CCliSession::Open(const std::string& homeArgument, Access access) {
  m_folder = platform::ResolveProgramFolder(homeArgument);
  if (!platform::MakeDirectories(m_folder)) {
    return Fail("データフォルダ " + m_folder + " を作れません");
  }
  platform::SetProgramFolder(m_folder);

  std::string comp = ProgramFolder() + "/comp";
  std::string checked = comp;
  if (CheckFolder(checked) != 0) {
    platform::MakeDirectory(comp);
    checked = comp;
    if (CheckFolder(checked) != 0) return Fail("Pagewardenが正しくインストールされていません");
  }

  if (access == Access::Work) {
    switch (m_lock.Acquire(m_folder)) {
      case platform::CInstanceLock::Result::Acquired:
        break;
      case platform::CInstanceLock::Result::HeldElsewhere:
        return Fail("別の Pagewarden がデータフォルダ " + m_folder + " で動いています");
      case platform::CInstanceLock::Result::Failed:
        return Fail("データフォルダ " + m_folder + " をロックできません");
    }
  }

  MainWindowLayout mainWindow;
  WatchListWindowLayout watchListWindow;
  LoadSettingsFile(SettingsArchivePath(), m_settings, mainWindow, watchListWindow);
  return 0;
}

CheckEnvironment CCliSession::Environment() {
  CheckEnvironment environment;
  environment.m_prompter = &m_prompter;
  environment.m_settings = &m_settings;
  environment.m_converter = &m_converter;
  return environment;
}
