// Form escaping, base64 and the decimal-string arithmetic.
#include <gtest/gtest.h>

#include "core/fetch/decimal_string.h"
#include "core/fetch/form_encoding.h"

namespace {

TEST(FormEscape, KeepsWordCharactersAndEscapesEveryOtherByte) {
  EXPECT_EQ(FormEscape("a_Z9 -:%\r\n"), "a_Z9+%2d%3a%25%0d%0a");
  // One double-byte character becomes two escapes.
  EXPECT_EQ(FormEscape("あ"), "%82%a0");
}

TEST(FormUnescape, ReversesTheEscapes) {
  EXPECT_EQ(FormUnescape("%82%a0"), "あ");
  EXPECT_EQ(FormUnescape("%82%A0"), "あ");
  EXPECT_EQ(FormUnescape("a+b"), "a b");
  std::string everyByte;
  for (int byte = 1; byte < 256; ++byte) everyByte += static_cast<char>(byte);
  EXPECT_EQ(FormUnescape(FormEscape(everyByte)), everyByte);
}

TEST(FormUnescape, ATruncatedEscapeEndsTheText) {
  EXPECT_EQ(FormUnescape("ab%4"), "ab");
  EXPECT_EQ(FormUnescape("ab%"), "ab");
  EXPECT_EQ(FormUnescape("ab%41c"), "abAc");
}

TEST(Base64Encode, PadsToAMultipleOfFour) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("abc"), "YWJj");
  EXPECT_EQ(Base64Encode("ab"), "YWI=");
  EXPECT_EQ(Base64Encode("a"), "YQ==");
  EXPECT_EQ(Base64Encode(":"), "Og==");
  EXPECT_EQ(Base64Encode("\xff\xfe\xfd"), "//79");
}

TEST(DecimalString, StepsShortNumbers) {
  EXPECT_EQ(IncrementDecimal("000999", true), "001000");
  EXPECT_EQ(IncrementDecimal("000999", false), "1000");
  EXPECT_EQ(IncrementDecimal("", true), "");
  EXPECT_EQ(DecrementDecimal("0", false), "-1");
  EXPECT_EQ(DecrementDecimal("010", true), "009");
}

TEST(DecimalString, CarriesAndBorrowsAcrossSixDigitChunks) {
  EXPECT_EQ(IncrementDecimal("9999999", true), "10000000");
  EXPECT_EQ(IncrementDecimal("1234567", true), "1234568");
  EXPECT_EQ(IncrementDecimal("12999999999999", false), "13000000000000");
  EXPECT_EQ(DecrementDecimal("1000000", true), "0999999");
  EXPECT_EQ(DecrementDecimal("5000000000000", true), "4999999999999");
}

TEST(DecimalString, ComparesNumbersOfAnyLength) {
  EXPECT_EQ(CompareDecimal("0012", "12"), 0);
  EXPECT_EQ(CompareDecimal("100", "99"), 1);
  EXPECT_EQ(CompareDecimal("99", "100"), -1);
  EXPECT_EQ(CompareDecimal("00099", "100"), -1);
  EXPECT_EQ(CompareDecimal("123456789012345678", "123456789012345679"), -1);
  EXPECT_TRUE(IsAllZeros(""));
  EXPECT_TRUE(IsAllZeros("000"));
  EXPECT_FALSE(IsAllZeros("010"));
  EXPECT_EQ(ZeroPad("7", 3), "007");
  EXPECT_EQ(ZeroPad("1234", 3), "1234");
}

}  // namespace
