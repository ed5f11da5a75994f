// JIS X 0208 character codes and their places in CP932, shared by the ISO-2022-JP and
// EUC-JP codecs. A JIS code is written as its two 7-bit bytes (0x21..0x7E each), the form
// ISO-2022-JP carries; EUC-JP sets the high bit of both. CP932 holds JIS X 0208 rows 1-94
// in the Shift_JIS arrangement, with NEC's special characters in row 13 and NEC's copy of
// the IBM extensions in rows 89-92. Safe to call from any thread.
#pragma once

#include <cstdint>

namespace platform {

// The CP932 double-byte code (lead << 8 | trail) of the JIS code `first`, `second`, or 0
// when the bytes are out of range or CP932 has no character in that place.
std::uint16_t JisToCp932Code(unsigned char first, unsigned char second);

// The JIS code (first << 8 | second) of the CP932 double-byte character `lead`, `trail`, or
// 0 when JIS X 0208 cannot carry it (user-defined characters, unassigned codes). The IBM
// extensions (lead 0xFA-0xFC) become their equivalents in rows 2, 13 and 89-92.
std::uint16_t Cp932ToJisCode(unsigned char lead, unsigned char trail);

// The JIS code of the full-width form of the half-width katakana `kana` (0xA1-0xDF in
// CP932). When `next` is a voiced or semi-voiced sound mark that combines with `kana` into
// one full-width letter (ｶﾞ into ガ), that letter's code is given and `combined` is set.
// 0 when `kana` is not a half-width katakana byte.
std::uint16_t WideKatakana(unsigned char kana, unsigned char next, bool& combined);

}  // namespace platform
