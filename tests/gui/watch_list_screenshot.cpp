// Not a test: the scene of the README's picture of the watch list window, run by
// scripts/screenshot_watch_list.sh (skipped unless PAGEWARDEN_SCREENSHOT_DONE names the file
// the script creates once it has taken the picture).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <wx/frame.h>
#include <wx/listctrl.h>

#include "core/check/check_results.h"
#include "core/watch/watch_list.h"
#include "gui/ui/edit_box.h"
#include "gui_test_support.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "support/check_fixture.h"

namespace {

TEST(WatchListScreenshot, ShowsTheWindowWithAFewItems) {
  const char* done = std::getenv("PAGEWARDEN_SCREENSHOT_DONE");
  if (!done) GTEST_SKIP() << "only for scripts/screenshot_watch_list.sh";
  CheckFixture fixture;
  CWxUiQueue queue;
  CRecordingResultView view;
  CWatchList list{fixture.MakeEngine()};
  CCheckResults results{list, view};
  list.Init(&queue, &results);

  int now = static_cast<int>(platform::Now());
  struct Scene {
    const char* name;
    const char* url;
    const char* kind;
    const char* timing;
    int date, time, lastCheck, lastUpdate, mark, active;
  };
  const Scene scenes[] = {
      {"本日のお知らせ", "https://news.example.jp/info/", "daily", "inter", 0, 3600, now - 600,
       now - 700, 1, 1},
      {"価格表", "https://shop.example.jp/price.html", "weekly", "define", 2 | 8 | 32, 9 * 3600,
       now - 86400, now - 3 * 86400, 0, 1},
      {"移転したページ", "http://old.example.jp/page.html", "daily", "open", 0, 0, now - 3600, 0,
       2, 1},
      {"月報", "https://example.jp/monthly/", "monthly", "define", 1, 8 * 3600, 0, 0, 2, 0},
  };
  for (const Scene& scene : scenes) {
    WatchItem item;
    item.m_name = scene.name;
    item.m_url = scene.url;
    item.m_checkKind = scene.kind;
    item.m_timing = scene.timing;
    item.m_date = scene.date;
    item.m_time = scene.time;
    item.m_lastCheck = scene.lastCheck;
    item.m_lastUpdate = scene.lastUpdate;
    item.m_renewMark = FromStoredNumber<UpdateMark>(scene.mark);
    item.m_active = scene.active;
    item.m_nextCheck = -1;  // nothing is fetched
    list.AddItem(item);
  }

  auto* owner = new wxFrame(nullptr, wxID_ANY, wxASCII_STR("owner"));
  AppSettings settings;
  WatchListWindowLayout layout;
  layout.m_columnWidths = {150, 130, 130, 190, 250};
  auto* box = new CEditBox(owner, list, settings, layout);
  box->SetSize(40, 40, 900, 300);
  box->ShowWindow();
  box->List()->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  HoldForScreenshot(*box, done);
  box->Destroy();
  owner->Destroy();
  RunEventsFor(50);
}

}  // namespace
