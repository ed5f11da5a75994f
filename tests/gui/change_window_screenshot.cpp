// Not a test: the scene of the README's picture of the change window, run by
// scripts/screenshot_change.sh (skipped unless PAGEWARDEN_SCREENSHOT_DONE names the file the
// script creates once it has taken the picture).
#include <gtest/gtest.h>

#include <cstdlib>
#include <wx/frame.h>

#include "core/check/change_view.h"
#include "gui/check/change_window.h"
#include "gui_test_support.h"

namespace {

TEST(ChangeWindowScreenshot, ShowsAChangedPriceList) {
  const char* done = std::getenv("PAGEWARDEN_SCREENSHOT_DONE");
  if (!done) GTEST_SKIP() << "only for scripts/screenshot_change.sh";
  const std::string before =
      "<h1>価格表</h1>\n<table>\n<tr><td>りんご</td><td>120円</td></tr>\n"
      "<tr><td>みかん</td><td>80円</td></tr>\n<tr><td>ぶどう</td><td>450円</td></tr>\n"
      "</table>\n<p>2026年12月1日更新</p>\n";
  const std::string after =
      "<h1>価格表</h1>\n<table>\n<tr><td>りんご</td><td>120円</td></tr>\n"
      "<tr><td>みかん</td><td>95円</td></tr>\n<tr><td>ぶどう</td><td>450円</td></tr>\n"
      "<tr><td>いちご</td><td>680円</td></tr>\n</table>\n<p>2026年12月7日更新</p>\n";
  PageChange change;
  change.status = PageChange::kShown;
  change.hunks = DiffTexts(before, after, 2);
  auto* owner = new wxFrame(nullptr, wxID_ANY, wxASCII_STR("owner"));
  auto* window = new CChangeWindow(owner, CChangeView("価格表", change));
  window->SetSize(40, 40, 640, 400);
  window->Show();
  HoldForScreenshot(*window, done);
  window->Destroy();
  owner->Destroy();
  RunEventsFor(50);
}

}  // namespace
