#include "core/check/source_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/check/keyword_search.h"
#include "support/scripted_prompter.h"

namespace {

using Breaks = std::vector<std::pair<int, int>>;

class SourceTextTest : public ::testing::Test {
 protected:
  // The display range of the first occurrence of `text` at or after `from`.
  TextRange DisplayRange(const std::string& text, std::size_t from = 0) const {
    std::size_t at = m_source.Display().find(text, from);
    EXPECT_NE(at, std::string::npos) << text;
    return {static_cast<int>(at), static_cast<int>(at + text.size())};
  }

  CScriptedPrompter m_prompter;
  CSourceText m_source{m_prompter};
};

}  // namespace

TEST_F(SourceTextTest, LineBreaksBecomeCrLf) {
  m_source.SetText("a\nb\nc");
  EXPECT_EQ(m_source.Display(), "a\r\nb\r\nc");
  EXPECT_EQ(m_source.Breaks(), (Breaks{{2, 3}, {4, 6}}));
  EXPECT_EQ(m_source.RawToDisplay(4), 6);
  EXPECT_EQ(m_source.DisplayToRaw(6), 4);
  EXPECT_EQ(m_source.RawToDisplay(0), 0);
  EXPECT_EQ(m_source.RawToDisplay(1), 1);
  EXPECT_EQ(m_source.RawToDisplay(5), 7);
  EXPECT_EQ(m_source.DisplayToRaw(7), 5);
  EXPECT_EQ(m_source.DisplayToRaw(3), 2);

  // CR LF stays and needs no pair; a lone CR becomes CR LF like a lone LF.
  m_source.SetText("a\r\nb\rc\n\nd");
  EXPECT_EQ(m_source.Display(), "a\r\nb\r\nc\r\n\r\nd");
  EXPECT_EQ(m_source.Breaks(), (Breaks{{5, 6}, {7, 9}, {8, 11}}));
  for (int raw : {0, 3, 4, 5, 6, 7, 8, 9}) {
    EXPECT_EQ(m_source.DisplayToRaw(m_source.RawToDisplay(raw)), raw) << raw;
  }
  EXPECT_EQ(m_source.Display()[m_source.RawToDisplay(8)], 'd');

  // A text ending in a lone break keeps no pair for that last break.
  m_source.SetText("a\nb\n");
  EXPECT_EQ(m_source.Display(), "a\r\nb\r\n");
  EXPECT_EQ(m_source.Breaks(), (Breaks{{2, 3}}));
  m_source.SetText("\n");
  EXPECT_TRUE(m_source.Breaks().empty());
  m_source.SetText("");
  EXPECT_EQ(m_source.Display(), "");
  EXPECT_TRUE(m_source.Breaks().empty());
  EXPECT_EQ(m_source.RawToDisplay(0), 0);
}

TEST_F(SourceTextTest, FindAnchorTakesTheNthOrTheLastFound) {
  m_source.SetText("<td>\n<td>\n<td>x");
  EXPECT_EQ(m_source.FindAnchor("<td>", 2), 2);
  EXPECT_EQ(m_source.AnchorSelection(), (TextRange{6, 10}));  // display positions
  EXPECT_EQ(m_source.FindAnchor("<td>", 0), 1);
  EXPECT_EQ(m_source.AnchorSelection(), (TextRange{0, 4}));
  EXPECT_TRUE(m_prompter.Messages().empty());

  // Fifth of three: the third is used, and the user is told with the number asked for.
  EXPECT_EQ(m_source.FindAnchor("<td>", 5), 3);
  EXPECT_EQ(m_source.AnchorSelection(), (TextRange{12, 16}));
  ASSERT_EQ(m_prompter.Messages().size(), 1u);
  EXPECT_EQ(m_prompter.Messages()[0],
            "5番目のアンカーキーワードが見つからなかったので、最後に見つかった同じ文字列を採用"
            "します。");

  EXPECT_EQ(m_source.FindAnchor("<th>", 1), 0);
  EXPECT_EQ(m_source.AnchorSelection(), (TextRange{0, 0}));
  ASSERT_EQ(m_prompter.Messages().size(), 2u);
  EXPECT_EQ(m_prompter.Messages()[1], "アンカーキーワードが見つかりませんでした。");

  // An empty keyword clears the anchor without a message.
  m_source.FindAnchor("<td>", 1);
  EXPECT_EQ(m_source.FindAnchor("", 1), 0);
  EXPECT_EQ(m_source.AnchorSelection(), (TextRange{0, 0}));
  EXPECT_EQ(m_prompter.Messages().size(), 2u);
}

TEST_F(SourceTextTest, FindAnchorIsLeadByteAware) {
  // "メア" (83 81 83 41) holds the bytes of "＜" (81 83) across its characters.
  m_source.SetText("メア＜");
  EXPECT_EQ(m_source.FindAnchor("＜", 1), 1);
  EXPECT_EQ(m_source.AnchorSelection(), (TextRange{4, 6}));
}

TEST_F(SourceTextTest, OccurrenceIndexNamesTheSelectionForFindAnchor) {
  m_source.SetText("ab\nab\naab");
  EXPECT_EQ(m_source.OccurrenceIndex(DisplayRange("ab")), 1);
  TextRange third = DisplayRange("ab", 5);
  EXPECT_EQ(m_source.OccurrenceIndex(third), 3);
  EXPECT_EQ(m_source.FindAnchor("ab", 3), 3);
  EXPECT_EQ(m_source.AnchorSelection(), third);
  // Overlapping occurrences before the selection count, as FindAnchor counts them.
  m_source.SetText("aaaa");
  EXPECT_EQ(m_source.OccurrenceIndex({2, 4}), 3);
  m_source.FindAnchor("aa", 3);
  EXPECT_EQ(m_source.AnchorSelection(), (TextRange{2, 4}));
}

TEST_F(SourceTextTest, AreaFromSelectionGivesRawOffsetAndSize) {
  const std::string raw = "<p>\nprice:\n12,800\nyen</p>";
  m_source.SetText(raw);
  m_source.FindAnchor("price:", 1);
  TextRange selected = DisplayRange("12,800\r\nyen");
  std::optional<CheckArea> area = m_source.AreaFromSelection("price:", 1, selected);
  ASSERT_TRUE(area);
  EXPECT_EQ(*area, (CheckArea{1, 10}));  // after the anchor's LF; the LF inside is one byte
  EXPECT_EQ(m_source.AreaSelection(), selected);
  // At check time the stored offset and size take exactly the selected text.
  EXPECT_EQ(ExtractArea(raw, "price:", 1, area->offset, area->size), "12,800\nyen");
  // And the stored area highlights the same selection again.
  ASSERT_TRUE(m_source.FindArea(area->offset, area->size, "price:", 1));
  EXPECT_EQ(m_source.AreaSelection(), selected);
}

TEST_F(SourceTextTest, AreaFromSelectionAfterTheNthAnchor) {
  const std::string raw = "<b>\r\n1</b>\n<b>\n2</b>\r<b>3</b>";
  m_source.SetText(raw);
  for (int nth = 1; nth <= 3; ++nth) {
    std::string digit = std::to_string(nth);
    TextRange selected = DisplayRange(digit + "</b>");
    std::optional<CheckArea> area = m_source.AreaFromSelection("<b>", nth, selected);
    ASSERT_TRUE(area) << nth;
    EXPECT_EQ(ExtractArea(raw, "<b>", nth, area->offset, area->size), digit + "</b>") << nth;
    ASSERT_TRUE(m_source.FindArea(area->offset, area->size, "<b>", nth));
    EXPECT_EQ(m_source.AreaSelection(), selected) << nth;
  }
  // Unknown anchors and missing occurrences give nothing to store.
  EXPECT_FALSE(m_source.AreaFromSelection("<i>", 1, {0, 3}));
  EXPECT_FALSE(m_source.AreaFromSelection("<b>", 4, {0, 3}));
  EXPECT_FALSE(m_source.AreaFromSelection("", 1, {0, 3}));
}

TEST_F(SourceTextTest, FindAreaFollowsExtractArea) {
  const std::string raw = "head\n<h1>\nTitle\n</h1>\nrest";
  m_source.SetText(raw);
  ASSERT_TRUE(m_source.FindArea(1, 5, "<h1>", 1));
  EXPECT_EQ(m_source.AreaSelection(), DisplayRange("Title"));
  // Running past the end is shortened; beginning at the end is no area.
  int end = static_cast<int>(m_source.Display().size());
  ASSERT_TRUE(m_source.FindArea(-2, 100, "rest", 0));
  EXPECT_EQ(m_source.AreaSelection(), (TextRange{end - 2, end}));
  EXPECT_FALSE(m_source.FindArea(0, 100, "rest", 1));
  // Nothing to highlight: empty area, area beyond the end, missing occurrence.
  EXPECT_FALSE(m_source.FindArea(0, 0, "<h1>", 1));
  EXPECT_EQ(m_source.AreaSelection(), (TextRange{0, 0}));
  EXPECT_FALSE(m_source.FindArea(100, 5, "<h1>", 1));
  EXPECT_FALSE(m_source.FindArea(0, 5, "<h1>", 2));
  EXPECT_FALSE(m_source.FindArea(0, 5, "", 1));
  // A negative offset reaching before the text begins at its start.
  ASSERT_TRUE(m_source.FindArea(-100, 4, "<h1>", 1));
  EXPECT_EQ(m_source.AreaSelection(), (TextRange{0, 4}));
}

TEST_F(SourceTextTest, FindAreaInJapaneseText) {
  m_source.SetText("価格：\n１２３円");
  ASSERT_TRUE(m_source.FindArea(1, 6, "価格：", 1));
  EXPECT_EQ(m_source.AreaSelection(), DisplayRange("１２３"));
  // An area cut after the first byte of "１" is shown from "２" on.
  ASSERT_TRUE(m_source.FindArea(2, 5, "価格：", 1));
  EXPECT_EQ(m_source.AreaSelection(), DisplayRange("２３"));
  EXPECT_FALSE(m_source.FindArea(2, 1, "価格：", 1));
}

TEST_F(SourceTextTest, NewTextClearsTheSelections) {
  m_source.SetText("<b>x</b>");
  m_source.FindAnchor("<b>", 1);
  m_source.FindArea(0, 1, "<b>", 1);
  m_source.SetText("<b>y</b>");
  EXPECT_EQ(m_source.AnchorSelection(), (TextRange{0, 0}));
  EXPECT_EQ(m_source.AreaSelection(), (TextRange{0, 0}));
  EXPECT_EQ(m_source.Raw(), "<b>y</b>");
}
