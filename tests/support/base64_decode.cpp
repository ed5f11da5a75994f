#include "support/base64_decode.h"

#include <cstring>

std::string B64Decode(const std::string& text) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  unsigned bits = 0;
  int held = 0;
  for (unsigned char ch : text) {
    const char* at = ch ? std::strchr(kAlphabet, ch) : nullptr;
    if (!at) continue;
    bits = (bits << 6) | unsigned(at - kAlphabet);
    held += 6;
    if (held >= 8) {
      held -= 8;
      bytes += char((bits >> held) & 0xFF);
    }
  }
  return bytes;
}
