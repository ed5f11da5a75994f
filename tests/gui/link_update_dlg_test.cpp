// The link update dialog for real under the virtual X server: the rows of a link folder,
// "全て更新" on the worker against the loopback server, and a subfolder made with the
// folder chooser. Also the scene of the README's picture (scripts/screenshot_links.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <wx/button.h>
#include <wx/dirctrl.h>
#include <wx/frame.h>
#include <wx/listctrl.h>

#include "core/common/app_settings.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_frame.h"
#include "gui/links/link_update_parts.h"
#include "gui/links/folder_browser.h"
#include "gui/links/folder_edit.h"
#include "gui/links/link_update_dlg.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/file_system.h"
#include "support/link_folder_fixture.h"

namespace {

class LinkUpdateDlgTest : public ::testing::Test, public LinkFolderFixture {
 protected:
  LinkUpdateDlgTest() { owner = new wxFrame(nullptr, wxID_ANY, wxASCII_STR("owner")); }
  ~LinkUpdateDlgTest() override {
    owner->Destroy();
    RunEventsFor(20);
  }
  static std::string Text(wxListCtrl* list, int row, int column) {
    return FromWx(list->GetItemText(row, column));
  }
  static int Image(wxListCtrl* list, int row) {
    wxListItem item;
    item.SetId(row);
    item.SetMask(wxLIST_MASK_IMAGE);
    list->GetItem(item);
    return item.GetImage() + kImageFilePresent;
  }

  CWxUiQueue queue;
  wxFrame* owner;
};

}  // namespace

TEST_F(LinkUpdateDlgTest, UpdatesEveryLinkOnTheWorkerAndShowsEachState) {
  WriteLinks({{"same.txt", "変わらない"}, {"new.txt", "新しい"}, {"gone.txt", "消えた"}});
  WriteFiles({"same.txt"});
  server.Handle("/same.txt", [](const HttpRequestRecord&) {
    return ScriptedResponse::Ok("old same.txt", "text/plain");
  });
  server.Handle("/new.txt", [](const HttpRequestRecord&) {
    ScriptedResponse answer = ScriptedResponse::Ok("new", "text/plain");
    answer.delayMs = 100;
    return answer;
  });
  auto* dialog = new CLinkUpdateDlg(owner, environment, queue);
  ASSERT_TRUE(dialog->Init(folder.Path()));
  dialog->Show();
  wxListCtrl* list = dialog->List();
  ASSERT_EQ(list->GetItemCount(), 3);
  EXPECT_EQ(Text(list, 1, 1), "新しい");
  EXPECT_EQ(Image(list, 0), kImageFilePresent);
  EXPECT_EQ(Image(list, 1), kImageFileMissing);
  EXPECT_EQ(FromWx(dialog->FolderEdit()->GetValue()), folder.Path());

  dialog->RunCommand(CLinkUpdateDlg::ID_LU_UPDATE_ALL);
  EXPECT_EQ(FromWx(dialog->UpdateButton()->GetLabel()), "更新中止");
  dialog->CloseDialog();  // refused while busy
  EXPECT_TRUE(dialog->IsShown());
  ASSERT_TRUE(RunEventsUntil(
      [&] { return FromWx(dialog->UpdateButton()->GetLabel()) == "リンク更新"; }, 20000));
  EXPECT_EQ(Image(list, 0), kImageNotUpdated);
  EXPECT_EQ(Image(list, 1), kImageUpdated);
  EXPECT_EQ(Image(list, 2), kImageError);
  EXPECT_EQ(folder.ReadBytes("new.txt"), "new");

  dialog->Model().SortBy(1);
  wxListItem caption;
  caption.SetMask(wxLIST_MASK_TEXT);
  list->GetColumn(1, caption);
  EXPECT_EQ(FromWx(caption.GetText()), "名前▽");
  EXPECT_EQ(Text(list, 0, 0), "same.txt");
  EXPECT_EQ(Image(list, 0), kImageNotUpdated);

  dialog->CloseDialog();
  EXPECT_FALSE(dialog->IsShown());
  EXPECT_FALSE(platform::FileExists(folder.File("dialog.lock")));
  EXPECT_NE(folder.ReadBytes("lkr.hlk").find("Dest: new.txt"), std::string::npos);
  dialog->Destroy();
}

TEST_F(LinkUpdateDlgTest, SaveFolderMakesASubfolderAndMovesThere) {
  WriteLinks({{"a.txt", "a"}});
  auto* dialog = new CLinkUpdateDlg(owner, environment, queue);
  ASSERT_TRUE(dialog->Init(folder.Path()));
  dialog->Show();
  static int shown = 0;
  static std::string selected;
  shown = 0;
  // First the name to make, then OK on the folder the chooser opened again with.
  CFolderBrowser::SetShownHook([](wxDialog& window) {
    auto& browse = static_cast<CFolderBrowseDialog&>(window);
    if (++shown == 1) {
      browse.Edit()->ChangeValue(wxASCII_STR("/made"));
    } else {
      selected = FromWx(browse.Tree()->GetPath());
    }
    browse.Confirm();
  });
  dialog->RunCommand(CLinkUpdateDlg::ID_LU_BROWSE);
  CFolderBrowser::SetShownHook(nullptr);
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(selected, folder.File("made"));
  EXPECT_EQ(FromWx(dialog->FolderEdit()->GetValue()), folder.File("made"));
  EXPECT_EQ(dialog->Folder(), folder.File("made"));
  EXPECT_EQ(dialog->List()->GetItemCount(), 0);
  EXPECT_TRUE(platform::FileExists(folder.File("made/dialog.lock")));
  dialog->Destroy();
  RunEventsFor(20);
  EXPECT_FALSE(platform::FileExists(folder.File("made/dialog.lock")));
}

// The open dialog among the top windows, or null.
CLinkUpdateDlg* OpenDialog() {
  for (wxWindow* window : wxTopLevelWindows) {
    if (auto* dialog = dynamic_cast<CLinkUpdateDlg*>(window); dialog && dialog->IsModal()) {
      return dialog;
    }
  }
  return nullptr;
}

// Works in the modal dialog once it is up: moves to `other`, then closes it.
void MoveAndClose(wxWindow* main, std::string other, bool* done) {
  main->CallAfter([main, other, done] {
    CLinkUpdateDlg* dialog = OpenDialog();
    if (!dialog) return MoveAndClose(main, other, done);
    dialog->FolderEdit()->ChangeValue(ToWx(other));
    dialog->CommitFolderEdit();
    dialog->CloseDialog();
    *done = true;
  });
}

TEST_F(LinkUpdateDlgTest, FolderUpdateOfTheMainWindowKeepsTheFolderItEndsWith) {
  GuiWorld world;
  TempFolder other;
  world.app->m_mainWindowLayout.m_linkFolder = folder.Path();
  MainWindowParts parts;
  AddLinkUpdateDialog(parts, *world.app, world.queue);
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue, std::move(parts));
  window->Show();
  ASSERT_TRUE(RunEventsUntil([&] { return window->DeferredInitDone(); }));
  EXPECT_TRUE(window->Button(0)->IsEnabled());

  bool done = false;
  window->Command(ID_FOLDER_UPDATE);
  MoveAndClose(window.get(), other.Path(), &done);
  ASSERT_TRUE(RunEventsUntil([&] { return done && !OpenDialog(); }));
  RunEventsFor(50);
  EXPECT_EQ(world.app->m_mainWindowLayout.m_linkFolder, other.Path());
  EXPECT_FALSE(platform::FileExists(other.File("dialog.lock")));
  window->ExitProgram();
  RunEventsUntil([&] { return !window; });
}

// Not a test: the README's picture, taken by scripts/screenshot_links.sh (skipped unless
// PAGEWARDEN_SCREENSHOT_DONE names the file the script creates once it has the picture).
TEST_F(LinkUpdateDlgTest, Screenshot) {
  const char* done = std::getenv("PAGEWARDEN_SCREENSHOT_DONE");
  if (!done) GTEST_SKIP() << "only for scripts/screenshot_links.sh";
  WriteLinks({{"price-list.pdf", "価格表"},
              {"news.html", "本日のお知らせ"},
              {"manual_1.pdf", "取扱説明書"},
              {"setup.exe", "インストーラ"},
              {"old-page.html", "移転したページ"}});
  WriteFiles({"price-list.pdf", "news.html", "manual_1.pdf"});
  server.Handle("/news.html", [](const HttpRequestRecord&) {
    return ScriptedResponse::Ok("today's news", "text/plain");
  });
  server.Handle("/price-list.pdf", [](const HttpRequestRecord&) {
    return ScriptedResponse::Ok("old price-list.pdf", "text/plain");
  });
  auto* dialog = new CLinkUpdateDlg(owner, environment, queue);
  ASSERT_TRUE(dialog->Init(folder.Path()));
  dialog->Show();
  dialog->UpdateRowNow(0);
  dialog->UpdateRowNow(1);
  dialog->UpdateRowNow(4);
  dialog->List()->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  HoldForScreenshot(*dialog, done);
  dialog->Destroy();
}
