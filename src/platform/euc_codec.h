// EUC-JP (Windows code page 51932) to CP932. The conversion never fails: a character that
// cannot be converted becomes '?'. Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Decodes ASCII, JIS X 0208 (two bytes 0xA1-0xFE) including NEC's special characters
// (row 13) and selected IBM extensions (rows 89-92) as CP932 holds them, and half-width
// katakana (SS2 0x8E followed by 0xA1-0xDF). JIS X 0212 characters (SS3 0x8F and two bytes),
// codes CP932 lacks and stray bytes become one '?' each.
std::string EucJpToCp932(std::string_view euc);

}  // namespace platform
