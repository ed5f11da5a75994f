#include "gui/app/watch_app.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <wx/init.h>
#include <wx/uilocale.h>
#include <wx/weakref.h>

#include "core/app/watch_app.h"
#include "core/common/version.h"
#include "gui/app/desktop_usage.h"
#include "gui/app/main_commands.h"
#include "gui/announce/announce_parts.h"
#include "gui/app/env_parts.h"
#include "gui/app/main_frame.h"
#include "gui/links/link_update_parts.h"
#include "gui/ui/sheet/define_sheet_parts.h"
#include "gui/ui/watch_list_window_parts.h"
#include "gui/wx_prompter.h"
#include "gui/wx_ui_queue.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"

namespace {

wxWeakRef<CMainDlg> g_mainWindow;

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

void ReportNoDisplay() {
  std::fputs("pagewarden: no display to open the window on (DISPLAY is not set); "
             "use pagewarden-cli to check pages without a window.\n",
             stderr);
}

// SIGTERM and SIGINT end the program as its exit command does (the settings are saved and
// "State" becomes "closed"). wx calls this from its event loop, not from the signal.
void OnEndSignal(int) {
  if (g_mainWindow) {
    g_mainWindow->Command(ID_EXIT_PROGRAM);
  } else if (wxTheApp) {
    wxTheApp->ExitMainLoop();
  }
}

int RunMainWindow(CWatchApp& app, CWxUiQueue& queue) {
  wxTheApp->SetSignalHandler(SIGTERM, OnEndSignal);
  wxTheApp->SetSignalHandler(SIGINT, OnEndSignal);
  MainWindowParts parts;
  AddDefineSheet(parts, app, queue);
  AddWatchListWindow(parts, app);
  AddLinkUpdateDialog(parts, app, queue);
  AddEnvironmentDialog(parts, app, queue);
  AddAnnouncement(parts, app, queue);
  auto* window = new CMainDlg(app, queue, std::move(parts));
  g_mainWindow = window;
  wxTheApp->SetTopWindow(window);
  window->Show();
  app.MainWindowReady();
  // Returns when the main window has ended.
  return wxTheApp->OnRun();
}

}  // namespace

bool CWatchGuiApp::OnInit() {
  // Without it wxGTK runs in the C locale.
  wxUILocale::UseDefault();
  return true;
}

DesktopArguments TakeDesktopArguments(std::vector<std::string>& args) {
  DesktopArguments result;
  for (std::size_t index = 1; index < args.size();) {
    const std::string& argument = args[index];
    if (argument == "--home") {
      if (index + 1 >= args.size() || args[index + 1].empty()) {
        result.error = "pagewarden: --home needs a folder";
        return result;
      }
      result.home = args[index + 1];
      args.erase(args.begin() + index, args.begin() + index + 2);
    } else if (argument.rfind("--home=", 0) == 0) {
      result.home = argument.substr(7);
      if (result.home.empty()) {
        result.error = "pagewarden: --home needs a folder";
        return result;
      }
      args.erase(args.begin() + index);
    } else if (argument == "--resident") {
      result.resident = true;
      args.erase(args.begin() + index);
    } else if (argument == "--help" || argument == "-h" || argument == "--version") {
      (argument == "--version" ? result.version : result.help) = true;
      args.erase(args.begin() + index);
    } else {
      ++index;
    }
  }
  return result;
}

int RunDesktop(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  DesktopArguments arguments = TakeDesktopArguments(args);
  if (!arguments.error.empty()) {
    std::fprintf(stderr, "%s\n", arguments.error.c_str());
    return 2;
  }
  // Neither needs a display, so both work over ssh and in scripts.
  if (arguments.help) {
    std::fputs(DesktopUsageText().c_str(), stdout);
    return 0;
  }
  if (arguments.version) {
    std::printf("%s\n", kProductTitle);
    return 0;
  }
  if (!HasDisplay()) {
    ReportNoDisplay();
    return 1;
  }
  platform::SetProgramFolder(platform::ResolveProgramFolder(arguments.home));

  std::vector<char*> rest;
  for (std::string& argument : args) rest.push_back(argument.data());
  rest.push_back(nullptr);
  int restCount = static_cast<int>(args.size());

  CWxUiQueue queue;  // outlives wx: tasks still queued at the end refer to it
  wxApp::SetInstance(new CWatchGuiApp());
  if (!wxEntryStart(restCount, rest.data())) {
    ReportNoDisplay();
    return 1;
  }
  int status = 1;
  if (wxTheApp->argc > 1) {
    std::string argument = platform::Utf8ToCp932(wxTheApp->argv[1].utf8_string());
    std::fputs(DesktopUnknownArgumentText(argument).c_str(), stderr);
    status = 2;
  } else if (wxTheApp->CallOnInit()) {
    CWxPrompter prompter(queue);
    prompter.SetOwner([] { return static_cast<wxWindow*>(g_mainWindow.get()); });
    CWatchApp app(CWatchApp::FrontEnd::Desktop, prompter, queue);
    app.m_startResidentOnce = arguments.resident;
    WatchAppHooks hooks;
    hooks.runMainWindow = [&queue](CWatchApp& running) { return RunMainWindow(running, queue); };
    hooks.showMainWindow = [] {
      if (g_mainWindow) g_mainWindow->ShowFromTray();
    };
    hooks.helperRequestMessage = [] {
      if (g_mainWindow) g_mainWindow->TakeHelperRequest(true);
    };
    status = app.InitInstance(hooks);
    queue.Close();
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return status;
}
