// The announcement in the desktop program: the question comes up over the main window, "はい"
// hands the page to the display hand-off, and a program that ends with the question open
// closes it without storing an answer.
#include <gtest/gtest.h>

#include <wx/weakref.h>

#include "gui/announce/announce_dlg.h"
#include "gui/announce/announce_parts.h"
#include "gui/app/main_frame.h"
#include "gui_test_support.h"
#include "platform/registry_key.h"
#include "platform/shell.h"
#include "support/loopback_http_server.h"

namespace {

wxWeakRef<CMainDlg> g_window;
int g_questions = 0;

void AnswerYes(CAnnounceDlg& dialog) {
  ++g_questions;
  dialog.EndModal(wxID_OK);
}

void EndTheProgram(CAnnounceDlg&) {
  ++g_questions;
  g_window->ExitProgram();
}

}  // namespace

// A desktop world whose announcement file is `file` on a loopback server; the main window
// starts the check at once and answers the question with `answer`.
class AnnounceTest : public ::testing::Test {
 protected:
  AnnounceTest() {
    server.Handle("/announce.txt", [this](const HttpRequestRecord&) {
      return ScriptedResponse::Ok(file, "text/plain");
    });
    key.Write("Location", server.Url("/announce.txt"));
    platform::SetDesktopOpener({"sh", "-c", "echo \"$0\" >> " + Opened()});
  }
  ~AnnounceTest() override {
    CAnnounceDlg::SetShownHook(nullptr);
    if (g_window) g_window->ExitProgram();
    RunEventsUntil([] { return !g_window; });
    platform::SetDesktopOpener({});
  }
  bool Open(void (*answer)(CAnnounceDlg&)) {
    MainWindowParts parts;
    AddAnnouncement(parts, *world.app, world.queue, 10);
    g_questions = 0;
    CAnnounceDlg::SetShownHook(answer);
    g_window = new CMainDlg(*world.app, world.queue, std::move(parts));
    g_window->Show();
    return RunEventsUntil([] { return g_questions == 1; });
  }
  std::string Opened() const { return world.environment.Program().File("opened.txt"); }

  GuiWorld world;
  LoopbackHttpServer server;
  std::string file = "Url_: http://127.0.0.1/news\r\nID__: 2\r\n";
  platform::CRegistryKey key{"Software\\Velmar\\AutoAnn\\Pagewarden", false};
};

TEST_F(AnnounceTest, YesStoresTheAnswerAndShowsThePageThroughTheHandOff) {
  ASSERT_TRUE(Open(AnswerYes));
  EXPECT_TRUE(RunEventsUntil(
      [&] { return world.environment.Program().ReadBytes("opened.txt") == "http://127.0.0.1/news\n"; },
      10000));
  EXPECT_EQ(key.Read("AnnID"), "2");
}

TEST_F(AnnounceTest, AProgramEndingWithTheQuestionOpenClosesItAndStoresNothing) {
  ASSERT_TRUE(Open(EndTheProgram));
  EXPECT_TRUE(RunEventsUntil([] { return !g_window; }));
  EXPECT_EQ(key.Read("AnnID"), "");
  EXPECT_EQ(world.environment.Program().ReadBytes("opened.txt"), "");
}
