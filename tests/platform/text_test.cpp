// CP932 scanning and the conversion to and from UTF-8.
#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/text_codec.h"

namespace {

TEST(Cp932Scan, SecondBytesNeverMatch) {
  // "表" is 0x95 0x5C and "＿" 0x81 0x51; "ソ_" ends in a real underscore.
  const std::string text = "\x95\x5C" "a\\b" "\x83\x5C" "_";
  EXPECT_EQ(platform::FindFirstChar(text, '\\'), 3u);
  EXPECT_EQ(platform::FindLastChar(text, '\\'), 3u);
  EXPECT_EQ(platform::FindLastChar(text, '_'), 7u);
  EXPECT_EQ(platform::FindFirstChar("\x83\x5C", '\\'), std::string::npos);
  EXPECT_TRUE(platform::IsCharBoundary(text, 2));
  EXPECT_FALSE(platform::IsCharBoundary(text, 1));
}

TEST(Cp932Scan, ALeadByteAtTheEndIsASingleByte) {
  EXPECT_EQ(platform::FindLastChar("a/\x83", '/'), 1u);
  EXPECT_EQ(platform::FindFirstChar("\x83", '/'), std::string::npos);
}

TEST(TextCodec, RoundTripsJapanese) {
  const std::string cp932 = "更新されています ｱｲｳ ①";
  std::string utf8 = platform::Cp932ToUtf8(cp932);
  EXPECT_EQ(utf8, reinterpret_cast<const char*>(u8"更新されています ｱｲｳ ①"));
  EXPECT_EQ(platform::Utf8ToCp932(utf8), cp932);
}

TEST(TextCodec, UnconvertibleCharactersBecomeQuestionMarks) {
  // U+00E9 has no CP932 form; a stray UTF-8 continuation byte is no character at all.
  EXPECT_EQ(platform::Utf8ToCp932("caf\xC3\xA9 ok"), "caf? ok");
  EXPECT_EQ(platform::Utf8ToCp932("a\x80z"), "a?z");
  // A lead byte with no second byte after it, and an undefined double-byte code.
  EXPECT_EQ(platform::Cp932ToUtf8("ab\x82"), "ab?");
  EXPECT_EQ(platform::Cp932ToUtf8("\x85\x40x"), "?x");
  EXPECT_EQ(platform::Cp932ToUtf8(""), "");
}

TEST(TextCodec, LongTextsConvertWhole) {
  std::string cp932;
  for (int i = 0; i < 100000; ++i) cp932 += "あa";
  EXPECT_EQ(platform::Utf8ToCp932(platform::Cp932ToUtf8(cp932)), cp932);
}

}  // namespace
