#include "cli/cli_session.h"

#include <cstdlib>

#include "cli/console.h"
#include "core/watch/watch_list.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/sound_player.h"

namespace {

// A graphical session is there to show pages in.
bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

CCliSession::CCliSession() = default;

CCliSession::~CCliSession() {
  m_checks.reset();
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

CCheckSession& CCliSession::StartChecks(IResultView& view, Actions actions, int jobs) {
  CheckSessionHost host;
  host.queue = &m_queue;
  host.prompter = &m_prompter;
  host.view = &view;
  // No window to raise; the notification mail runs without a progress window.
  host.pageDisplay = HasDisplay() ? CheckSessionHost::PageDisplay::DesktopOpener
                                  : CheckSessionHost::PageDisplay::None;
  host.runActions = actions != Actions::None;
  host.resident = actions == Actions::Resident;
  host.jobs = jobs;
  m_checks = std::make_unique<CCheckSession>(*m_app, std::move(host));
  m_checks->Load();
  return *m_checks;
}

void CCliSession::Serve(const std::function<bool()>& done) {
  m_queue.RunUntil(done, platform::CLoopQueue::kForever);
}

int CCliSession::CloseWatchList() {
  CWatchList& list = m_checks->List();
  m_checks->Close();
  Serve([&list] { return !list.HasOutstandingCheck(); });
  m_checks->FlushNotifications();
  platform::SoundPlayer().Release();
  // The list's last dispatch has usually saved it already: each save costs two flushes to
  // the disk, more than many a check.
  if (list.IsDirty() && !list.Save()) {
    PrintLine("pagewarden-cli: ウォッチリストを保存できません: " + CWatchList::FilePath(), stderr);
    return 1;
  }
  return 0;
}
