// The code page conversion service: converts text between the Windows code pages the
// program meets, named by their Windows numbers. It keeps no state, so one object may be
// shared by every thread. Conversions never fail: a character that cannot be converted
// becomes '?', and a malformed text gives what could be read of it.
#pragma once

#include <string>
#include <string_view>

namespace platform {

constexpr int kCodePageShiftJis = 932;     // CP932, the program's own code page
constexpr int kCodePageIso2022Jp = 50220;  // ISO-2022-JP ("JIS"); 50221 and 50222 read alike
constexpr int kCodePageEucJp = 51932;
constexpr int kCodePageUtf8 = 65001;

class CCodePageConverter {
 public:
  // Whether ConvertString knows the pair. Known: UTF-8, ISO-2022-JP (50220-50222) and
  // EUC-JP to CP932; CP932 to ISO-2022-JP (50220) and to UTF-8; CP932 to itself.
  static bool IsSupported(int sourceCodePage, int destinationCodePage);

  // Converts `source` from one code page to the other into `destination` (replaced).
  // false, with `destination` empty, when the pair is not supported. A UTF-8 byte order
  // mark at the start is not a character and is dropped.
  bool ConvertString(int sourceCodePage, int destinationCodePage, std::string_view source,
                     std::string& destination) const;
};

}  // namespace platform
