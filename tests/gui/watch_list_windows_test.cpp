// The watch list plugged into the real main window: results rows from real checks, the
// watch list window opened from the main window, and the messages between the two.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/weakref.h>

#include "core/app/settings_archive.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_frame.h"
#include "gui/check/results_list.h"
#include "gui/ui/watch_list_windows.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "support/loopback_http_server.h"

namespace {

class WatchListWindowsTest : public ::testing::Test {
 protected:
  WatchListWindowsTest() {
    platform::MakeDirectory(platform::ProgramFolderPath() + "/comp");
    server.Handle("/a", [](const HttpRequestRecord&) { return ScriptedResponse::Ok("page a"); });
    CheckEnvironment environment = CWatchListWindows::EnvironmentOf(*world.app);
    environment.m_converter = &converter;
    environment.m_fetch.m_connectTimeoutMs = 5000;
    environment.m_fetch.m_receiveTimeoutMs = 5000;
    windows = std::make_unique<CWatchListWindows>(*world.app, world.queue, environment);
    windows->List().Engine().SetWaitSlice(5);
    MainWindowParts parts;
    parts.runSheet = [this](const WatchItem& item, int index) {
      sheets.push_back(item.m_name + " " + std::to_string(index));
    };
    windows->FillParts(parts, [this] { return main.get(); });
    main = new CMainDlg(*world.app, world.queue, std::move(parts));
    main->Show();
    RunEventsUntil([&] { return main->DeferredInitDone() && main->IsShownOnScreen(); });
  }
  ~WatchListWindowsTest() override {
    if (main) main->ExitProgram();
    RunEventsUntil([&] { return !main; });
    windows.reset();
  }

  WatchItem Item(const std::string& name) {
    WatchItem item;
    item.m_url = server.Url("/a");
    item.m_name = name;
    item.m_active = 1;
    item.m_soundUse = 0;
    item.m_popUp = 0;
    item.m_timing = "inter";
    item.m_time = 3600;
    return item;
  }

  GuiWorld world;
  LoopbackHttpServer server;
  platform::CCodePageConverter converter;
  std::unique_ptr<CWatchListWindows> windows;
  wxWeakRef<CMainDlg> main;
  std::vector<std::string> sheets;
};

TEST_F(WatchListWindowsTest, AStoredItemIsCheckedAndShowsInBothWindows) {
  ASSERT_TRUE(windows->Box());
  EXPECT_FALSE(windows->Box()->IsShown());
  EXPECT_TRUE(main->Button(1)->IsEnabled()) << "the watch list command is there";
  main->Command(ID_SHOW_WATCH_LIST);
  ASSERT_TRUE(RunEventsUntil([&] { return windows->Box()->IsShownOnScreen(); }));

  // A new item from the sheet: scheduled at once by its interval, checked, its row on top.
  main->StoreItem(0, Item("日本語の名前"));
  EXPECT_EQ(windows->Box()->List()->GetItemCount(), 1);
  ASSERT_TRUE(RunEventsUntil([&] { return main->Results().GetItemCount() == 1; }, 10000));
  EXPECT_EQ(main->Results().RowText(0, 1), "日本語の名前");
  EXPECT_EQ(main->Results().RowText(0, 2), "更新されています");
  ASSERT_TRUE(RunEventsUntil([&] {
    return FromWx(windows->Box()->List()->GetItemText(0, 2)) != "未確認";
  }));
  EXPECT_EQ(windows->List().GetItem(0).m_renewMark, 1);

  // Editing from either window opens the sheet on the item (counted from 1).
  main->Results().SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  main->Results().RunCommand(CRenewCheckWnd::ID_RESULT_EDIT_SITE);
  windows->Box()->List()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  windows->Box()->RunCommand(CEditBox::ID_EB_EDIT);
  RunEventsFor(50);
  EXPECT_EQ(sheets, (std::vector<std::string>{"日本語の名前 1", "日本語の名前 1"}));

  // The results window's forward reaches the watch list window, which acknowledges.
  main->ListForward(0);
  EXPECT_EQ(windows->List().GetItem(0).m_renewMark, 0);

  // Closing the watch list window with other widths writes the settings archive.
  windows->Box()->List()->SetColumnWidth(0, 150);
  windows->Box()->RunCommand(CEditBox::ID_EB_CLOSE);
  EXPECT_FALSE(windows->Box()->IsShown());
  AppSettings settings;
  MainWindowLayout mainLayout;
  WatchListWindowLayout listLayout;
  ASSERT_TRUE(LoadSettingsFile(SettingsArchivePath(), settings, mainLayout, listLayout));
  EXPECT_EQ(listLayout.m_columnWidths[0], 150);
}

}  // namespace
