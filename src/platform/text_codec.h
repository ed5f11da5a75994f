// Conversion between CP932, the program's code page, and UTF-8, the encoding of the
// terminal, the file names handed to the OS and many pages. Conversions never fail:
// a character that cannot be converted becomes '?'. Safe to call from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);
// ISO-2022-JP decoded as strict readers do (glibc's iconv, which maps JIS X 0208 as the
// standard does and knows no vendor extensions). false when any byte is refused.
bool StrictIso2022JpToUtf8(std::string_view jis, std::string& utf8);

// The first character of a UTF-8 text that Utf8ToCp932 would turn into '?': one CP932 does
// not have (an emoji), or a byte that is not UTF-8.
struct ForeignCharacter {
  std::size_t offset = 0;  // where it starts in the text
  std::string utf8;        // the character; empty for a byte that is not UTF-8
  std::string name;        // "U+1F600", or "0xFF" for a byte that is not UTF-8
};
std::optional<ForeignCharacter> FindForeignCharacter(std::string_view utf8);
// The character named for a message in CP932, which cannot show the character itself:
// "Shift_JIS (CP932) にない文字 U+1F600" or "UTF-8 として読めないバイト 0xFF".
std::string ForeignCharacterText(const ForeignCharacter& found);

}  // namespace platform
