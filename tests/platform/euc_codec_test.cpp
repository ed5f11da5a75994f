#include "platform/euc_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "support/iconv_oracle.h"

using platform::EucJpToCp932;

TEST(EucJpToCp932, DecodesJapaneseTextAmongAscii) {
  // "更新されたページ：日本語のテキスト、漢字とカタカナ。"
  const std::string euc =
      "\xB9\xB9\xBF\xB7\xA4\xB5\xA4\xEC\xA4\xBF\xA5\xDA\xA1\xBC\xA5\xB8\xA1\xA7\xC6\xFC\xCB\xDC"
      "\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\xA1\xA2\xB4\xC1\xBB\xFA\xA4\xC8\xA5\xAB"
      "\xA5\xBF\xA5\xAB\xA5\xCA\xA1\xA3";
  EXPECT_EQ(EucJpToCp932("<p>" + euc + "</p>\r\n"),
            "<p>更新されたページ：日本語のテキスト、漢字とカタカナ。</p>\r\n");
  EXPECT_EQ(EucJpToCp932(""), "");
}

TEST(EucJpToCp932, HalfWidthKatakanaAfterSingleShift2) {
  EXPECT_EQ(EucJpToCp932("\x8E\xB6\x8E\xDE\x8E\xBF\x8E\xD8\x8E\xDD\x8E\xA1!"), "ｶﾞｿﾘﾝ｡!");
}

TEST(EucJpToCp932, NecSpecialCharactersAndSelectedIbmExtensions) {
  // ①, ㈱ and Ⅰ in row 13; 纊 and 髙 in rows 89-92.
  EXPECT_EQ(EucJpToCp932("\xAD\xA1\xAD\xEA\xAD\xB5\xF9\xA1\xFC\xE2"),
            "\x87\x40\x87\x8A\x87\x54\xED\x40\xEE\xE0");
}

TEST(EucJpToCp932, WhatCannotBeReadBecomesOneQuestionMarkEach) {
  // A JIS X 0212 character, an unassigned code (row 9), SS2 before a byte that is no
  // katakana, a pair broken by a line break and by the end, stray bytes.
  EXPECT_EQ(EucJpToCp932("a\x8F\xB0\xA1" "b"), "a?b");
  EXPECT_EQ(EucJpToCp932("\xA9\xA2\xC6\xFC"), "?日");
  EXPECT_EQ(EucJpToCp932("\x8E\xE0\xC6\xFC"), "?日");
  EXPECT_EQ(EucJpToCp932("\xC6\n\xC6\xFC\xC6"), "?\n日?");
  EXPECT_EQ(EucJpToCp932("\x80\xA0\xFF" "c"), "???c");
  EXPECT_EQ(EucJpToCp932("\x8F\xB0"), "??");
}

TEST(EucJpToCp932, AgreesWithIconvOnEveryStandardCharacter) {
  int compared = 0;
  for (int first = 0xA1; first <= 0xFE; ++first) {
    for (int second = 0xA1; second <= 0xFE; ++second) {
      std::string euc{static_cast<char>(first), static_cast<char>(second)};
      std::optional<std::string> expected = IconvConvert("CP932", "EUC-JP", euc);
      if (!expected) continue;
      ++compared;
      EXPECT_EQ(EucJpToCp932(euc), *expected) << std::hex << first << second;
    }
  }
  EXPECT_GT(compared, 6800);
}
