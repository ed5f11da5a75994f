// The main window under a virtual X server: its parts, the layout rule, closing, the tray.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/menu.h>
#include <wx/taskbar.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include "core/app/settings_archive.h"
#include "core/common/version.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_frame.h"
#include "gui/check/results_list.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/shell.h"

namespace {

// A main window shown and through its deferred initialisation.
CMainDlg* OpenMainWindow(GuiWorld& world, MainWindowParts parts = {}) {
  auto* window = new CMainDlg(*world.app, world.queue, std::move(parts));
  window->Show();
  RunEventsUntil([&] { return window->DeferredInitDone() && window->IsShownOnScreen(); });
  return window;
}

// Ends a window the test left open.
void EndWindow(wxWeakRef<CMainDlg>& window) {
  if (window) window->ExitProgram();
  RunEventsUntil([&] { return !window; });
}

std::vector<std::string> MenuLabels(wxMenu* menu) {
  std::vector<std::string> labels;
  for (wxMenuItem* item : menu->GetMenuItems()) {
    labels.push_back(item->IsSeparator() ? "-" : FromWx(item->GetItemLabel()));
  }
  return labels;
}

TEST(MainWindow, ShowsCaptionMenusButtonsAndTheResultColumns) {
  GuiWorld world;
  world.app->m_mainWindowLayout.m_columnWidths = {80, 200, 120};
  wxWeakRef<CMainDlg> window = OpenMainWindow(world);
  ASSERT_TRUE(window);
  EXPECT_EQ(FromWx(window->GetTitle()), "Pagewarden 1.35");
  EXPECT_EQ(world.State(), "opened");

  wxMenuBar* bar = window->GetMenuBar();
  ASSERT_EQ(bar->GetMenuCount(), 3u);
  EXPECT_EQ(FromWx(bar->GetMenuLabel(0)), "操作(&O)");
  EXPECT_EQ(FromWx(bar->GetMenuLabel(2)), "ﾍﾙﾌﾟ(&H)");
  EXPECT_EQ(MenuLabels(bar->GetMenu(0)),
            (std::vector<std::string>{"新規サイト(&N)", "ウォッチリスト(&E)", "ログをクリア(&C)",
                                      "環境設定(&S)", "インポート…", "バックアップ…", "復元…",
                                      "Pagewardenを終了(&X)"}));
  EXPECT_EQ(MenuLabels(bar->GetMenu(1)),
            (std::vector<std::string>{"Linkreel(&W)", "Grabmate(&D)"}));
  EXPECT_EQ(bar->GetMenu(2)->GetMenuItemCount(), 8u);

  const char* buttons[] = {"フォルダ更新", "ウォッチリスト", "ログのクリア", "サウンド停止"};
  for (int index = 0; index < 4; ++index) {
    EXPECT_EQ(FromWx(window->Button(index)->GetLabel()), buttons[index]);
  }
  // Without the other windows their commands are off.
  EXPECT_FALSE(window->Button(0)->IsEnabled());
  EXPECT_FALSE(window->Button(1)->IsEnabled());
  EXPECT_TRUE(window->Button(2)->IsEnabled());

  CRenewCheckWnd& results = window->Results();
  ASSERT_EQ(results.GetColumnCount(), 3);
  auto title = [&](int column) {
    wxListItem item;
    item.SetMask(wxLIST_MASK_TEXT);
    results.GetColumn(column, item);
    return FromWx(item.GetText());
  };
  EXPECT_EQ(title(0), "時刻");
  EXPECT_EQ(title(1), "ページ");
  EXPECT_EQ(title(2), "結果");
  EXPECT_EQ(results.ColumnWidths(), (std::array<int, 3>{80, 200, 120}));
  EndWindow(window);
}

TEST(MainWindow, TrayMenusHoldTheirItems) {
  std::unique_ptr<wxMenu> first(MakeTrayMenu(0));
  std::unique_ptr<wxMenu> second(MakeTrayMenu(1));
  EXPECT_EQ(MenuLabels(first.get()), (std::vector<std::string>{"開く", "Pagewardenを終了", "-",
                                                               "Linkreel", "Grabmate"}));
  EXPECT_EQ(MenuLabels(second.get()),
            (std::vector<std::string>{"フォルダ更新", "新規サイト", "ウォッチリスト", "-",
                                      "サウンドを停止", "-", "Pagewardenを終了(&X)"}));
}

TEST(MainWindow, ButtonsKeepTheirRightOffsetsAndTheListFillsTheWindow) {
  GuiWorld world;
  wxWeakRef<CMainDlg> window = OpenMainWindow(world);
  auto rightOffset = [&](int index) {
    wxWindow* panel = window->Button(index)->GetParent();
    return panel->GetClientSize().GetWidth() - window->Button(index)->GetRect().GetRight();
  };
  std::vector<int> offsets;
  for (int index = 0; index < 4; ++index) offsets.push_back(rightOffset(index));

  window->SetClientSize(900, 400);
  ASSERT_TRUE(RunEventsUntil([&] { return window->GetClientSize().GetWidth() == 900; }));
  RunEventsFor(50);
  for (int index = 0; index < 4; ++index) EXPECT_EQ(rightOffset(index), offsets[index]);
  wxRect list = window->Results().GetRect();
  EXPECT_EQ(list.GetRight() + 1, 900);
  EXPECT_EQ(list.GetBottom() + 1, window->Results().GetParent()->GetClientSize().GetHeight());

  // Below 300 pixels the list still follows, the buttons stay where they were.
  std::vector<int> lefts;
  for (int index = 0; index < 4; ++index) lefts.push_back(window->Button(index)->GetPosition().x);
  window->SetClientSize(260, 300);
  ASSERT_TRUE(RunEventsUntil([&] { return window->GetClientSize().GetWidth() == 260; }));
  RunEventsFor(50);
  for (int index = 0; index < 4; ++index) {
    EXPECT_EQ(window->Button(index)->GetPosition().x, lefts[index]);
  }
  EXPECT_EQ(window->Results().GetRect().GetRight() + 1, 260);
  EndWindow(window);
}

TEST(MainWindow, ClearLogButtonEmptiesTheResultsWhenClicked) {
  GuiWorld world;
  wxWeakRef<CMainDlg> window = OpenMainWindow(world);
  window->Raise();
  window->Results().AddRow("10:00", "ページ", "更新されています", CRenewCheckWnd::kUpdated, 7);
  window->Results().AddRow("10:05", "https://example.org/", "エラー(status=404)",
                           CRenewCheckWnd::kError, 8);
  EXPECT_EQ(window->Results().RowText(0, 2), "エラー(status=404)");
  EXPECT_EQ(window->Results().RowItemId(1), 7u);

  wxButton* clear = window->Button(2);
  wxUIActionSimulator simulator;
  simulator.MouseMove(clear->GetScreenRect().GetPosition() + wxPoint(10, 10));
  RunEventsFor(50);
  simulator.MouseClick();
  EXPECT_TRUE(RunEventsUntil([&] { return window->Results().GetItemCount() == 0; }));
  EndWindow(window);
}

TEST(MainWindow, ClosingWithoutTrayEndsTheWindowAndKeepsItsLayout) {
  GuiWorld world;
  wxWeakRef<CMainDlg> window = OpenMainWindow(world);
  window->Results().SetColumnWidth(1, 333);
  window->Close();
  ASSERT_TRUE(RunEventsUntil([&] { return !window; }));

  AppSettings settings;
  MainWindowLayout layout;
  WatchListWindowLayout watchList;
  ASSERT_EQ(LoadSettingsFile(SettingsArchivePath(), settings, layout, watchList), platform::LoadOutcome::Loaded);
  EXPECT_EQ(layout.m_columnWidths[1], 333);
  EXPECT_TRUE(layout.m_windowRect.IsKnown());
  EXPECT_GT(layout.m_windowRect.right, layout.m_windowRect.left);
}

TEST(MainWindow, WithoutTrayMinimisingAndResidentStartKeepAWindow) {
  ASSERT_FALSE(wxTaskBarIcon::IsAvailable());
  GuiWorld world;
  world.app->m_settings.m_startResident = 1;
  wxWeakRef<CMainDlg> window = OpenMainWindow(world);
  // Resident start without a notification area: not hidden, nothing in the tray.
  EXPECT_TRUE(window->IsShown());
  EXPECT_FALSE(window->InTray());
  window->Minimise();
  RunEventsFor(50);
  EXPECT_TRUE(window->IsShown());
  EXPECT_FALSE(window->InTray());
  EXPECT_EQ(world.State(), "opened");
  // Closing then ends the program as usual.
  window->Close();
  EXPECT_TRUE(RunEventsUntil([&] { return !window; }));
}

TEST(MainWindow, WithTrayMinimiseHidesOpenComesBackAndCloseOnlyHides) {
  TrayHost tray;
  ASSERT_TRUE(tray.Ready()) << "trayer did not provide a notification area";
  GuiWorld world;
  wxWeakRef<CMainDlg> window = OpenMainWindow(world);

  // What the window manager reports when the user minimises.
  wxIconizeEvent minimised(window->GetId(), true);
  minimised.SetEventObject(window);
  window->ProcessWindowEvent(minimised);
  ASSERT_TRUE(RunEventsUntil([&] { return !window->IsShown(); }));
  EXPECT_TRUE(window->InTray());
  EXPECT_EQ(world.State(), "hide");

  window->Command(ID_OPEN);
  ASSERT_TRUE(RunEventsUntil([&] { return window->IsShownOnScreen(); }));
  EXPECT_EQ(world.State(), "opened");

  // Shown from the tray, the close box hides it again; the program goes on.
  window->Close();
  RunEventsFor(100);
  ASSERT_TRUE(window);
  EXPECT_FALSE(window->IsShown());
  EXPECT_EQ(world.State(), "hide");

  // Minimising again keeps the one icon; the exit command ends everything.
  window->Command(ID_OPEN);
  RunEventsUntil([&] { return window->IsShown(); });
  window->Minimise();
  EXPECT_TRUE(window->InTray());
  window->Command(ID_EXIT_PROGRAM);
  EXPECT_TRUE(RunEventsUntil([&] { return !window; }));
}

TEST(MainWindow, ResidentStartWithTrayGoesStraightToTheTray) {
  TrayHost tray;
  ASSERT_TRUE(tray.Ready());
  GuiWorld world;
  world.app->m_settings.m_startResident = 1;
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue);
  window->Show();
  ASSERT_TRUE(RunEventsUntil([&] { return window->DeferredInitDone(); }));
  EXPECT_FALSE(window->IsShown());
  EXPECT_TRUE(window->InTray());
  EXPECT_EQ(world.State(), "hide");
  EndWindow(window);
}

TEST(MainWindow, ImageCheckPageIsWrittenForTheHandOff) {
  GuiWorld world;
  wxWeakRef<CMainDlg> window = OpenMainWindow(world);
  // Without a helper the page goes to the desktop's opener: here one that does nothing.
  platform::SetDesktopOpener({"true"});
  window->DisplayPage(CMainDlg::DisplayKind::Image, std::string("/tmp/画像.png"));
  std::FILE* file = std::fopen(CMainDlg::ImageTestPath().c_str(), "rb");
  ASSERT_NE(file, nullptr);
  char buffer[256] = {};
  std::size_t size = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  EXPECT_EQ(std::string(buffer, size), "<html><body><img src=\"/tmp/画像.png\"></body></html>");
  EndWindow(window);
  platform::SetDesktopOpener({});
}

}  // namespace

namespace {

// As on a desktop: the window manager minimises the window, and a window that was
// minimised when it went into the tray comes back restored, not minimised.
TEST(MainWindow, WithAWindowManagerMinimiseGoesToTheTrayAndOpenRestores) {
  WindowManagerHost windowManager;
  ASSERT_TRUE(windowManager.Ready()) << "openbox did not start";
  TrayHost tray;
  ASSERT_TRUE(tray.Ready());
  GuiWorld world;
  wxWeakRef<CMainDlg> window = OpenMainWindow(world);
  RunEventsFor(300);  // the window manager has framed the window

  window->Iconize(true);
  ASSERT_TRUE(RunEventsUntil([&] { return !window->IsShown(); }));
  EXPECT_TRUE(window->InTray());
  EXPECT_EQ(world.State(), "hide");

  // At once, before the window manager has told that it let go of the minimised window.
  window->ShowFromTray();
  ASSERT_TRUE(RunEventsUntil([&] { return window->IsShownOnScreen(); }));
  RunEventsFor(500);  // nothing sends it back
  EXPECT_TRUE(window->IsShownOnScreen());
  EXPECT_FALSE(window->IsIconized());
  EXPECT_EQ(world.State(), "opened");
  EndWindow(window);
}

}  // namespace
