#include "cli/cli_session.h"

#include "cli/console.h"
#include "core/watch/watch_list.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"

CCliSession::CCliSession() = default;

CCliSession::~CCliSession() {
  if (m_app) m_app->ShutDown();
}

int CCliSession::Open(const std::string& homeArgument, Access access) {
  std::string folder = platform::ResolveProgramFolder(homeArgument);
  platform::SetProgramFolder(folder);
  if (access == Access::Read) {
    platform::FileStatus status;
    if (platform::StatFile(folder, status) && !status.isDirectory) {
      PrintLine("pagewarden-cli: " + folder + " はフォルダではありません", stderr);
      return 1;
    }
    return 0;
  }
  m_app = std::make_unique<CWatchApp>(CWatchApp::FrontEnd::Cli, m_prompter, m_queue);
  // The application object has told the user why it cannot start.
  if (m_app->StartUp(WatchAppHooks()) != CWatchApp::StartResult::Run) {
    m_app.reset();
    return 1;
  }
  return 0;
}

CheckEnvironment CCliSession::Environment() {
  CheckEnvironment environment;
  environment.m_prompter = &m_prompter;
  environment.m_settings = m_app ? &m_app->m_settings : &m_readSettings;
  environment.m_converter = m_app ? m_app->Converter() : nullptr;
  return environment;
}

void CCliSession::Serve(const std::function<bool()>& done) {
  while (!done()) m_queue.RunUntil(done, 200);
}

int CCliSession::CloseWatchList(CWatchList& list) {
  list.Close();
  Serve([&list] { return !list.HasOutstandingCheck(); });
  if (!list.Save()) {
    PrintLine("pagewarden-cli: ウォッチリストを保存できません: " + CWatchList::FilePath(), stderr);
    return 1;
  }
  return 0;
}
