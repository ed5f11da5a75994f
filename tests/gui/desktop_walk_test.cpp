// A user's walk through the real main window under a window manager, driven with the mouse
// and the keyboard where a user would use them: a new item with a pasted Japanese name,
// refused first without its address; the whole page compared; a schedule set with the step
// buttons; an area picked in the page's source; OK; an edit cancelled with Esc; checks
// against a loopback server; the change window opened from the results, made larger and
// closed with Esc while the program stays up, and opened again with that size.
#include <atomic>
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/msgdlg.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include "core/common/path_utils.h"
#include "core/watch/watch_list.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_frame.h"
#include "gui/check/change_window.h"
#include "gui/check/results_list.h"
#include "gui/ui/sheet/check_options_page.h"
#include "gui/ui/sheet/define_sheet.h"
#include "gui/ui/sheet/define_sheet_parts.h"
#include "gui/ui/sheet/num_edit.h"
#include "gui/ui/sheet/page_page.h"
#include "gui/ui/sheet/timing_page.h"
#include "gui/ui/watch_list_window_parts.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/file_system.h"
#include "support/loopback_http_server.h"

namespace {

// The mouse to the middle of `window` (or to `at` inside it), then a click. `settle`: the
// click's events are run before returning (not for a click that ends a modal run: its loop
// ends only once this call has returned).
void ClickOn(wxWindow* window, wxPoint at = wxDefaultPosition, bool settle = true) {
  ASSERT_NE(window, nullptr);
  wxRect screen = window->GetScreenRect();
  if (at == wxDefaultPosition) at = wxPoint(screen.width / 2, screen.height / 2);
  wxUIActionSimulator simulator;
  // From outside first: a pointer already resting there would bring the button no
  // entering, and GTK takes a click only on a button the pointer has entered.
  simulator.MouseMove(screen.GetPosition() - wxPoint(8, 8));
  RunEventsFor(30);
  simulator.MouseMove(screen.GetPosition() + at);
  RunEventsFor(60);
  simulator.MouseClick();
  if (settle) RunEventsFor(60);
}

// The "+" or the "−" of a numeric edit's spin button: side by side ("−" left) where the
// button is wider than high, as GTK 3 draws it, else "+" above "−".
void ClickArrow(CNumEdit* edit, bool up) {
  wxSize size = edit->Spin()->GetSize();
  wxPoint at = size.x > size.y ? wxPoint(up ? size.x * 3 / 4 : size.x / 4, size.y / 2)
                               : wxPoint(size.x / 2, up ? size.y / 4 : size.y * 3 / 4);
  ClickOn(edit->Spin(), at);
}

void Focus(wxWindow* window) {
  window->SetFocus();
  RunEventsUntil([&] { return wxWindow::FindFocus() == window; }, 2000);
}

class DesktopWalk : public testing::Test {
 protected:
  void SetUp() override {
    if (!windowManager.Ready()) GTEST_SKIP() << "openbox is not installed";
    // As the program starts: the folder locked, the settings read, the code-page converter
    // made (the source view shows a page only through it).
    ASSERT_EQ(world.app->StartUp({}), CWatchApp::StartResult::Run);
    started = true;
    ASSERT_NE(world.app->Converter(), nullptr);
    platform::MakeDirectory(ProgramFolder() + "/comp");
    server.Handle("/news.html", [&](const HttpRequestRecord&) {
      return ScriptedResponse::Ok(
          "<html><body>\n<h1>お知らせ</h1>\n<p>価格：" +
          std::string(version == 1 ? "1,280円" : "1,480円") + "</p>\n</body></html>\n");
    });
    MainWindowParts parts;
    AddDefineSheet(parts, *world.app, world.queue, [this](CDefineSheet& made) {
      sheet = &made;
      made.SetShownHook([this](CDefineSheet& shown) {
        ++runs;
        if (onShown) onShown(shown);
      });
      // A message box of the sheet is read, then answered with Enter as a user would.
      made.Prompter().SetBeforeShow([this](wxWindow* dialog) {
        if (auto* message = dynamic_cast<wxMessageDialog*>(dialog)) {
          messages.push_back(FromWx(message->GetMessage()));
        }
        answer.StartOnce(500);
      });
    });
    AddWatchListWindow(parts, *world.app);
    answer.Bind(wxEVT_TIMER, [](wxTimerEvent&) { wxUIActionSimulator().Char(WXK_RETURN); });
    guard.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      if (!sheet->IsModal()) return;
      ADD_FAILURE() << "the sheet did not end";
      sheet->CancelRun();
    });
    window = new CMainDlg(*world.app, world.queue, parts);
    window->Show();
    ASSERT_TRUE(RunEventsUntil([&] { return window->DeferredInitDone() && sheet; }));
  }

  void TearDown() override {
    if (window) window->ExitProgram();
    RunEventsUntil([&] { return !window; });
    if (started) world.app->ShutDown();
  }

  // Opens the sheet through `command` and lets `walk` work in it until the run ends.
  void RunSheet(const std::function<void()>& command, std::function<void(CDefineSheet&)> walk) {
    int before = runs;
    onShown = [this, walk = std::move(walk)](CDefineSheet& shown) {
      walk(shown);
      // A walk that failed half-way, or whose last click or key did not end the sheet,
      // leaves it as Cancel does.
      if (HasFailure()) {
        shown.CancelRun();
      } else {
        guard.StartOnce(5000);
      }
    };
    command();
    ASSERT_TRUE(RunEventsUntil([&] { return runs > before && !sheet->IsModal(); }, 20000));
  }

  // First made, last gone: a failure that leaves a modal window open ends the program.
  HangGuard hangGuard{std::chrono::seconds(120)};
  WindowManagerHost windowManager;
  GuiWorld world;
  bool started = false;
  LoopbackHttpServer server;
  std::atomic<int> version{1};
  wxWeakRef<CMainDlg> window;
  CDefineSheet* sheet = nullptr;
  int runs = 0;
  std::function<void(CDefineSheet&)> onShown;
  std::vector<std::string> messages;
  wxTimer answer;
  wxTimer guard;
};

TEST_F(DesktopWalk, NewItemEditCancelCheckAndTheChangeWindowClosedWithEsc) {
  const std::string url = server.Url("/news.html");
  RunSheet([&] { window->Command(ID_NEW_SITE); }, [&](CDefineSheet& shown) {
    ASSERT_TRUE(RunEventsUntil([&] { return shown.IsShownOnScreen(); }));
    RunEventsFor(300);  // placed by the window manager
    // OK before anything is typed: told, and still in the sheet.
    ClickOn(shown.FindWindow(wxID_OK));
    ASSERT_TRUE(RunEventsUntil([&] { return !messages.empty(); }, 3000));
    EXPECT_EQ(messages.back(), "URLを入力してください");
    RunEventsFor(800);
    ASSERT_TRUE(shown.IsModal());

    // The name pasted from the clipboard, the address typed.
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->SetData(new wxTextDataObject(ToWx("新着のお知らせ")));
    wxTheClipboard->Close();
    Focus(shown.PageData().NameField());
    wxUIActionSimulator().Char('v', wxMOD_CONTROL);
    EXPECT_TRUE(RunEventsUntil(
        [&] { return FromWx(shown.PageData().NameField()->GetValue()) == "新着のお知らせ"; }));
    Focus(shown.PageData().UrlField());
    wxUIActionSimulator().Text(url.c_str());
    ASSERT_TRUE(RunEventsUntil([&] { return FromWx(shown.PageData().UrlField()->GetValue()) == url; }));

    // The price after the keyword "価格：" compared: both picked in the page's source.
    shown.ShowPage(3);
    CCKOption& options = shown.CheckOptions();
    ClickOn(options.ModeButton(CCheckOptionsForm::kAnchorKeyword));
    EXPECT_TRUE(options.ModeButton(CCheckOptionsForm::kAnchorKeyword)->GetValue());
    ClickOn(options.ShowSourceButton());
    auto sourceShown = [&] { return !options.Fetching() && !options.SourceView()->IsEmpty(); };
    ASSERT_TRUE(RunEventsUntil(sourceShown, 10000));
    wxTextCtrl* view = options.SourceView();
    auto select = [&](const char* what) {
      wxString part = ToWx(what);
      int at = view->GetValue().Find(part);
      ASSERT_NE(at, wxNOT_FOUND) << what;
      view->SetSelection(at, at + static_cast<long>(part.length()));
    };
    select("価格：");
    ClickOn(options.AnchorFromSourceButton());
    EXPECT_EQ(FromWx(options.AnchorField()->GetValue()), "価格：");
    ASSERT_TRUE(RunEventsUntil(sourceShown, 10000));  // shown again for the new keyword
    select("1,280円");
    ClickOn(options.AreaFromSourceButton());
    EXPECT_EQ(FromWx(options.OffsetEdit()->Text()->GetValue()), "0");

    // Every two minutes, set with the step buttons: two ups, one down, one up.
    shown.ShowPage(1);
    CTimingPage& timing = shown.Timing();
    timing.TimeChoice()->SetSelection(CTimingForm::kInterval);
    timing.TimeChosen();
    for (bool up : {true, true, false, true}) ClickArrow(timing.MinutesEdit(), up);
    EXPECT_EQ(FromWx(timing.MinutesEdit()->Text()->GetValue()), "02");
    ClickOn(shown.FindWindow(wxID_OK), wxDefaultPosition, false);
  });
  ASSERT_EQ(window->WatchList().GetCount(), 1);
  // Closed, the sheet left its size for the next run of the program.
  EXPECT_EQ(world.app->OwnKey()->Read("SiteSheetSize"),
            std::to_string(sheet->GetSize().x) + "x" + std::to_string(sheet->GetSize().y));
  WatchItem stored = window->WatchList().GetItem(0);
  EXPECT_EQ(stored.m_name, "新着のお知らせ");
  EXPECT_EQ(stored.m_url, url);
  EXPECT_EQ(stored.m_anchorKeyword, "価格：");
  EXPECT_EQ(stored.m_timing, "inter");
  EXPECT_EQ(stored.m_time, 120);

  // An edit left with Esc stores nothing.
  RunSheet([&] { window->EditItem(1); }, [&](CDefineSheet& shown) {
    shown.PageData().NameField()->ChangeValue(ToWx("取り消す名前"));
    Focus(shown.PageData().NameField());
    wxUIActionSimulator().Char(WXK_ESCAPE);
  });
  EXPECT_EQ(window->WatchList().GetItem(0).m_name, "新着のお知らせ");

  // Checked twice, the price changed in between; the change seen and closed with Esc.
  CRenewCheckWnd& results = window->Results();
  // A new item waits for its check box in the watch list: ticked, as there.
  WatchItem ticked = window->WatchList().GetItem(0);
  ticked.m_active = 1;
  window->WatchList().ReplaceItem(0, ticked);
  int rows = results.GetItemCount();
  window->WatchList().CheckNow(0);
  ASSERT_TRUE(RunEventsUntil([&] { return results.GetItemCount() > rows; }, 10000))
      << server.RequestCount();
  version = 2;
  rows = results.GetItemCount();
  window->WatchList().CheckNow(0);
  ASSERT_TRUE(RunEventsUntil([&] { return results.GetItemCount() > rows; }, 10000));
  EXPECT_EQ(results.RowText(0, 2), "更新されています");
  // What was compared is the picked area, no more.
  EXPECT_EQ(window->WatchList().GetItem(0).m_compareData, "1,480円");
  results.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  auto openChange = [&] {
    results.RunRowCommand(CRenewCheckWnd::RowCommand::ShowChange);
    wxWeakRef<CChangeWindow> opened;
    for (wxWindow* top : wxTopLevelWindows) {
      if (auto* found = dynamic_cast<CChangeWindow*>(top)) opened = found;
    }
    if (opened) RunEventsUntil([&] { return opened->IsShownOnScreen(); });
    RunEventsFor(300);
    return opened;
  };
  wxWeakRef<CChangeWindow> change = openChange();
  ASSERT_TRUE(change && change->IsShownOnScreen());
  // Made larger, closed with Esc: it opens again with the size it was given.
  const wxSize opened = change->GetSize();
  change->SetSize(opened + wxSize(140, 90));
  RunEventsFor(300);
  wxSize given = change->GetSize();
  ASSERT_NE(given, opened);
  Focus(change->Text());
  wxUIActionSimulator().Char(WXK_ESCAPE);
  EXPECT_TRUE(RunEventsUntil([&] { return !change; }));
  RunEventsFor(300);
  ASSERT_TRUE(window) << "Esc in the change window ended the program";
  EXPECT_TRUE(window->IsShown());
  change = openChange();
  ASSERT_TRUE(change);
  EXPECT_EQ(change->GetSize(), given);
  change->Close();
  RunEventsUntil([&] { return !change; });

  // The watch list window shows the item by its name.
  window->Command(ID_SHOW_WATCH_LIST);
  wxTopLevelWindow* list = nullptr;
  ASSERT_TRUE(RunEventsUntil([&] {
    for (wxWindow* top : wxTopLevelWindows) {
      if (FromWx(top->GetLabel()) == "ウォッチリスト" && top->IsShownOnScreen()) {
        list = static_cast<wxTopLevelWindow*>(top);
      }
    }
    return list != nullptr;
  }));
  RunEventsFor(300);
}

}  // namespace
