// The desktop program's start: the wx application object, the UI queue and the prompter
// on wx, and the application object's run with the main window.
#pragma once

#include <string>
#include <vector>
#include <wx/app.h>

class CWatchGuiApp : public wxApp {
 public:
  bool OnInit() override;
};

// What the command line asks for.
struct DesktopArguments {
  std::string home;   // --home DIR (CP932); empty when not given
  bool resident = false;  // --resident: start in the tray
  bool help = false;      // --help or -h: print the usage, start nothing
  bool version = false;   // --version: print the version, start nothing
  std::string error;  // a message when the arguments cannot be used
};
// Takes --home DIR or --home=DIR, --resident, --help, -h and --version out of `args`; the
// rest stays for the toolkit.
DesktopArguments TakeDesktopArguments(std::vector<std::string>& args);

// Runs the desktop program; the exit status of the process.
int RunDesktop(int argc, char** argv);
