// The desktop program's application object on wx.
#pragma once

#include <wx/app.h>

class CWatchGuiApp : public wxApp {
 public:
  bool OnInit() override;
};

// Runs the desktop program; the exit status of the process.
int RunDesktop(int argc, char** argv);
