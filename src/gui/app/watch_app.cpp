#include "gui/app/watch_app.h"

#include <cstdio>
#include <cstdlib>
#include <wx/init.h>
#include <wx/uilocale.h>

#include "gui/app/main_frame.h"

namespace {

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

}  // namespace

bool CWatchGuiApp::OnInit() {
  // Without it wxGTK runs in the C locale.
  wxUILocale::UseDefault();
  auto* mainWindow = new CMainDlg();
  SetTopWindow(mainWindow);
  mainWindow->Show();
  return true;
}

int RunDesktop(int argc, char** argv) {
  if (!HasDisplay()) {
    ReportNoDisplay();
    return 1;
  }
  wxApp::SetInstance(new CWatchGuiApp());
  if (!wxEntryStart(argc, argv)) {
    ReportNoDisplay();
    return 1;
  }
  int status = 1;
  if (wxTheApp->CallOnInit()) status = wxTheApp->OnRun();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return status;
}
