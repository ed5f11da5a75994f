// A large page's text is taken while the parser reads it, a part at a time, and a CSS
// selector is decided element by element; an XPath expression still runs on the whole
// tree. Both must give the same lines of the same page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/css_xpath.h"
#include "core/text/selection.h"
#include "platform/text_codec.h"

namespace {

// A page (CP932) of some 140 kilobytes, so that it reaches the parser in many parts:
// every rule of the reader text on the way, blanks between inline elements, characters
// whose second byte is '\' or '|' (表, ソ, 能), nested lists, tables and hidden parts that
// hold elements the selectors match.
std::string LargePage(const std::string& doctype = "<!DOCTYPE html>") {
  std::string page =
      doctype + "\n<html><head><title>表示</title><style>li{}</style>"
      "<script>var s = '<li class=\"a\">ソ</li>';</script></head><body>\n"
      "<div class=\"menu\"><a href=\"/\">トップ</a> <a href=\"/n\">ニュース</a></div>\n";
  for (int block = 0; block < 400; ++block) {
    std::string n = std::to_string(block);
    page += "<section class=\"news s" + n + "\"><h2>表 " + n + "</h2><!-- 生成 " + n + " -->\n"
            "<ul><li class=\"a\">ソフト&nbsp;" + n + " <b>能</b> <i>力</i></li>\n"
            "  <li>二つ目&amp;<span class=\"a\">内側</span></li><li class=\"a b\">三つ目<br>改行</li></ul>\n"
            "<table><tr><th>日付</th><td>12/" + n + "</td></tr></table>"
            "<noscript><li class=\"a\">隠れた</li></noscript>\n"
            "<p>本文 " + n + "　全角空白<p>閉じていない段落\n</section>\n";
  }
  return page + "<a href=\"/p\">前へ</a> <a href=\"/f\">次へ</a>\n"
                "<footer><p class=\"a\">閲覧数 1234</p></footer></body></html>\n";
}

}  // namespace

TEST(StreamedText, CssSelectorsGiveWhatTheirXPathGivesOnTheWholeTree) {
  std::string page = LargePage("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">");
  ASSERT_GT(page.size(), 2u * 64 * 1024);
  for (const char* css : {"li.a", "section.news li", "ul > li:first-child, h2", "li:nth-child(2n+1)",
                          "li:nth-child(2)", "section:nth-child(3) p", "[class*=' s'] .a", "li.a b"}) {
    for (const char* exclude : {"", "b, td, ul > li:first-child"}) {
      text::TextSettings byCss;
      byCss.selectCss = css;
      byCss.excludeCss = exclude;
      text::TextSettings byXPath = byCss;
      byXPath.selectCss.clear();
      byXPath.selectXPath =
          platform::Utf8ToCp932(text::CssToXPath(platform::Cp932ToUtf8(css)).xpath);
      text::ShownText streamed = text::TextToShow(page, byCss);
      text::ShownText whole = text::TextToShow(page, byXPath);
      ASSERT_EQ(streamed.error, "") << css;
      EXPECT_GT(streamed.matched, 0) << css;
      EXPECT_EQ(streamed.matched, whole.matched) << css << " / " << exclude;
      ASSERT_EQ(streamed.lines.size(), whole.lines.size()) << css << " / " << exclude;
      for (std::size_t i = 0; i < whole.lines.size(); ++i) {
        EXPECT_EQ(streamed.lines[i].text, whole.lines[i].text) << css << " line " << i;
        EXPECT_EQ(streamed.lines[i].selected, whole.lines[i].selected) << css << " line " << i;
      }
      text::ComparedText compared = text::TextToCompare(page, byCss);
      std::vector<std::string> selected;
      for (const text::ShownLine& line : whole.lines) {
        if (line.selected) selected.push_back(line.text);
      }
      EXPECT_EQ(compared.lines, selected) << css << " / " << exclude;
    }
  }
}

TEST(StreamedText, APageWithoutSelectionGivesEveryLineOnce) {
  std::string page = LargePage();
  std::vector<std::string> lines = text::TextToCompare(page, {}).lines;
  ASSERT_EQ(lines.size(), 400u * 8 + 3);
  EXPECT_EQ(lines[0], "トップ ニュース");
  EXPECT_EQ(lines[1], "表 0");
  EXPECT_EQ(lines[2], "ソフト 0 能 力");
  EXPECT_EQ(lines[3], "二つ目&内側");
  EXPECT_EQ(lines[4], "三つ目");
  EXPECT_EQ(lines[5], "改行");
  EXPECT_EQ(lines[6], "日付\t12/0");
  EXPECT_EQ(lines[7], "本文 0　全角空白");
  EXPECT_EQ(lines[8], "閉じていない段落");
  EXPECT_EQ(lines[lines.size() - 2], "前へ 次へ");
  EXPECT_EQ(lines.back(), "閲覧数 1234");
  text::TextSettings links;
  links.selectCss = "body > a";
  EXPECT_EQ(text::TextToCompare(page, links).lines,
            (std::vector<std::string>{"前へ", "次へ"}));
}
