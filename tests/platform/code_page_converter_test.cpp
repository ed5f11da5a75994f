#include "platform/code_page_converter.h"

#include <gtest/gtest.h>

#include <string>

using platform::CCodePageConverter;

namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

}  // namespace

TEST(CodePageConverter, ConvertsEachJapaneseEncodingToCp932) {
  CCodePageConverter converter;
  std::string out;
  EXPECT_TRUE(converter.ConvertString(65001, 932, Utf8(u8"\uFEFF更新 ½"), out));  // BOM dropped
  EXPECT_EQ(out, "更新 ?");
  EXPECT_TRUE(converter.ConvertString(65001, 932, "a\xE6\x9B\xB4\xFF" "b", out));
  EXPECT_EQ(out, "a更?b");
  EXPECT_TRUE(converter.ConvertString(51932, 932, "\xB9\xB9\x8E\xB6", out));
  EXPECT_EQ(out, "更ｶ");
  for (int jis : {50220, 50221, 50222}) {
    EXPECT_TRUE(converter.ConvertString(jis, 932, "\x1B$B\x39\x39\x1B(B\x0E\x36\x0F", out));
    EXPECT_EQ(out, "更ｶ");
  }
  EXPECT_TRUE(converter.ConvertString(932, 932, "更\x80", out));
  EXPECT_EQ(out, "更\x80");
}

TEST(CodePageConverter, ConvertsCp932ForMailAndForUtf8) {
  CCodePageConverter converter;
  std::string out;
  EXPECT_TRUE(converter.ConvertString(932, 50220, "通知ｶﾞ", out));
  EXPECT_EQ(out, "\x1B$B\x44\x4C\x43\x4E\x25\x2C\x1B(B");
  EXPECT_TRUE(converter.ConvertString(932, 65001, "通知", out));
  EXPECT_EQ(out, Utf8(u8"通知"));
}

TEST(CodePageConverter, UnknownPairsGiveNothing) {
  CCodePageConverter converter;
  std::string out = "old";
  EXPECT_FALSE(converter.ConvertString(1252, 932, "abc", out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(converter.ConvertString(51932, 65001, "abc", out));
  EXPECT_FALSE(converter.ConvertString(932, 51932, "abc", out));
  EXPECT_FALSE(CCodePageConverter::IsSupported(932, 50221));
  EXPECT_TRUE(CCodePageConverter::IsSupported(50222, 932));
}
