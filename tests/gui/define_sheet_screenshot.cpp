// Not a test: the scene of the README's pictures of the site definition sheet, run by
// scripts/screenshot_define_sheet.sh once for each page (PAGEWARDEN_SHEET_PAGE, from 0);
// skipped unless PAGEWARDEN_SCREENSHOT_DONE names the file the script creates once it has
// taken the picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <wx/frame.h>
#include <wx/listctrl.h>

#include "core/common/app_settings.h"
#include "gui/app/main_messages.h"
#include "gui/ui/sheet/check_options_page.h"
#include "gui/ui/sheet/define_sheet.h"
#include "gui/ui/sheet/form_data_page.h"
#include "gui_test_support.h"
#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "support/iconv_oracle.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"

namespace {

constexpr int kCheckOptionsPage = 3;

bool ShowsCheckOptions(const char* page) { return page && std::atoi(page) == kCheckOptionsPage; }

TEST(DefineSheetScreenshot, ShowsEachPageOfAnItem) {
  const char* done = std::getenv("PAGEWARDEN_SCREENSHOT_DONE");
  if (!done) GTEST_SKIP() << "only for scripts/screenshot_define_sheet.sh";
  WatchItem item;
  item.m_name = "価格表";
  item.m_url = "https://shop.example.jp/price.cgi";
  item.m_referer = "https://shop.example.jp/";
  item.m_userAgent = "Pagewarden1.35";
  item.m_checkKind = "weekly";
  item.m_date = 2 | 8 | 32;
  item.m_timing = "define";
  item.m_time = 9 * 3600;
  item.m_download = DownloadMode::Overwrite;
  item.m_savePath = "/home/taro/価格表.html";
  item.m_useMail = 1;
  item.m_mailTo = "taro@example.jp";
  item.m_mailSubject = "価格表が更新されました";
  item.m_mailBody = "価格表のページをご覧ください。";
  item.m_formData = "category=%8e%9e%8cv&sort=price&page=1";

  // The check options page shows the source of a page written in EUC-JP, served here.
  LoopbackHttpServer server;
  std::optional<std::string> source = IconvConvert(
      "EUC-JP", "CP932",
      "<html>\n<head>\n<meta charset=\"EUC-JP\">\n<title>腕時計 価格表</title>\n</head>\n<body>\n"
      "<h1>腕時計 価格表</h1>\n<table>\n<tr><td>品番</td><td>価格</td></tr>\n"
      "<tr><td>WT-100</td><td>本体価格：12,800円（税込）</td></tr>\n"
      "<tr><td>WT-200</td><td>本体価格：19,800円（税込）</td></tr>\n"
      "<tr><td>WT-300</td><td>本体価格：24,000円（税込）</td></tr>\n"
      "</table>\n<p>在庫は毎朝更新します。</p>\n</body>\n</html>\n");
  server.SetDefault([&](const HttpRequestRecord&) { return ScriptedResponse::Ok(source.value_or("")); });
  TempFolder folder;
  platform::SetProgramFolder(folder.Path());
  platform::MakeDirectory(folder.File("comp"));
  platform::CCodePageConverter converter;
  if (ShowsCheckOptions(std::getenv("PAGEWARDEN_SHEET_PAGE"))) {
    item.m_url = server.Url("/price.html");
    item.m_download = DownloadMode::PrivateCopy;
    item.m_japaneseCode = JapaneseCode::Auto;
    item.m_anchorKeyword = "本体価格：";
    item.m_anchorNth = 2;
    item.m_compareOffset = 0;
    item.m_compareSize = 10;
  }

  CWxUiQueue queue;
  CNoDisplay display;
  AppSettings settings;
  auto* owner = new wxFrame(nullptr, wxID_ANY, wxASCII_STR("owner"));
  auto* sheet = new CDefineSheet(owner, settings, display, queue, {}, &converter);
  const char* pageText = std::getenv("PAGEWARDEN_SHEET_PAGE");
  int page = pageText ? std::atoi(pageText) : 0;
  sheet->SetShownHook([done, page](CDefineSheet& shown) {
    shown.Move(40, 40);
    shown.ShowPage(page);
    wxListCtrl* rows = shown.FormData().List();
    if (rows->GetItemCount() > 1) rows->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    if (page == kCheckOptionsPage) {
      CCKOption& options = shown.CheckOptions();
      options.ShowSource();
      RunEventsUntil([&] { return !options.Fetching(); }, 10000);
      options.SourceView()->SetFocus();
    }
    RunEventsFor(500);
    std::printf("SCREENSHOT READY\n");
    std::fflush(stdout);
    RunEventsUntil([&] { return platform::FileExists(done); }, 60000);
    shown.EndModal(wxID_CANCEL);
  });
  sheet->Load(item, 0);
  sheet->DoModal();
  sheet->Destroy();
  owner->Destroy();
  RunEventsFor(50);
}

}  // namespace
