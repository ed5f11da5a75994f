// Text items checked against a real nginx: the outcomes a user of the text comparison
// meets, through the check engine and through the command-line program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/check/check_results.h"
#include "core/check/page_diff.h"
#include "core/check/renew.h"
#include "core/check/text_compare.h"
#include "support/check_fixture.h"
#include "support/child_process.h"
#include "support/iconv_oracle.h"
#include "support/nginx_server.h"
#include "support/temp_folder.h"

namespace {

// A news page in EUC-JP with the noise of a real site: a form token, the time it was
// made, an advertisement and a view counter, each different at every request.
std::string NewsPage(const std::vector<std::string>& news, int noise) {
  std::string page =
      "<html><head><meta charset=\"EUC-JP\"><script src=\"/app.js?v=" + std::to_string(noise) +
      "\"></script></head><body>\n<form><input type=\"hidden\" name=\"token\" value=\"t" +
      std::to_string(noise * 7919) + "\"></form>\n<div class=\"ad\">広告 " + std::to_string(noise) +
      "</div>\n<ul class=\"news\">\n";
  for (const std::string& line : news) page += "  <li>" + line + "</li>\n";
  page += "</ul>\n<p class=\"footer\">生成時刻 12:" + std::to_string(10 + noise) + " / 閲覧数 " +
          std::to_string(1000 + noise) + "</p>\n</body></html>\n";
  return IconvConvert("EUC-JP", "CP932", page).value_or("");
}

class TextChecksOnNginxTest : public ::testing::Test, public CheckFixture {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_NGINX();
    engine.SetNotifyTarget(&queue, &notify);
    // Pages rewritten within a second at the same size would be answered 304: every check
    // here reads the page.
    nginx.AddServerConfig("etag off; if_modified_since off;");
    Publish({"休業のお知らせ", "新製品"}, 1);
    ASSERT_TRUE(nginx.Start()) << nginx.Failure();
  }
  void Publish(const std::vector<std::string>& news, int noise) {
    nginx.AddFile("news.html", NewsPage(news, noise));
  }
  WatchItem TextItem() const {
    WatchItem item = DateItem("/");
    item.m_url = nginx.Url("/news.html");
    item.m_textCompare = 1;
    item.m_japaneseCode = JapaneseCode::Euc;
    item.m_excludeCss = ".ad";
    item.m_ignoreLines = "^生成時刻";
    return item;
  }
  WatchItem Check(WatchItem item) { return CheckNow(engine, notify, std::move(item)); }

  NginxServer nginx;
  CReNew engine{Environment()};
  CRecordingNotify notify;
};

}  // namespace

TEST_F(TextChecksOnNginxTest, NoiseIsNoUpdateAndANewLineIsOneAddedLine) {
  WatchItem item = Check(TextItem());
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;
  Publish({"休業のお知らせ", "新製品"}, 2);
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::NotUpdated);
  // A new selection is no change by itself, nor is going back to the old one.
  item.m_selectCss = "ul.news > li:first-child";
  Publish({"休業のお知らせ", "新製品"}, 3);
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::NotUpdated);
  item.m_selectCss.clear();
  Publish({"休業のお知らせ", "新製品"}, 5);
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::NotUpdated);

  Publish({"年末年始の営業", "休業のお知らせ", "新製品"}, 4);
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::Updated);
  PageChange change = LoadPageChange(item, &converter);
  ASSERT_EQ(change.status, PageChange::kShown);
  ASSERT_EQ(change.hunks.size(), 1u);
  std::vector<std::string> changed;
  for (const DiffLine& line : change.hunks[0].lines) {
    if (line.kind != DiffLine::kContext) changed.push_back(std::string(1, line.kind) + line.text);
  }
  EXPECT_EQ(changed, (std::vector<std::string>{"+年末年始の営業"}));
}

TEST_F(TextChecksOnNginxTest, WithAddedOnlyARemovalIsKeptQuietlyAndTheNextAdditionTold) {
  WatchItem item = TextItem();
  item.m_selectCss = "ul.news > li";
  item.m_addedOnly = 1;
  item = Check(item);
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;

  Publish({"新製品"}, 2);
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::NotUpdated);
  EXPECT_EQ(CCheckResults::ResultText(item), "更新されていません");
  // The removal became the held text: the line coming back is an addition.
  Publish({"休業のお知らせ", "新製品"}, 3);
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::Updated);
}

TEST_F(TextChecksOnNginxTest, ARedesignedPageWithoutTheSelectedPartIsItsOwnResult) {
  WatchItem item = TextItem();
  item.m_selectXPath = "//ul[@class='news']/li";
  item = Check(item);
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;

  nginx.AddFile("news.html", "<html><body><section><h2>お知らせ</h2><p>新製品</p></section></body></html>");
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::Error);
  EXPECT_EQ(CCheckResults::ResultText(item), kNothingSelectedText);
  // The held version stays: once the part is back unchanged, nothing changed.
  Publish({"休業のお知らせ", "新製品"}, 4);
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::NotUpdated);
}

// As a user runs it: a bad rule is refused, `select` shows what the item would compare,
// and `diff` shows text lines.
TEST(TextCliOnNginx, TheCommandLineRefusesABadRuleAndShowsTheSelectedText) {
  SKIP_WITHOUT_NGINX();
  NginxServer nginx;
  nginx.AddFile("news.html", NewsPage({"休業のお知らせ", "新製品"}, 1));
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();
  TempFolder home;
  setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
  auto cli = [&home](std::vector<std::string> args) {
    return RunOnDataFolder(PAGEWARDEN_CLI, home.Path(), std::move(args));
  };
  RunResult refused = cli({"add", nginx.Url("/news.html"), "--ignore", "閲覧数 (\\d+"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.errors.find("missing closing parenthesis (位置 8)"), std::string::npos)
      << refused.errors;
  EXPECT_EQ(cli({"add", nginx.Url("/news.html"), "--keyword", "x", "--added-only"}).status, 2);

  ASSERT_EQ(cli({"add", nginx.Url("/news.html"), "--select", "ul.news li", "--code", "euc"}).status, 0);
  RunResult selected = cli({"select", "1"});
  EXPECT_EQ(selected.status, 0) << selected.errors;
  EXPECT_EQ(selected.output, "休業のお知らせ\n新製品\n");
  // It fetches as a check does: through the program-wide proxy, here one that is not there.
  ASSERT_EQ(cli({"settings", "proxy", "127.0.0.1:1"}).status, 0);
  ASSERT_EQ(cli({"settings", "no-proxy-for-local", "0"}).status, 0);
  EXPECT_EQ(cli({"select", "1"}).status, 1);
  ASSERT_EQ(cli({"settings", "proxy", ""}).status, 0);

  ASSERT_EQ(cli({"check", "1", "--no-actions"}).status, 0);
  nginx.AddFile("news.html", NewsPage({"休業のお知らせ", "新製品", "採用情報"}, 2));
  ASSERT_EQ(cli({"check", "1", "--no-actions"}).status, 0);
  RunResult diff = cli({"diff", "1", "--no-color"});
  EXPECT_EQ(diff.status, 0) << diff.errors;
  EXPECT_NE(diff.output.find("\n 新製品\n+採用情報\n"), std::string::npos) << diff.output;
  EXPECT_EQ(diff.output.find("<li>"), std::string::npos) << diff.output;
}
