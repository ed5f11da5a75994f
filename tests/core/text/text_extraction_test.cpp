// The text a text item compares, taken from pages shaped as real sites write them, in each
// Japanese code the program reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/check/page_text.h"
#include "core/text/added_lines.h"
#include "core/text/selection.h"
#include "platform/code_page_converter.h"
#include "support/iconv_oracle.h"

namespace {

using Lines = std::vector<std::string>;

// A news page with everything a reader does not see: head, style, script, a comment with
// the time it was made, noscript and template.
std::string NewsPage(const std::string& charset) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"" + charset +
         "\"><title>お知らせ</title>\n<style>p{color:red}</style>"
         "<script>var token = \"トークン\"; document.write('<p>書かれた</p>');</script></head>\n"
         "<body>\n<!-- 生成 2026/12/08 12:00 -->\n"
         "<header><h1>新着   情報</h1></header>\n"
         "<div class=\"news main\"><ul>\n  <li>十二月の&nbsp;お知らせ &amp; 予定</li>\n"
         "  <li>年末の<b>休業</b>日</li>\n  <li>&#x5E74;始&#12398;営業</li>\n</ul></div>\n"
         "<noscript>スクリプトを有効にしてください</noscript><template><p>ひな形</p></template>\n"
         "<table><tr><th>日付</th><td>内容</td></tr>\n<tr><td>12/1</td><td>開店</td></tr></table>\n"
         "<p>一行目<br>二行目<br/>\n\n</p><p>   </p>\n"
         "<div id=\"ad\">広告です</div>\n<p class=\"counter\">閲覧数 1234</p>\n"
         "</body></html>\n";
}

const Lines kNewsLines = {"新着 情報", "十二月の お知らせ & 予定", "年末の休業日", "年始の営業",
                          "日付\t内容", "12/1\t開店", "一行目", "二行目", "広告です",
                          "閲覧数 1234"};

class TextExtractionTest : public ::testing::Test {
 protected:
  // The page's bytes in `code` (Jpco) as the check reads them, then its compared text.
  text::ComparedText Compared(const std::string& bytes, JapaneseCode code,
                              const text::TextSettings& settings = {}) {
    std::optional<std::string> page = PageText(&m_converter, bytes, code);
    EXPECT_TRUE(page.has_value());
    return text::TextToCompare(page.value_or(""), settings);
  }
  Lines Text(const std::string& bytes, const text::TextSettings& settings = {}) {
    text::ComparedText compared = Compared(bytes, JapaneseCode::ShiftJis, settings);
    EXPECT_EQ(compared.status, text::ComparedText::kText) << compared.error;
    return compared.lines;
  }

  platform::CCodePageConverter m_converter;
};

}  // namespace

TEST_F(TextExtractionTest, EveryJapaneseCodeGivesTheReaderTextWhateverTheMetaTagSays) {
  struct Case {
    const char* iconvName;
    const char* charset;
    JapaneseCode code;
  };
  using enum JapaneseCode;
  for (const Case& encoding : {Case{"CP932", "Shift_JIS", ShiftJis}, Case{"EUC-JP", "EUC-JP", Euc},
                               Case{"ISO-2022-JP", "ISO-2022-JP", Jis}, Case{"UTF-8", "UTF-8", Utf8},
                               Case{"EUC-JP", "EUC-JP", Auto}, Case{"UTF-8", "UTF-8", Auto}}) {
    std::optional<std::string> bytes = IconvConvert(encoding.iconvName, "CP932", NewsPage(encoding.charset));
    ASSERT_TRUE(bytes) << encoding.iconvName;
    text::ComparedText compared = Compared(*bytes, encoding.code);
    EXPECT_EQ(compared.status, text::ComparedText::kText);
    EXPECT_EQ(compared.lines, kNewsLines) << encoding.iconvName << " as code " << StoredNumber(encoding.code);
    EXPECT_EQ(compared.matched, -1);
  }
}

TEST_F(TextExtractionTest, ReformattingAndMarkupNoiseLeaveTheTextAlone) {
  std::string reformatted = NewsPage("Shift_JIS");
  // Another token, another build time, re-indented, attributes and a cache-busting query.
  for (auto [from, to] : {std::pair<std::string, std::string>{"トークン", "別のトークン"},
                          {"12:00", "12:05"},
                          {"\n  <li>", "\n\t\t<li class=\"item\">"},
                          {"<b>休業</b>", "<b\n>休業</b >"},
                          {"<title>", "<link rel=\"stylesheet\" href=\"/a.css?v=123\"><title>"}}) {
    reformatted.replace(reformatted.find(from), from.size(), to);
  }
  EXPECT_EQ(Text(reformatted), kNewsLines);
}

TEST_F(TextExtractionTest, SelectionKeepsTheMatchedElementsOnlyEachOnItsOwnLines) {
  std::string page = NewsPage("Shift_JIS");
  text::TextSettings settings;
  settings.selectCss = "div.news li";
  text::ComparedText compared = Compared(page, JapaneseCode::ShiftJis, settings);
  EXPECT_EQ(compared.matched, 3);
  EXPECT_EQ(compared.lines, (Lines{"十二月の お知らせ & 予定", "年末の休業日", "年始の営業"}));

  // Nested matches give their text once; an inline element matched starts a line.
  settings.selectCss = "ul, li, b";
  EXPECT_EQ(Text(page, settings), (Lines{"十二月の お知らせ & 予定", "年末の休業日", "年始の営業"}));
  settings.selectCss = "h1, b";
  EXPECT_EQ(Text(page, settings), (Lines{"新着 情報", "休業"}));

  settings = {};
  settings.selectXPath = "//table//tr[2] | //h1";
  EXPECT_EQ(Text(page, settings), (Lines{"新着 情報", "12/1\t開店"}));

  settings = {};
  settings.excludeCss = "#ad, p.counter, header";
  Lines expected(kNewsLines.begin() + 1, kNewsLines.end() - 2);
  EXPECT_EQ(Text(page, settings), expected);
}

TEST_F(TextExtractionTest, ASelectionThatMatchesNothingOrCannotRunIsNoText) {
  text::TextSettings settings;
  settings.selectCss = "#gone .news";
  EXPECT_EQ(Compared(NewsPage("Shift_JIS"), JapaneseCode::ShiftJis, settings).status,
            text::ComparedText::kNothingSelected);

  settings.selectCss = "li:hover";
  text::ComparedText compared = Compared(NewsPage("Shift_JIS"), JapaneseCode::ShiftJis, settings);
  EXPECT_EQ(compared.status, text::ComparedText::kFault);
  EXPECT_NE(compared.error.find("3 文字目"), std::string::npos) << compared.error;

  settings = {};
  settings.selectXPath = "count(//li)";
  EXPECT_EQ(Compared(NewsPage("Shift_JIS"), JapaneseCode::ShiftJis, settings).status,
            text::ComparedText::kFault);
  EXPECT_EQ(text::XPathFault("//li["), "XPath が使えません: Invalid expression (位置 6)");
  EXPECT_EQ(text::XPathFault("//li[@class='a']"), "");
}

TEST_F(TextExtractionTest, IgnoreRulesLeaveOutTheLinesTheyMatchCountingCharactersNotBytes) {
  text::TextSettings settings;
  // Four characters, twelve bytes in UTF-8: the rule sees characters.
  settings.ignoreLines = "^閲覧数 \\d+$\n\n^年..営業$";
  Lines lines = Text(NewsPage("Shift_JIS"), settings);
  Lines expected = kNewsLines;
  std::erase(expected, "閲覧数 1234");
  std::erase(expected, "年始の営業");
  EXPECT_EQ(lines, expected);

  // "&amp;" is read as "&" before any rule sees the line.
  settings.ignoreLines = "amp;";
  EXPECT_EQ(Text(NewsPage("Shift_JIS"), settings), kNewsLines);

  const std::string stamped = "<p>Updated at 10:00</p><p>本文</p>";
  settings.ignoreLines = "^updated at";
  EXPECT_EQ(Text(stamped, settings), (Lines{"Updated at 10:00", "本文"}));
  settings.ignoreCase = true;
  EXPECT_EQ(Text(stamped, settings), (Lines{"本文"}));

  settings.ignoreLines = "ok\n(unclosed";
  text::ComparedText compared = Compared(NewsPage("Shift_JIS"), JapaneseCode::ShiftJis, settings);
  EXPECT_EQ(compared.status, text::ComparedText::kFault);
  EXPECT_EQ(compared.error,
            "無視する行 2 行目の正規表現が使えません: missing closing parenthesis (位置 9)");
}

TEST(AddedLines, OnlyLinesOrCopiesTheOldTextLacksCountAsAdded) {
  const Lines before = {"a", "b", "c"};
  EXPECT_FALSE(text::CompareLines(before, before).changed);
  text::LineChange removed = text::CompareLines(before, {"a", "c"});
  EXPECT_TRUE(removed.changed);
  EXPECT_FALSE(removed.added);
  text::LineChange moved = text::CompareLines(before, {"c", "a", "b"});
  EXPECT_TRUE(moved.changed);
  EXPECT_FALSE(moved.added);
  EXPECT_TRUE(text::CompareLines(before, {"a", "b", "c", "a"}).added);
  EXPECT_TRUE(text::CompareLines(before, {"a", "B"}).added);
  EXPECT_TRUE(text::CompareLines({}, {"new"}).added);
}
