// The application object: the process-wide root that both front ends start and end
// through. It keeps the program to one instance per data folder, owns the four value store
// keys through which the program talks to its companions, the code page converter, the
// application settings and the stored window layouts, and runs the front end's main
// window (the GUI's window, the CLI's command) for the whole run.
//
// Threads: everything here runs on the UI thread, except that worker threads read the
// settings (see app_settings.h) and use the converter and the companion link.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/common/app_settings.h"
#include "core/common/prompter.h"
#include "core/app/window_layout.h"
#include "core/companion/companion_link.h"
#include "platform/code_page_converter.h"
#include "platform/registry_key.h"
#include "platform/replace_guard.h"
#include "platform/single_instance.h"
#include "platform/ui_queue.h"

namespace platform {
class CBroadcastReceiver;
}

// What the front end fills in. Each is called on the UI thread.
struct WatchAppHooks {
  // Runs the main window (or the CLI's command) until the program is to end; its result
  // is the process's exit status. Start-up has finished when it is called: the settings
  // are loaded, the converter exists (or its message was shown).
  std::function<int(class CWatchApp&)> runMainWindow;
  // Another desktop program was started on this data folder and ended: show the main
  // window (ShowFromTray, which writes "opened"). Called only after MainWindowReady.
  std::function<void()> showMainWindow;
  // The helper left a request ("grabHelper->Pageward"): the main window takes it with
  // CCompanionLink::TakeHelperRequest(Message). Called only after MainWindowReady.
  std::function<void()> helperRequestMessage;
};

class CWatchApp {
 public:
  enum class FrontEnd { Desktop, Cli };

  // Opens the four keys in this order: own, helper, downloader (read-only, never
  // created), location. A key that cannot be created is reported through `prompter` and
  // stays closed. `uiQueue` delivers the companions' messages on the UI thread.
  CWatchApp(FrontEnd frontEnd, IPrompter& prompter, platform::IUiQueue& uiQueue);
  ~CWatchApp();
  CWatchApp(const CWatchApp&) = delete;
  CWatchApp& operator=(const CWatchApp&) = delete;

  // The whole run: StartUp, the main window, ShutDown. The exit status.
  int InitInstance(const WatchAppHooks& hooks);

  enum class StartResult {
    Run,             // go on and run the main window
    OtherInstance,   // another program works on this data folder; end (status 0)
    Failed           // the lock, or the data folder, could not be had; end (status 1)
  };
  // Takes the data folder's lock (a second desktop program broadcasts
  // "Pageward->Pageward"; a second CLI says so), makes sure "comp" exists, writes the
  // identity (desktop), creates the converter and loads the settings archive. An archive
  // that exists but cannot be read whole is reported; the desktop user may go on with
  // what was read, the command line ends (Failed).
  StartResult StartUp(const WatchAppHooks& hooks);
  // After the main window has ended: releases the converter, writes "State" = "closed"
  // (desktop), stops receiving messages and releases the lock.
  void ShutDown();

  // The main window exists: messages that came before are delivered now, later ones at once.
  void MainWindowReady();
  // Who takes the command line's list requests (the name of the request file in the data
  // folder). Requests that came while there was nobody (the list not loaded yet) are handed
  // to the new handler at once; an asker that gave up meanwhile has withdrawn its file.
  void SetListRequestHandler(std::function<void(const std::string& fileName)> handler);

  // Writes "Position" (the program folder) and "Version" into the own key.
  void WriteIdentity();
  // Writes "State" ("opened", "hide" or "closed") into the own key.
  void WriteState(const std::string& state);
  // "1.35" without its first '.' as a number: 135.
  static int VersionNumber();

  // The settings archive: loads into / saves from the members below. Save returns false
  // when the file could not be written (the old one is then intact), and while the archive
  // could not be read whole and the user did not choose to go on (StartUp asks).
  platform::LoadOutcome LoadSettings();
  bool SaveSettings();

  // The converter, or null when it could not be created.
  const platform::CCodePageConverter* Converter() const { return m_converter.get(); }
  // Replaces how the converter is made (tests: a factory that fails).
  using ConverterFactory = std::function<std::unique_ptr<platform::CCodePageConverter>()>;
  void SetConverterFactory(ConverterFactory factory) { m_converterFactory = std::move(factory); }

  CCompanionLink& Companions() { return *m_companions; }
  IPrompter& Prompter() { return m_prompter; }

  platform::CRegistryKey* OwnKey() { return m_ownKey.get(); }
  platform::CRegistryKey* HelperKey() { return m_helperKey.get(); }
  platform::CRegistryKey* DownloaderKey() { return m_downloaderKey.get(); }
  platform::CRegistryKey* LocationKey() { return m_locationKey.get(); }

  AppSettings m_settings;
  // The command line asked to start in the tray (the login's autostart entry does).
  bool m_startResidentOnce = false;
  MainWindowLayout m_mainWindowLayout;
  WatchListWindowLayout m_watchListWindowLayout;

 private:
  std::unique_ptr<platform::CRegistryKey> OpenKey(const char* path, bool readOnly);
  bool PrepareDataFolder();
  void CreateConverter();
  void OnMessage(const std::string& name);

  const FrontEnd m_frontEnd;
  IPrompter& m_prompter;
  platform::IUiQueue& m_uiQueue;
  std::unique_ptr<platform::CRegistryKey> m_ownKey;
  std::unique_ptr<platform::CRegistryKey> m_helperKey;
  std::unique_ptr<platform::CRegistryKey> m_downloaderKey;
  std::unique_ptr<platform::CRegistryKey> m_locationKey;
  std::unique_ptr<CCompanionLink> m_companions;
  std::unique_ptr<platform::CCodePageConverter> m_converter;
  ConverterFactory m_converterFactory;
  platform::CReplaceGuard m_settingsGuard;
  platform::CSingleInstanceLock m_lock;
  std::unique_ptr<platform::CBroadcastReceiver> m_receiver;
  WatchAppHooks m_hooks;
  std::function<void(const std::string&)> m_listRequestHandler;
  std::vector<std::string> m_waitingListRequests;
  bool m_mainWindowReady = false;
  bool m_showPending = false;
  bool m_helperRequestPending = false;
};
