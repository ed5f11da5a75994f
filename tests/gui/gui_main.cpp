// The window tests run for real under a virtual X server (xvfb-run), with wx started once.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/uilocale.h>

namespace {

class TestApp : public wxApp {
 public:
  bool OnInit() override {
    wxUILocale::UseDefault();
    return true;
  }
};

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
