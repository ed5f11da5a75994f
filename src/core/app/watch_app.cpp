#include "core/app/watch_app.h"

#include <cstdlib>

#include "core/app/folder_permissions.h"
#include "core/app/settings_archive.h"
#include "core/common/unread_file_notice.h"
#include "core/common/version.h"
#include "core/companion/companion_names.h"
#include "core/common/path_utils.h"
#include "platform/broadcast.h"
#include "platform/file_system.h"

namespace {

constexpr const char* kUnexpectedErrorCaption =
    "予期せぬエラーです。\nアプリケーションでは対処できません。";
constexpr const char* kNotInstalled = "Pagewardenが正しくインストールされていません";
constexpr const char* kNoConverter = "漢字処理ルーチンが初期化できませんでした。";
constexpr const char* kFolderInUse =
    "このデータフォルダは他のPagewardenが使用中です。終了します。";
constexpr const char* kNoLock = "データフォルダのロックを作れません。終了します。";
constexpr const char* kDataFolderName = "comp";
// Requests kept until the list is loaded; more than this many at start-up are dropped (their
// askers get no answer and withdraw them).
constexpr std::size_t kMaxWaitingListRequests = 64;

}  // namespace

CWatchApp::CWatchApp(FrontEnd frontEnd, IPrompter& prompter, platform::IUiQueue& uiQueue)
    : m_frontEnd(frontEnd),
      m_prompter(prompter),
      m_uiQueue(uiQueue),
      m_converterFactory([] { return std::make_unique<platform::CCodePageConverter>(); }) {
  m_ownKey = OpenKey(kOwnKeyPath, false);
  m_helperKey = OpenKey(kHelperKeyPath, false);
  m_downloaderKey = OpenKey(kDownloaderKeyPath, true);
  m_locationKey = OpenKey(kLocationKeyPath, false);
  m_companions = std::make_unique<CCompanionLink>(m_ownKey.get(), m_helperKey.get(),
                                                  m_downloaderKey.get(), m_locationKey.get(),
                                                  m_prompter);
}

CWatchApp::~CWatchApp() { m_receiver.reset(); }

std::unique_ptr<platform::CRegistryKey> CWatchApp::OpenKey(const char* path, bool readOnly) {
  auto key = std::make_unique<platform::CRegistryKey>(path, readOnly);
  if (!key->CreateError().empty()) {
    m_prompter.ShowMessage(key->CreateError(), IPrompter::Buttons::Ok,
                           IPrompter::Icon::Information, kUnexpectedErrorCaption);
  }
  return key;
}

int CWatchApp::InitInstance(const WatchAppHooks& hooks) {
  switch (StartUp(hooks)) {
    case StartResult::OtherInstance:
      return 0;
    case StartResult::Failed:
      return 1;
    case StartResult::Run:
      break;
  }
  int status = m_hooks.runMainWindow ? m_hooks.runMainWindow(*this) : 0;
  ShutDown();
  return status;
}

CWatchApp::StartResult CWatchApp::StartUp(const WatchAppHooks& hooks) {
  m_hooks = hooks;
  bool desktop = m_frontEnd == FrontEnd::Desktop;
  switch (m_lock.Acquire(ProgramFolder())) {
    case platform::CSingleInstanceLock::Result::Acquired:
      break;
    case platform::CSingleInstanceLock::Result::HeldElsewhere:
      // The desktop program ends silently: the running one shows its window instead.
      if (desktop) {
        platform::Broadcast(kMessageShowPagewarden);
      } else {
        m_prompter.ShowMessage(kFolderInUse, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
      }
      return StartResult::OtherInstance;
    case platform::CSingleInstanceLock::Result::Failed:
      if (!desktop) {
        m_prompter.ShowMessage(kNoLock, IPrompter::Buttons::Ok, IPrompter::Icon::Error);
      }
      return StartResult::Failed;
  }
  // Both front ends listen: the command line's list requests reach whichever program
  // works on the folder.
  m_receiver = std::make_unique<platform::CBroadcastReceiver>(
      m_uiQueue, [this](const std::string& name) { OnMessage(name); },
      desktop ? "pagewarden" : "pagewarden-cli");
  if (!PrepareDataFolder()) {
    m_prompter.ShowMessage(kNotInstalled, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    m_receiver.reset();
    m_lock.Release();
    return StartResult::Failed;
  }
  if (desktop) WriteIdentity();
  CreateConverter();
  if (!ConfirmUnreadFile(m_prompter, desktop, "設定ファイル", SettingsArchivePath(),
                         LoadSettings())) {
    m_receiver.reset();
    m_lock.Release();
    return StartResult::Failed;
  }
  m_settingsGuard.AllowReplace();
  return StartResult::Run;
}

void CWatchApp::ShutDown() {
  m_converter.reset();
  if (m_frontEnd == FrontEnd::Desktop) WriteState("closed");
  m_receiver.reset();
  m_mainWindowReady = false;
  m_lock.Release();
}

bool CWatchApp::PrepareDataFolder() {
  // The program folder itself is made on the first start; both are for the user alone.
  std::string parent = UpToLast(ProgramFolder(), '/');
  if (parent.size() > 1) platform::MakeDirectories(parent.substr(0, parent.size() - 1));
  platform::MakePrivateDirectory(ProgramFolder());
  std::string folder = ProgramFolder() + "/" + kDataFolderName;
  std::string checked = folder;
  if (CheckFolder(checked) != 0) {
    platform::MakePrivateDirectory(folder);
    checked = folder;
    if (CheckFolder(checked) != 0) return false;
  }
  ReportWideFolders(m_prompter, m_ownKey.get(), {ProgramFolder(), folder});
  return true;
}

void CWatchApp::CreateConverter() {
  m_converter = m_converterFactory ? m_converterFactory() : nullptr;
  if (!m_converter) {
    m_prompter.ShowMessage(kNoConverter, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
  }
}

void CWatchApp::MainWindowReady() {
  m_mainWindowReady = true;
  if (m_showPending && m_hooks.showMainWindow) m_hooks.showMainWindow();
  if (m_helperRequestPending && m_hooks.helperRequestMessage) m_hooks.helperRequestMessage();
  m_showPending = m_helperRequestPending = false;
}

void CWatchApp::OnMessage(const std::string& name) {
  std::string listRequest = std::string(kMessageListRequest) + ":";
  if (name.rfind(listRequest, 0) == 0) {
    std::string fileName = name.substr(listRequest.size());
    if (m_listRequestHandler) {
      m_listRequestHandler(fileName);
    } else if (m_waitingListRequests.size() < kMaxWaitingListRequests) {
      m_waitingListRequests.push_back(fileName);
    }
    return;
  }
  if (m_frontEnd != FrontEnd::Desktop) return;
  if (name == kMessageShowPagewarden) {
    if (!m_mainWindowReady) {
      m_showPending = true;
    } else if (m_hooks.showMainWindow) {
      m_hooks.showMainWindow();
    }
  } else if (name == kMessageHelperRequest) {
    if (!m_mainWindowReady) {
      m_helperRequestPending = true;
    } else if (m_hooks.helperRequestMessage) {
      m_hooks.helperRequestMessage();
    }
  }
}

void CWatchApp::SetListRequestHandler(std::function<void(const std::string&)> handler) {
  m_listRequestHandler = std::move(handler);
  if (!m_listRequestHandler) return;
  std::vector<std::string> waiting;
  waiting.swap(m_waitingListRequests);
  for (const std::string& fileName : waiting) m_listRequestHandler(fileName);
}

void CWatchApp::WriteIdentity() {
  if (!m_ownKey) return;
  m_ownKey->Write("Position", ProgramFolder());
  m_ownKey->Write("Version", kProductVersion);
}

void CWatchApp::WriteState(const std::string& state) {
  if (m_ownKey) m_ownKey->Write("State", state);
}

int CWatchApp::VersionNumber() {
  std::string version = kProductVersion;
  std::size_t dot = version.find('.');
  if (dot == std::string::npos) return 0;
  version.erase(dot, 1);
  return std::atoi(version.c_str());
}

platform::LoadOutcome CWatchApp::LoadSettings() {
  platform::LoadOutcome outcome = LoadSettingsFile(SettingsArchivePath(), m_settings,
                                                   m_mainWindowLayout, m_watchListWindowLayout);
  m_settingsGuard.SetLoadOutcome(outcome);
  return outcome;
}

bool CWatchApp::SaveSettings() {
  if (!m_settingsGuard.PrepareSave(SettingsArchivePath())) return false;
  return SaveSettingsFile(SettingsArchivePath(), m_settings, m_mainWindowLayout,
                          m_watchListWindowLayout);
}
