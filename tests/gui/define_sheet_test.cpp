// The site definition sheet in the real main window: a new item typed in through
// "新規サイト" reaches the watch list file, an edited schedule is stored, and Cancel stores
// nothing, also after an earlier OK of the same sheet.
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <wx/bookctrl.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/textctrl.h>
#include <wx/button.h>
#include <wx/tglbtn.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/weakref.h>

#include "core/check/renew.h"
#include "core/common/path_utils.h"
#include "core/watch/watch_list.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_frame.h"
#include "gui/ui/sheet/define_sheet.h"
#include "gui/ui/sheet/check_options_page.h"
#include "gui/ui/sheet/define_sheet_parts.h"
#include "gui/ui/sheet/num_edit.h"
#include "gui/ui/sheet/page_page.h"
#include "gui/ui/sheet/timing_page.h"
#include "gui/ui/watch_list_window_parts.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "support/iconv_oracle.h"
#include "support/loopback_http_server.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void Click(wxWindow* button) {
  ASSERT_NE(button, nullptr);
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->ProcessWindowEvent(click);
}

void Choose(wxChoice* choice, int index, CTimingPage& page, bool schedule) {
  choice->SetSelection(index);
  if (schedule) {
    page.ScheduleChosen();
  } else {
    page.TimeChosen();
  }
}

class DefineSheetTest : public testing::Test {
 protected:
  void SetUp() override { platform::MakeDirectory(ProgramFolder() + "/comp"); }

  // The main window as the program puts it together.
  void StartMainWindow() {
    MainWindowParts parts;
    AddDefineSheet(parts, *world.app, world.queue, [this](CDefineSheet& made) {
      sheet = &made;
      made.SetShownHook([this](CDefineSheet& shown) {
        ++runs;
        if (onShown) onShown(shown);
      });
    });
    AddWatchListWindow(parts, *world.app);
    window = new CMainDlg(*world.app, world.queue, parts);
    window->Show();
    ASSERT_TRUE(RunEventsUntil([&] { return window->DeferredInitDone() && sheet; }));
  }
  void EndMainWindow() {
    window->ExitProgram();
    ASSERT_TRUE(RunEventsUntil([&] { return !window; }));
  }
  // Runs the sheet through `command` (posted, as a menu does) until its run has ended.
  void RunSheet(const std::function<void()>& command, std::function<void(CDefineSheet&)> shown) {
    int before = runs;
    onShown = std::move(shown);
    command();
    ASSERT_TRUE(RunEventsUntil([&] { return runs > before && !sheet->IsModal(); }, 10000));
  }

  GuiWorld world;
  wxWeakRef<CMainDlg> window;
  CDefineSheet* sheet = nullptr;
  int runs = 0;
  std::function<void(CDefineSheet&)> onShown;
};

TEST_F(DefineSheetTest, ANewSiteTypedInReachesTheWatchListFile) {
  StartMainWindow();
  RunSheet([&] { window->Command(ID_NEW_SITE); }, [](CDefineSheet& shown) {
    EXPECT_EQ(FromWx(shown.GetTitle()), "サイトの定義");
    EXPECT_EQ(shown.GetBookCtrl()->GetPageCount(), 5u);
    shown.PageData().NameField()->ChangeValue(ToWx("新着のお知らせ"));
    shown.PageData().TagsField()->ChangeValue(ToWx(" news  国内 news"));
    shown.PageData().UrlField()->ChangeValue(ToWx("http://127.0.0.1:9/news.html"));
    EXPECT_FALSE(shown.PageData().WaitForField()->IsEnabled()) << "only with the browser";
    shown.PageData().RenderInBrowserBox()->SetValue(true);
    shown.PageData().WaitForField()->ChangeValue(ToWx("ul.news li"));
    shown.ShowPage(1);
    CTimingPage& timing = shown.Timing();
    Choose(timing.ScheduleChoice(), CTimingForm::kWeekly, timing, true);
    Choose(timing.TimeChoice(), CTimingForm::kTimeOfDay, timing, false);
    timing.HoursEdit()->Text()->SetValue(ToWx("08"));
    timing.MinutesEdit()->Text()->SetValue(ToWx("29"));
    timing.MinutesEdit()->StepUp();
    timing.SecondsEdit()->Text()->SetValue(ToWx("00"));
    // Enter is OK: it is the default button.
    auto* ok = wxDynamicCast(shown.GetDefaultItem(), wxButton);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->GetId(), wxID_OK);
    Click(ok);
  });
  ASSERT_EQ(window->WatchList().GetCount(), 1);
  const WatchItem& stored = window->WatchList().GetItem(0);
  EXPECT_EQ(stored.m_name, "新着のお知らせ");
  EXPECT_EQ(stored.m_checkKind, "weekly");
  EXPECT_EQ(stored.m_time, 8 * 3600 + 30 * 60);
  EXPECT_EQ(stored.m_active, 0);  // a new item waits for its check box
  EXPECT_EQ(stored.m_tags, "news 国内");
  EXPECT_EQ(stored.m_browser, 1);
  EXPECT_EQ(stored.m_waitFor, "ul.news li");

  EndMainWindow();
  std::string file = ReadFile(CWatchList::FilePath());
  EXPECT_NE(file.find("Targ: http://127.0.0.1:9/news.html\r\n"), std::string::npos);
  EXPECT_NE(file.find("Name: 新着のお知らせ\r\n"), std::string::npos);
  EXPECT_NE(file.find("Agen: Pagewarden1.35\r\n"), std::string::npos);
  EXPECT_NE(file.find("Timi: define\r\nDate: "), std::string::npos);
  EXPECT_NE(file.find("Time: 30600\r\n"), std::string::npos);
}

// Answers every modal dialog with OK without showing it, and keeps what the message boxes said.
class CAnsweringHook : public wxModalDialogHook {
 public:
  std::vector<std::string> messages;

 protected:
  int Enter(wxDialog* dialog) override {
    if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) messages.push_back(FromWx(box->GetMessage()));
    return wxID_OK;
  }
  void Exit(wxDialog*) override {}
};

TEST_F(DefineSheetTest, ANameShiftJisCannotHoldKeepsTheUserOnThePage) {
  StartMainWindow();
  CAnsweringHook answering;
  RunSheet([&] { window->Command(ID_NEW_SITE); }, [&](CDefineSheet& shown) {
    answering.Register();  // now that the sheet itself is on the screen
    shown.PageData().UrlField()->ChangeValue(ToWx("http://127.0.0.1:9/news.html"));
    shown.PageData().NameField()->ChangeValue(wxString::FromUTF8("\xE3\x83\x8B\xF0\x9F\x98\x80"));
    shown.Accept();
    EXPECT_TRUE(shown.IsModal()) << "refused: the sheet stays";
    ASSERT_EQ(answering.messages.size(), 1u);
    EXPECT_NE(answering.messages[0].find("「名前」のShift_JIS (CP932) にない文字 U+1F600"), std::string::npos)
        << answering.messages[0];
    answering.Unregister();
    shown.PageData().NameField()->ChangeValue(ToWx("ニュース"));
    shown.Accept();
  });
  ASSERT_EQ(window->WatchList().GetCount(), 1);
  EXPECT_EQ(window->WatchList().GetItem(0).m_name, "ニュース");
  EndMainWindow();
}

TEST_F(DefineSheetTest, AnEditedScheduleIsStoredAndCancelStoresNothing) {
  {
    WatchItem item;
    item.m_url = "http://127.0.0.1:9/prices.html";
    item.m_name = "価格表";
    item.m_formData = "q=1";
    FILE* file = platform::OpenFile(CWatchList::FilePath(), "w");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(item.Write(file), 0);
    std::fclose(file);
  }
  StartMainWindow();
  RunSheet([&] { window->EditItem(1); }, [](CDefineSheet& shown) {
    EXPECT_EQ(shown.m_itemIndex, 1);
    EXPECT_EQ(FromWx(shown.PageData().NameField()->GetValue()), "価格表");
    shown.ShowPage(1);
    CTimingPage& timing = shown.Timing();
    Choose(timing.ScheduleChoice(), CTimingForm::kMonthly, timing, true);
    timing.Form().Day().SetText("15");
    Choose(timing.TimeChoice(), CTimingForm::kInterval, timing, false);
    timing.MinutesEdit()->Text()->SetValue(ToWx("45"));
    shown.Accept();
  });
  ASSERT_TRUE(RunEventsUntil([&] { return window->WatchList().GetItem(0).m_checkKind == "monthly"; }));
  WatchItem edited = window->WatchList().GetItem(0);
  EXPECT_EQ(edited.m_date, 15);
  EXPECT_EQ(edited.m_timing, "inter");
  EXPECT_EQ(edited.m_time, 45 * 60);
  EXPECT_EQ(edited.m_name, "価格表");
  EXPECT_EQ(edited.m_formData, "q=1");  // the form data page was never opened

  // The same sheet again: changes, then Cancel (Esc).
  RunSheet([&] { window->EditItem(1); }, [](CDefineSheet& shown) {
    EXPECT_FALSE(shown.m_accepted);
    shown.PageData().NameField()->ChangeValue(ToWx("取り消す名前"));
    shown.ShowPage(1);
    Choose(shown.Timing().ScheduleChoice(), CTimingForm::kDaily, shown.Timing(), true);
    // Esc is the cancel button (wx uses wxID_CANCEL while the escape id is left as it is).
    EXPECT_EQ(shown.GetEscapeId(), wxID_ANY);
    Click(shown.FindWindow(wxID_CANCEL));
  });
  RunEventsFor(200);
  EXPECT_EQ(window->WatchList().GetItem(0).m_name, "価格表");
  EXPECT_EQ(window->WatchList().GetItem(0).m_checkKind, "monthly");
  EXPECT_FALSE(sheet->m_accepted);

  EXPECT_EQ(window->WatchList().GetItem(0).m_time, 45 * 60);
  EndMainWindow();
}

TEST_F(DefineSheetTest, TheProgramEndingWhileTheSheetIsOpenStoresNothing) {
  StartMainWindow();
  int before = runs;
  onShown = [&](CDefineSheet& shown) {
    shown.PageData().UrlField()->ChangeValue(ToWx("http://127.0.0.1:9/late.html"));
    window->Command(ID_EXIT_PROGRAM);
  };
  window->Command(ID_NEW_SITE);
  ASSERT_TRUE(RunEventsUntil([&] { return runs > before && !window; }, 10000));
  EXPECT_EQ(ReadFile(CWatchList::FilePath()).find("late.html"), std::string::npos);
}

// The source view of an EUC-JP page: the anchor and the area selected with the mouse's
// selection, OK, and a check of the stored item takes the selected text as its area.
TEST_F(DefineSheetTest, AnAreaSelectedInTheSourceIsWhatTheCheckCompares) {
  const std::string page = "<html><body>\n<h1>ｾｰﾙ情報</h1>\r\n<p>本日の価格：\n1,280円（税込）</p>\n"
                           "<p>明日の価格：未定</p></body></html>\n";
  std::optional<std::string> euc = IconvConvert("EUC-JP", "CP932", page);
  ASSERT_TRUE(euc);
  LoopbackHttpServer server;
  server.SetDefault([&](const HttpRequestRecord&) { return ScriptedResponse::Ok(*euc); });
  platform::CCodePageConverter converter;
  CNoDisplay display;
  WatchItem stored;
  bool accepted = false;
  auto* sheet = new CDefineSheet(nullptr, world.app->m_settings, display, world.queue,
                                 [&](int, const WatchItem& item) {
                                   stored = item;
                                   accepted = true;
                                 },
                                 &converter);
  WatchItem item;
  item.m_url = server.Url("/sale.html");
  item.m_japaneseCode = JapaneseCode::Euc;  // EUC
  sheet->SetShownHook([&](CDefineSheet& shown) {
    shown.ShowPage(3);
    CCKOption& options = shown.CheckOptions();
    // A click on a toggle button flips it, then tells.
    wxToggleButton* anchorMode = options.ModeButton(CCheckOptionsForm::kAnchorKeyword);
    anchorMode->SetValue(!anchorMode->GetValue());
    wxCommandEvent toggled(wxEVT_TOGGLEBUTTON, anchorMode->GetId());
    toggled.SetEventObject(anchorMode);
    anchorMode->ProcessWindowEvent(toggled);
    EXPECT_TRUE(options.ModeButton(CCheckOptionsForm::kAnchorKeyword)->GetValue());
    EXPECT_TRUE(options.AnchorField()->IsEnabled());
    Click(options.ShowSourceButton());
    EXPECT_TRUE(options.Fetching());
    auto shownSource = [&] { return !options.Fetching() && !options.SourceView()->IsEmpty(); };
    ASSERT_TRUE(RunEventsUntil(shownSource, 10000));
    wxTextCtrl* view = options.SourceView();
    wxString text = view->GetValue();
    auto select = [&](const char* what, int length) {
      int at = text.Find(ToWx(what));
      ASSERT_NE(at, wxNOT_FOUND) << what;
      view->SetSelection(at, at + length);
    };
    // The second "の価格：", then "未定" after it.
    int second = text.find(ToWx("明日の価格："));
    view->SetSelection(second + 2, second + 6);
    Click(options.AnchorFromSourceButton());
    EXPECT_EQ(FromWx(options.AnchorField()->GetValue()), "の価格：");
    EXPECT_EQ(FromWx(options.NthField()->GetValue()), "2");
    ASSERT_TRUE(RunEventsUntil(shownSource, 10000));  // shown again for the new keyword
    select("未定", 2);
    Click(options.AreaFromSourceButton());
    EXPECT_EQ(FromWx(options.OffsetEdit()->Text()->GetValue()), "0");
    EXPECT_EQ(FromWx(options.SizeEdit()->Text()->GetValue()), "4");
    // The first one instead, across the lone LF: the area bytes count one byte for it.
    view->SetSelection(text.find(ToWx("本日の価格：")) + 2, text.find(ToWx("本日の価格：")) + 6);
    Click(options.AnchorFromSourceButton());
    ASSERT_TRUE(RunEventsUntil(shownSource, 10000));
    EXPECT_EQ(FromWx(options.NthField()->GetValue()), "1");
    select("1,280円", 6);
    Click(options.AreaFromSourceButton());
    EXPECT_EQ(FromWx(options.OffsetEdit()->Text()->GetValue()), "1");
    EXPECT_EQ(FromWx(options.SizeEdit()->Text()->GetValue()), "7");
    shown.Accept();
  });
  sheet->Load(item, 0);
  sheet->DoModal();
  sheet->Destroy();
  ASSERT_TRUE(accepted);
  EXPECT_EQ(stored.m_anchorKeyword, "の価格：");
  EXPECT_EQ(stored.m_anchorNth, 1);
  EXPECT_EQ(stored.m_japaneseCode, JapaneseCode::Euc);
  // The fetched page became the base: a private copy in "comp".
  EXPECT_EQ(UpToLast(stored.m_hiddenPath, '/'), ProgramFolder() + "/comp/");
  EXPECT_TRUE(platform::FileExists(stored.m_hiddenPath));

  CheckEnvironment environment;
  environment.m_converter = &converter;
  CReNew engine(environment);
  engine.Item() = stored;
  EXPECT_EQ(engine.Check(), CheckResult::Updated);  // a first area is an update
  EXPECT_EQ(engine.Item().m_compareData, "1,280円");
}

}  // namespace
