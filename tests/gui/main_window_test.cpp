// The desktop program's windows, run for real under a virtual X server.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/uilocale.h>

#include "core/app/version.h"
#include "gui/app/main_frame.h"
#include "gui/wx_text.h"

namespace {

class TestApp : public wxApp {
 public:
  bool OnInit() override {
    wxUILocale::UseDefault();
    return true;
  }
};

TEST(MainWindow, ShowsTheTitleAndEndsTheProgramWhenClosed) {
  auto* mainWindow = new CMainDlg();
  EXPECT_EQ(FromWx(mainWindow->GetTitle()), kProductTitle);
  wxTheApp->SetTopWindow(mainWindow);
  wxTheApp->SetExitOnFrameDelete(true);
  mainWindow->Show();
  bool wasShown = false;
  mainWindow->CallAfter([&] {
    wasShown = mainWindow->IsShownOnScreen();
    mainWindow->Close();
  });
  // The main loop returns only once the closed main window is gone.
  wxTheApp->MainLoop();
  EXPECT_TRUE(wasShown);
  EXPECT_EQ(wxTheApp->GetTopWindow(), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  wxApp::SetInstance(new TestApp());
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    fputs("gui_tests: cannot start wx (no display?)\n", stderr);
    return 1;
  }
  int status = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return status;
}
