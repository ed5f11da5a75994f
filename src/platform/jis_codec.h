// ISO-2022-JP ("JIS", Windows code pages 50220-50222) to and from CP932. Conversions never
// fail: a character that cannot be converted becomes '?'. Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Decodes ISO-2022-JP as pages and mail write it: ASCII and JIS X 0201 Roman (ESC ( B,
// ESC ( J), JIS X 0208 (ESC $ B, ESC $ @, with or without ESC & @ before it), half-width
// katakana by ESC ( I, by SO/SI and as raw bytes 0xA1-0xDF, and NEC's special characters
// (row 13) and selected IBM extensions (rows 89-92) as CP932 holds them. Characters of other
// sets (JIS X 0212) and stray bytes become '?'. Control characters pass in any mode.
std::string JisToCp932(std::string_view jis);

// Encodes CP932 as ISO-2022-JP for mail (code page 50220): ASCII, and JIS X 0208 including
// row 13 and rows 89-92 (IBM extensions are written as those equivalents). Half-width
// katakana is widened to full-width, a following voiced sound mark joined where JIS has the
// letter. The text always ends in ASCII mode. User-defined characters become '?'.
std::string Cp932ToJis(std::string_view cp932);

}  // namespace platform
