// The check options page's text comparison in the real sheet: the fourth mode button, a
// selector typed in, and "テスト" showing how many elements it matches on the page fetched.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>

#include "core/common/path_utils.h"
#include "gui/ui/sheet/check_options_page.h"
#include "gui/ui/sheet/define_sheet.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "support/loopback_http_server.h"

namespace {

void Toggle(wxToggleButton* button) {
  // A click on a toggle button flips it, then tells.
  button->SetValue(!button->GetValue());
  wxCommandEvent toggled(wxEVT_TOGGLEBUTTON, button->GetId());
  toggled.SetEventObject(button);
  button->ProcessWindowEvent(toggled);
}

void Click(wxWindow* button) {
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->ProcessWindowEvent(click);
}

}  // namespace

TEST(TextComparePage, TheModeButtonASelectorAndTheTestShowWhatTheCheckWouldCompare) {
  GuiWorld world;
  platform::MakeDirectory(ProgramFolder() + "/comp");
  const std::string page = "<html><body><div class=\"ad\">広告</div><ul class=\"news\">"
                           "<li>休業のお知らせ</li><li>新製品</li><li>閲覧数 12</li></ul></body></html>";
  LoopbackHttpServer server;  // the page in Shift_JIS, as the literal holds it
  server.SetDefault([&](const HttpRequestRecord&) { return ScriptedResponse::Ok(page); });
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
  item.m_url = server.Url("/news.html");
  item.m_compareAll = 1;
  item.m_japaneseCode = JapaneseCode::ShiftJis;
  sheet->SetShownHook([&](CDefineSheet& shown) {
    shown.ShowPage(3);
    CCKOption& options = shown.CheckOptions();
    EXPECT_FALSE(options.SelectorField()->IsEnabled());
    Toggle(options.ModeButton(CCheckOptionsForm::kTextCompare));
    // One mode at a time: the full text button went off.
    EXPECT_TRUE(options.ModeButton(CCheckOptionsForm::kTextCompare)->GetValue());
    EXPECT_FALSE(options.ModeButton(CCheckOptionsForm::kFullText)->GetValue());
    EXPECT_TRUE(options.SelectorField()->IsEnabled());

    options.SelectorField()->ChangeValue(ToWx("ul.news li"));
    options.IgnoreField()->ChangeValue(ToWx("^閲覧数"));
    options.AddedOnlyBox()->SetValue(true);
    Click(options.TestButton());  // no page yet: fetched first
    ASSERT_TRUE(RunEventsUntil([&] { return !options.Fetching() && !options.SourceView()->IsEmpty(); }, 10000));
    EXPECT_EQ(FromWx(options.TestResult()->GetLabel()), "一致した要素: 3 個, 2 行");
    // The view holds the text, not the markup.
    std::string view = FromWx(options.SourceView()->GetValue());
    EXPECT_NE(view.find("広告\n休業のお知らせ\n新製品\n"), std::string::npos) << view;
    EXPECT_EQ(view.find("<li>"), std::string::npos);

    options.SelectorField()->ChangeValue(ToWx("ul.gone"));
    Click(options.TestButton());
    EXPECT_EQ(FromWx(options.TestResult()->GetLabel()), kNothingSelectedSummary);
    options.SelectorField()->ChangeValue(ToWx("li:hover"));
    Click(options.TestButton());
    EXPECT_EQ(FromWx(options.TestResult()->GetLabel()), "CSS セレクタの 3 文字目: この擬似クラスは使えません (「:」)");
    options.SelectorField()->ChangeValue(ToWx("//ul[@class='news']/li"));
    shown.Accept();
  });
  sheet->Load(item, 0);
  sheet->DoModal();
  sheet->Destroy();
  ASSERT_TRUE(accepted);
  EXPECT_EQ(stored.m_textCompare, 1);
  EXPECT_EQ(stored.m_compareAll, 0);
  EXPECT_EQ(stored.m_selectXPath, "//ul[@class='news']/li");
  EXPECT_EQ(stored.m_selectCss, "");
  EXPECT_EQ(stored.m_ignoreLines, "^閲覧数");
  EXPECT_EQ(stored.m_addedOnly, 1);
}
