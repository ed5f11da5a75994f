#include "core/common/archive.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

std::string StoredString(const std::string& text) {
  CArchiveWriter writer;
  writer.WriteString(text);
  return writer.Bytes();
}

TEST(ArchiveTest, IntegersAreLittleEndian32Bit) {
  CArchiveWriter writer;
  writer.WriteInt(0x12345678);
  writer.WriteInt(-1);
  writer.WriteInt(-2147483647 - 1);
  EXPECT_EQ(writer.Bytes(), Bytes({0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80}));

  CArchiveReader reader(writer.Bytes());
  std::int32_t a = 0, b = 0, c = 0;
  ASSERT_TRUE(reader.ReadInt(a) && reader.ReadInt(b) && reader.ReadInt(c));
  EXPECT_EQ(a, 0x12345678);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, -2147483647 - 1);
  EXPECT_TRUE(reader.AtEnd());
}

TEST(ArchiveTest, StringLengthPrefixTakesTheFormItsLengthNeeds) {
  EXPECT_EQ(StoredString(""), Bytes({0}));
  EXPECT_EQ(StoredString("ab"), Bytes({2}) + "ab");
  EXPECT_EQ(StoredString(std::string(254, 'x')).substr(0, 1), Bytes({254}));
  // From 255 on: 0xFF and a 16-bit length.
  EXPECT_EQ(StoredString(std::string(255, 'x')).substr(0, 3), Bytes({0xFF, 0xFF, 0x00}));
  EXPECT_EQ(StoredString(std::string(0xFFFD, 'x')).substr(0, 3), Bytes({0xFF, 0xFD, 0xFF}));
  // 0xFFFE and above: 0xFF, 0xFFFF and a 32-bit length.
  std::string longest16 = StoredString(std::string(0xFFFE, 'x'));
  EXPECT_EQ(longest16.substr(0, 7), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
  EXPECT_EQ(longest16.size(), 7u + 0xFFFE);
}

TEST(ArchiveTest, StringsOfEveryPrefixFormReadBack) {
  // CP932 text and an embedded zero byte travel unchanged.
  std::string japanese = "更新されています";
  std::string withZero("a\0b", 3);
  for (std::size_t length : {0u, 1u, 254u, 255u, 256u, 0xFFFDu, 0xFFFEu, 0x10000u, 70000u}) {
    std::string text(length, 'q');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
    CArchiveWriter writer;
    writer.WriteString(text);
    writer.WriteString(japanese);
    writer.WriteString(withZero);
    writer.WriteInt(7);
    CArchiveReader reader(writer.Bytes());
    std::string a, b, c;
    std::int32_t after = 0;
    ASSERT_TRUE(reader.ReadString(a) && reader.ReadString(b) && reader.ReadString(c) &&
                reader.ReadInt(after))
        << length;
    EXPECT_EQ(a, text) << length;
    EXPECT_EQ(b, japanese);
    EXPECT_EQ(c, withZero);
    EXPECT_EQ(after, 7);
    EXPECT_TRUE(reader.AtEnd());
  }
}

TEST(ArchiveTest, ReaderAcceptsALongerPrefixThanNeeded) {
  CArchiveReader reader(Bytes({0xFF, 3, 0}) + "abc" + Bytes({0xFF, 0xFF, 0xFF, 2, 0, 0, 0}) + "de");
  std::string first, second;
  ASSERT_TRUE(reader.ReadString(first) && reader.ReadString(second));
  EXPECT_EQ(first, "abc");
  EXPECT_EQ(second, "de");
}

TEST(ArchiveTest, ReadPastTheEndFailsKeepsTargetAndStaysFailed) {
  CArchiveReader reader(Bytes({1, 0, 0, 0, 9}) + "abc" + Bytes({9, 0, 0, 0}));
  std::int32_t value = 0;
  std::string text = "kept";
  ASSERT_TRUE(reader.ReadInt(value));
  EXPECT_FALSE(reader.ReadString(text));  // promises 9 bytes, 7 follow
  EXPECT_EQ(text, "kept");
  EXPECT_TRUE(reader.Failed());
  // What follows the broken string is never read as if it were the next field.
  value = 42;
  EXPECT_FALSE(reader.ReadInt(value));
  EXPECT_EQ(value, 42);

  CArchiveReader shortInt(Bytes({1, 2, 3}));
  value = 42;
  EXPECT_FALSE(shortInt.ReadInt(value));
  EXPECT_EQ(value, 42);
  EXPECT_FALSE(CArchiveReader(Bytes({1, 2})).Skip(3));
}

TEST(ArchiveTest, MalformedLengthsFailWithoutReadingOn) {
  std::string text = "kept";
  // Cut inside the 16-bit and the 32-bit length.
  EXPECT_FALSE(CArchiveReader(Bytes({0xFF, 3})).ReadString(text));
  EXPECT_FALSE(CArchiveReader(Bytes({0xFF, 0xFF, 0xFF, 1, 0})).ReadString(text));
  // A 32-bit length far beyond the data.
  EXPECT_FALSE(CArchiveReader(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'})).ReadString(text));
  // A 64-bit length beyond anything.
  EXPECT_FALSE(CArchiveReader(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF}))
                   .ReadString(text));
  // The wide-string marker: not something this program writes or reads.
  CArchiveReader wide(Bytes({0xFF, 0xFE, 0xFF, 1, 'a', 0}));
  EXPECT_FALSE(wide.ReadString(text));
  EXPECT_TRUE(wide.Failed());
  EXPECT_EQ(text, "kept");
}

}  // namespace
