#include "platform/jis_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/jis_x0208.h"
#include "support/iconv_oracle.h"

using platform::Cp932ToJis;
using platform::JisToCp932;

namespace {

// "更新されたページ：日本語のテキスト、漢字とカタカナ。" as ISO-2022-JP.
const std::string kJisSentence =
    "\x1B\x24\x42\x39\x39\x3F\x37\x24\x35\x24\x6C\x24\x3F\x25\x5A\x21\x3C\x25\x38\x21\x27\x46"
    "\x7C\x4B\x5C\x38\x6C\x24\x4E\x25\x46\x25\x2D\x25\x39\x25\x48\x21\x22\x34\x41\x3B\x7A\x24"
    "\x48\x25\x2B\x25\x3F\x25\x2B\x25\x4A\x21\x23\x1B\x28\x42";
const std::string kSentence = "更新されたページ：日本語のテキスト、漢字とカタカナ。";

const std::string kToJis0208 = "\x1B$B";
const std::string kToAscii = "\x1B(B";

}  // namespace

TEST(JisToCp932, DecodesJapaneseTextBetweenAsciiRuns) {
  EXPECT_EQ(JisToCp932(kJisSentence), kSentence);
  EXPECT_EQ(JisToCp932("<p>" + kJisSentence + "</p>\r\n"), "<p>" + kSentence + "</p>\r\n");
  EXPECT_EQ(JisToCp932(""), "");
}

TEST(JisToCp932, AcceptsTheOlderAndAnnouncedDesignations) {
  EXPECT_EQ(JisToCp932("\x1B$@\x46\x7C\x1B(J!"), "日!");
  EXPECT_EQ(JisToCp932("\x1B&@\x1B$B\x46\x7C\x1B(B"), "日");
  EXPECT_EQ(JisToCp932("\x1B$(B\x46\x7C\x1B(B"), "日");
}

TEST(JisToCp932, LineBreaksInsideDoubleByteModeKeepTheMode) {
  EXPECT_EQ(JisToCp932(kToJis0208 + "\x46\x7C\r\n\x4B\x5C" + kToAscii), "日\r\n本");
}

TEST(JisToCp932, HalfWidthKatakanaInEveryForm) {
  // ｶﾞｿﾘﾝ｡ through ESC ( I, through SO/SI, and as raw 8-bit bytes.
  EXPECT_EQ(JisToCp932("\x1B(I\x36\x5E\x3F\x58\x5D\x21\x1B(Ba"), "ｶﾞｿﾘﾝ｡a");
  EXPECT_EQ(JisToCp932("a\x0E\x36\x5E\x3F\x58\x5D\x21\x0F" "b"), "aｶﾞｿﾘﾝ｡b");
  EXPECT_EQ(JisToCp932("a\xB6\xDE" "b"), "aｶﾞb");
  // A designation ends the shift; a byte beyond the katakana range is lost.
  EXPECT_EQ(JisToCp932("\x0E\x31\x1B$B\x46\x7C\x1B(Bz"), "ｱ日z");
  EXPECT_EQ(JisToCp932("\x1B(I\x31\x60\x1B(B"), "ｱ?");
}

TEST(JisToCp932, NecSpecialCharactersAndSelectedIbmExtensions) {
  // ①, ㈱ and Ⅰ in row 13; 纊 and 髙 in rows 89-92.
  EXPECT_EQ(JisToCp932(kToJis0208 + "\x2D\x21\x2D\x6A\x2D\x35\x79\x21\x7C\x62" + kToAscii),
            "\x87\x40\x87\x8A\x87\x54\xED\x40\xEE\xE0");
}

TEST(JisToCp932, WhatCannotBeReadBecomesQuestionMarks) {
  // An unknown escape sequence, an unassigned code (row 9), a JIS X 0212 character, a broken
  // pair before a line break and at the end, a stray 8-bit byte.
  EXPECT_EQ(JisToCp932("a\x1B(Zb"), "a?(Zb");
  EXPECT_EQ(JisToCp932(kToJis0208 + "\x29\x22\x46\x7C" + kToAscii), "?日");
  EXPECT_EQ(JisToCp932("\x1B$(D\x30\x21\x1B(Bx"), "?x");
  EXPECT_EQ(JisToCp932(kToJis0208 + "\x46\n\x46\x7C\x46"), "?\n日?");
  EXPECT_EQ(JisToCp932("a\x80\xFF" "b"), "a??b");
}

TEST(JisToCp932, AgreesWithIconvOnEveryStandardCharacter) {
  int compared = 0;
  for (int first = 0x21; first <= 0x7E; ++first) {
    for (int second = 0x21; second <= 0x7E; ++second) {
      std::string jis = kToJis0208 + static_cast<char>(first) + static_cast<char>(second) + kToAscii;
      std::optional<std::string> expected = IconvConvert("CP932", "ISO-2022-JP", jis);
      if (!expected) continue;
      ++compared;
      EXPECT_EQ(JisToCp932(jis), *expected) << std::hex << first << second;
    }
  }
  EXPECT_GT(compared, 6800);
}

TEST(Cp932ToJis, EncodesJapaneseTextAndEndsInAscii) {
  EXPECT_EQ(Cp932ToJis(kSentence), kJisSentence);
  EXPECT_EQ(Cp932ToJis("Subject: 日本\r\n"),
            "Subject: " + kToJis0208 + "\x46\x7C\x4B\x5C" + kToAscii + "\r\n");
  EXPECT_EQ(Cp932ToJis("plain ascii\\~"), "plain ascii\\~");
  EXPECT_EQ(Cp932ToJis(""), "");
}

TEST(Cp932ToJis, WidensHalfWidthKatakanaJoiningSoundMarks) {
  // ｶﾞｷﾞｸﾞﾊﾟﾎﾟｳﾞ become ガギグパポヴ; ｱﾞ and ﾜﾞ keep the mark apart (ア゛, ワ゛); ｰ｡ become ー。
  std::string expected = kToJis0208 +
                         "\x25\x2C\x25\x2E\x25\x30\x25\x51\x25\x5D\x25\x74"
                         "\x25\x22\x21\x2B\x25\x6F\x21\x2B\x21\x3C\x21\x23" +
                         kToAscii;
  EXPECT_EQ(Cp932ToJis("ｶﾞｷﾞｸﾞﾊﾟﾎﾟｳﾞｱﾞﾜﾞｰ｡"), expected);
  EXPECT_EQ(Cp932ToJis("ﾞ"), kToJis0208 + "\x21\x2B" + kToAscii);
}

TEST(Cp932ToJis, NecSpecialCharactersAndIbmExtensions) {
  EXPECT_EQ(Cp932ToJis("\x87\x40\xED\x40"), kToJis0208 + "\x2D\x21\x79\x21" + kToAscii);
  // IBM's 髙, 﨑, Ⅰ and ￢ are written as the same characters of rows 89-92, 13 and 2.
  EXPECT_EQ(Cp932ToJis("\xFB\xFC\xFA\xB1\xFA\x4A\xFA\x54"),
            kToJis0208 + "\x7C\x62\x79\x75\x2D\x35\x22\x4C" + kToAscii);
}

TEST(Cp932ToJis, WhatCannotBeWrittenBecomesQuestionMarks) {
  // A user-defined character, an unassigned code, a lead byte before a line break and at the
  // end, bytes that are no character at all.
  EXPECT_EQ(Cp932ToJis("\xF0\x40" "a"), "?a");
  EXPECT_EQ(Cp932ToJis("日\x85\x40"), kToJis0208 + "\x46\x7C" + kToAscii + "?");
  EXPECT_EQ(Cp932ToJis("\x82\n\x82"), "?\n?");
  EXPECT_EQ(Cp932ToJis("\x80\xA0\xFD"), "???");
}

// Every CP932 double-byte character JIS X 0208 can carry comes back from a round trip as
// itself, or (an IBM extension) as a code that means the same character.
TEST(Cp932ToJis, EveryDoubleByteCharacterSurvivesTheRoundTrip) {
  int carried = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F || (lead > 0x9F && lead < 0xE0)) continue;
      std::string character{static_cast<char>(lead), static_cast<char>(trail)};
      std::optional<std::string> unicode = IconvConvert("UTF-8", "CP932", character);
      std::string back = JisToCp932(Cp932ToJis(character));
      if (lead >= 0xF0 && lead <= 0xF9) {
        EXPECT_EQ(back, "?");  // user-defined
      } else if (!unicode) {
        EXPECT_EQ(back, "?") << std::hex << lead << trail;
      } else {
        ++carried;
        EXPECT_EQ(IconvConvert("UTF-8", "CP932", back), unicode) << std::hex << lead << trail;
        if (lead < 0xFA) {
          EXPECT_EQ(back, character);
        }
      }
    }
  }
  EXPECT_EQ(carried, 7724);  // all of CP932's double-byte characters but the user-defined
}

TEST(Cp932ToJis, AgreesWithIconvOnStandardText) {
  const std::string text = "更新ページ、ＡＢＣ\r\nΩとα";
  std::optional<std::string> utf8 = IconvConvert("UTF-8", "CP932", text);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(Cp932ToJis(text), IconvConvert("ISO-2022-JP", "UTF-8", *utf8));
}
