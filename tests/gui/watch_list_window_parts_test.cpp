// The watch list window plugged into the real main window: opened from it, following the
// checks of the main window's list, and the messages between the two windows.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/weakref.h>

#include "core/app/settings_archive.h"
#include "core/common/path_utils.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_frame.h"
#include "gui/check/results_list.h"
#include "gui/ui/edit_box.h"
#include "gui/ui/watch_list_window_parts.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/file_system.h"
#include "platform/shell.h"
#include "support/loopback_http_server.h"

namespace {

class WatchListWindowPartsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::MakeDirectory(ProgramFolder() + "/comp");
    server.Handle("/a", [](const HttpRequestRecord&) { return ScriptedResponse::Ok("page a"); });
    platform::SetDesktopOpener({"true"});  // pages shown from here go nowhere
    MainWindowParts parts;
    parts.runSheet = [this](const WatchItem& item, int index) {
      sheets.push_back(item.m_name + " " + std::to_string(index));
    };
    AddWatchListWindow(parts, *world.app, [this](CEditBox& created) { box = &created; });
    main = new CMainDlg(*world.app, world.queue, std::move(parts));
    main->Show();
    RunEventsUntil([&] { return main->DeferredInitDone() && main->IsShownOnScreen(); });
  }
  void TearDown() override {
    if (main) main->ExitProgram();
    RunEventsUntil([&] { return !main; });
    platform::SetDesktopOpener({});
  }

  WatchItem Item(const std::string& name) {
    WatchItem item;
    item.m_url = server.Url("/a");
    item.m_name = name;
    item.m_active = 1;
    item.m_soundUse = 0;
    item.m_popUp = 0;
    return item;
  }

  GuiWorld world;
  LoopbackHttpServer server;
  wxWeakRef<CMainDlg> main;
  wxWeakRef<CEditBox> box;
  std::vector<std::string> sheets;
};

TEST_F(WatchListWindowPartsTest, OpensFromTheMainWindowAndFollowsItsChecks) {
  ASSERT_TRUE(box);
  EXPECT_FALSE(box->IsShown()) << "created hidden";
  EXPECT_TRUE(main->Button(1)->IsEnabled()) << "the watch list command is there";
  main->Command(ID_SHOW_WATCH_LIST);
  ASSERT_TRUE(RunEventsUntil([&] { return box->IsShownOnScreen(); }));

  // A new item from the sheet is checked at once (a start-up item); both windows show it.
  main->StoreItem(0, Item("日本語の名前"));
  EXPECT_EQ(box->List()->GetItemCount(), 1);
  ASSERT_TRUE(RunEventsUntil([&] { return main->Results().GetItemCount() == 1; }, 10000));
  EXPECT_EQ(main->Results().RowText(0, 1), "日本語の名前");
  ASSERT_TRUE(RunEventsUntil([&] { return FromWx(box->List()->GetItemText(0, 2)) != "未確認"; }));
  ASSERT_EQ(main->WatchList().GetItem(0).m_renewMark, UpdateMark::Updated);

  // The results list's "サイトを表示" reaches the watch list window, which acknowledges.
  main->Results().SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  main->Results().RunRowCommand(CRenewCheckWnd::RowCommand::ShowSite);
  EXPECT_EQ(main->WatchList().GetItem(0).m_renewMark, UpdateMark::None);
  wxListItem image;
  image.SetId(0);
  image.SetMask(wxLIST_MASK_IMAGE);
  box->List()->GetItem(image);
  EXPECT_EQ(image.GetImage(), 0) << "its row shows it";

  // Editing from the watch list window opens the sheet on the item (counted from 1).
  box->List()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  box->RunCommand(CEditBox::ID_EB_EDIT);
  RunEventsUntil([&] { return !sheets.empty(); });
  EXPECT_EQ(sheets, (std::vector<std::string>{"日本語の名前 1"}));

  // Closing it with other widths writes them into the settings archive.
  box->List()->SetColumnWidth(0, 150);
  box->RunCommand(CEditBox::ID_EB_CLOSE);
  EXPECT_FALSE(box->IsShown());
  AppSettings settings;
  MainWindowLayout mainLayout;
  WatchListWindowLayout listLayout;
  ASSERT_EQ(LoadSettingsFile(SettingsArchivePath(), settings, mainLayout, listLayout), platform::LoadOutcome::Loaded);
  EXPECT_EQ(listLayout.m_columnWidths[0], 150);

  main->ExitProgram();
  EXPECT_TRUE(RunEventsUntil([&] { return !main && !box; })) << "the window ends with it";
}

}  // namespace
