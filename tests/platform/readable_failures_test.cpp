#include "support/readable_failures.h"

#include <gtest/gtest.h>

#include "platform/text_codec.h"

// The literals of this file are CP932, as the program's strings are.
TEST(ReadableFailures, Cp932StringsAndMessagesShowInUtf8BinaryKeepsItsEscapes) {
  // "ア" is 0x83 'A': GoogleTest splits the literal after the escape ("\x83" "A").
  const std::string text = "アイテム \"価格\"\n";
  const std::string printed = testing::PrintToString(text);
  ASSERT_NE(printed.find("\\x83\" \"A"), std::string::npos) << printed;
  EXPECT_EQ(ReadableFailure("  Which is: " + printed + "\nnote: " + text),
            platform::Cp932ToUtf8("  Which is: \"アイテム \\\"価格\\\"\\n\"\nnote: " + text));

  const std::string binary = testing::PrintToString(std::string("\xFF\xFE\x80", 3));
  EXPECT_EQ(ReadableFailure(binary), binary);
}
