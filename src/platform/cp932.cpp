#include "platform/cp932.h"

namespace platform {

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

namespace {

// Length of the character starting at `pos`: 2 for a lead byte with a byte after it.
std::size_t CharLength(std::string_view text, std::size_t pos) {
  return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

}  // namespace

std::size_t FindFirstChar(std::string_view text, char ch, std::size_t from) {
  for (std::size_t pos = from; pos < text.size(); pos += CharLength(text, pos)) {
    if (text[pos] == ch) return pos;
  }
  return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view text, char ch) {
  std::size_t found = std::string_view::npos;
  for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
    if (text[pos] == ch) found = pos;
  }
  return found;
}

std::string LowerCaseCp932(std::string_view text) {
  std::string lower(text);
  for (std::size_t pos = 0; pos < lower.size(); pos += CharLength(lower, pos)) {
    char& byte = lower[pos];
    if (byte >= 'A' && byte <= 'Z') byte = static_cast<char>(byte - 'A' + 'a');
  }
  return lower;
}

bool IsCharBoundary(std::string_view text, std::size_t pos) {
  std::size_t at = 0;
  while (at < pos && at < text.size()) at += CharLength(text, at);
  return at == pos;
}

}  // namespace platform
