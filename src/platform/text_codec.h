// Conversion between CP932, the program's code page, and UTF-8, the encoding of the
// terminal, the file names handed to the OS and many pages. Conversions never fail:
// a character that cannot be converted becomes '?'. Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);
// ISO-2022-JP decoded as strict readers do (glibc's iconv, which maps JIS X 0208 as the
// standard does and knows no vendor extensions). false when any byte is refused.
bool StrictIso2022JpToUtf8(std::string_view jis, std::string& utf8);

}  // namespace platform
