#include "core/check/keyword_search.h"
#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// CP932 bytes written out, so that what straddles a character boundary is visible:
// "メ" 83 81, "ア" 83 41, "＜" 81 83, "ヂ" 83 61.
const std::string kMe = "\x83\x81";
const std::string kA = "\x83\x41";
const std::string kLessThan = "\x81\x83";
const std::string kDi = "\x83\x61";

std::vector<std::size_t> AllOccurrences(const std::string& text, const std::string& keyword) {
  COccurrenceScan scan(text, keyword);
  std::vector<std::size_t> found;
  for (std::size_t at = scan.Next(); at != COccurrenceScan::npos; at = scan.Next()) {
    found.push_back(at);
  }
  return found;
}

}  // namespace

TEST(OccurrenceScan, OverlappingOccurrencesOnCharacterStartsOnly) {
  EXPECT_EQ(AllOccurrences("aaa", "aa"), (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(AllOccurrences("abcabc", "bc"), (std::vector<std::size_t>{1, 4}));
  EXPECT_TRUE(AllOccurrences("abc", "").empty());
  EXPECT_TRUE(AllOccurrences("", "a").empty());
  // "メア" is 83 81 83 41: the bytes 81 83 of "＜" stand across the two characters.
  EXPECT_TRUE(AllOccurrences(kMe + kA, kLessThan).empty());
  EXPECT_EQ(AllOccurrences(kMe + kLessThan + kA + kLessThan, kLessThan),
            (std::vector<std::size_t>{2, 6}));
  // The second byte of "ア" has the value of 'A'.
  EXPECT_EQ(AllOccurrences(kA + "A" + kA, "A"), (std::vector<std::size_t>{2}));
  // A false candidate right before a true one does not hide it.
  EXPECT_EQ(AllOccurrences(kA + "AA", "A"), (std::vector<std::size_t>{2, 3}));
  // Two double-byte characters overlapping by a byte ("ソソ" = 83 5C 83 5C; "\x5C\x83").
  EXPECT_TRUE(AllOccurrences("\x83\x5C\x83\x5C", "\x5C\x83").empty());
}

TEST(OccurrenceScan, NthRestartsAndCountsBelowOneAsOne) {
  COccurrenceScan scan("xaxax", "x");
  EXPECT_EQ(scan.Nth(3), 4u);
  EXPECT_EQ(scan.Nth(0), 0u);
  EXPECT_EQ(scan.Nth(-5), 0u);
  EXPECT_EQ(scan.Nth(2), 2u);
  EXPECT_EQ(scan.Nth(4), COccurrenceScan::npos);
}

TEST(CountKeyword, CaseOptionsTouchSingleByteLettersOnly) {
  EXPECT_EQ(CountKeyword("aaa", "aa", true), 2);
  EXPECT_EQ(CountKeyword("abc ABC Abc", "ABC", true), 1);
  EXPECT_EQ(CountKeyword("abc ABC Abc", "ABC", false), 3);
  EXPECT_EQ(CountKeyword("abc", "aBc", false), 1);
  // Lowering the second byte of "ア" (41) would make it "ヂ" (61).
  EXPECT_EQ(CountKeyword(kA, kDi, false), 0);
  EXPECT_EQ(CountKeyword(kDi, kA, false), 0);
  EXPECT_EQ(CountKeyword(kA + kA, kA, false), 2);
  EXPECT_EQ(CountKeyword(kA, "a", false), 0);
  EXPECT_EQ(CountKeyword("価格は円、価格", "価格", false), 2);
  EXPECT_EQ(CountKeyword(kMe + kA, kLessThan, true), 0);
  EXPECT_EQ(CountKeyword("text", "", true), 0);
}

TEST(LowerCaseCp932, KeepsDoubleByteCharacters) {
  EXPECT_EQ(platform::LowerCaseCp932("ABC xyz " + kA + "Z"), "abc xyz " + kA + "z");
  // A lead byte at the very end has no second byte to protect.
  EXPECT_EQ(platform::LowerCaseCp932("Q\x83"), "q\x83");
}

TEST(ExtractArea, AreaAfterTheNthAnchor) {
  const std::string text = "<b>one</b><b>two</b><b>three</b>";
  EXPECT_EQ(ExtractArea(text, "<b>", 1, 0, 3), "one");
  EXPECT_EQ(ExtractArea(text, "<b>", 2, 0, 3), "two");
  // N below 1 counts as 1.
  EXPECT_EQ(ExtractArea(text, "<b>", 0, 0, 3), "one");
  EXPECT_EQ(ExtractArea(text, "<b>", -2, 0, 3), "one");
  // Fewer occurrences than N: empty, never the area of an earlier occurrence.
  EXPECT_EQ(ExtractArea(text, "<b>", 4, 0, 3), "");
  EXPECT_EQ(ExtractArea(text, "<i>", 1, 0, 3), "");
  EXPECT_EQ(ExtractArea(text, "", 1, 0, 3), "");
  // Overlapping occurrences count.
  EXPECT_EQ(ExtractArea("aaab", "aa", 2, 0, 1), "b");
}

TEST(ExtractArea, OffsetsAndSizesAtTheEdges) {
  const std::string text = "price:12345;";
  EXPECT_EQ(ExtractArea(text, "price:", 1, 0, 20), "12345;");  // shortened, not padded
  EXPECT_EQ(ExtractArea(text, "price:", 1, 2, 3), "345");
  EXPECT_EQ(ExtractArea(text, "price:", 1, 5, 1), ";");
  EXPECT_EQ(ExtractArea(text, "price:", 1, 6, 1), "");  // starts at the end
  EXPECT_EQ(ExtractArea(text, "price:", 1, 0, 0), "");
  EXPECT_EQ(ExtractArea(text, "price:", 1, 0, -4), "");
  // Back into the anchor, and before the text's start, which counts from 0.
  EXPECT_EQ(ExtractArea(text, "price:", 1, -3, 5), "ce:12");
  EXPECT_EQ(ExtractArea(text, "12", 1, -100, 4), "pric");
  // Extreme values from a damaged file neither wrap around nor overflow.
  EXPECT_EQ(ExtractArea(text, "price:", 1, 2147483647, 2147483647), "");
  EXPECT_EQ(ExtractArea(text, "price:", 1, 0, 2147483647), "12345;");
  EXPECT_EQ(ExtractArea(text, "price:", 1, -2147483647 - 1, 2), "pr");
}

TEST(ExtractArea, OffsetsCountBytesOfCp932Text) {
  // Every character of "価格：１２３円です" is two bytes; an odd offset cuts one, as stored.
  const std::string text = "価格：１２３円です";
  EXPECT_EQ(ExtractArea(text, "価格：", 1, 2, 4), "２３");
  EXPECT_EQ(ExtractArea(text, "価格：", 1, 1, 2), std::string("１２").substr(1, 2));
}

namespace {

// The searches that avoid a lowered copy of the page give what the copy would: random
// texts of letters, capitals, lead and trail bytes, long enough to cross search windows.
TEST(CountKeyword, SearchesWithoutACopyAgreeWithTheLoweredCopy) {
  const char alphabet[] = {'a', 'A', 'b', 'B', '\x83', '\x41', '\x82', '\x61', 'c'};
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 40; ++round) {
    std::string text((round % 4 == 0) ? 70000 + next() % 2000 : 50 + next() % 200, ' ');
    for (char& c : text) c = alphabet[(next() >> 8) % sizeof alphabet];
    std::string keyword(1 + next() % 3, ' ');
    for (char& c : keyword) c = alphabet[(next() >> 8) % sizeof alphabet];
    std::string lowered = platform::LowerCaseCp932(text);
    std::string lowerKeyword = platform::LowerCaseCp932(keyword);
    SCOPED_TRACE(round);
    EXPECT_EQ(CountKeyword(text, keyword, false), CountOccurrences(lowered, lowerKeyword));
    std::size_t from = next() % text.size();
    EXPECT_EQ(platform::FindInLowerCase(text, lowerKeyword, from), lowered.find(lowerKeyword, from));
  }
  // A declaration just across the first 64 KiB window.
  std::string page(65530, 'x');
  page += "ChArSeT=EUC-JP";
  EXPECT_EQ(platform::FindInLowerCase(page, "charset"), 65530u);
  EXPECT_EQ(platform::FindInLowerCase(page, "euc-jp", 65530), 65538u);
}

}  // namespace
