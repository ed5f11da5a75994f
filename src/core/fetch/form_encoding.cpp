#include "core/fetch/form_encoding.h"

namespace {

bool IsPlainFormByte(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '_';
}

// The value of a hexadecimal digit; other characters give values without meaning, as
// the stored files have always been read.
int HexValue(unsigned char ch) {
  if (ch <= 64) return ch - 48;
  if (ch > 96) return ch - 87;
  return ch - 55;
}

}  // namespace

std::string FormEscape(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size() * 3);
  for (unsigned char byte : text) {
    if (IsPlainFormByte(byte)) {
      escaped += static_cast<char>(byte);
    } else if (byte == ' ') {
      escaped += '+';
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  return escaped;
}

std::string FormUnescape(const std::string& text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '%') {
      // A '%' without two characters after it ends the text.
      if (text.size() - i - 1 < 2) break;
      int value = 16 * HexValue(static_cast<unsigned char>(text[i + 1])) +
                  HexValue(static_cast<unsigned char>(text[i + 2]));
      plain += static_cast<char>(value & 0xFF);
      i += 2;
    } else {
      plain += ch == '+' ? ' ' : ch;
    }
  }
  return plain;
}

std::string Base64Encode(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned group = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) encoded += kAlphabet[(group >> shift) & 0x3F];
  }
  std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    encoded += kAlphabet[(group >> 18) & 0x3F];
    encoded += kAlphabet[(group >> 12) & 0x3F];
    encoded += rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    encoded += '=';
  }
  return encoded;
}
