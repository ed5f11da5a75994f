#include "platform/cp932.h"

#include <algorithm>

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

namespace {

char LowerLetter(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

}  // namespace

std::size_t FindInLowerCase(std::string_view text, std::string_view needle, std::size_t from) {
  constexpr std::size_t kWindow = 64 * 1024;
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  std::string window;
  std::size_t boundary = 0;  // a character start, moving forward only
  for (std::size_t start = from; start < text.size(); start += kWindow) {
    std::size_t end = std::min(text.size(), start + kWindow + needle.size() - 1);
    while (boundary < start) boundary += CharLength(text, boundary);
    window.assign(text.substr(start, end - start));
    for (std::size_t pos = boundary; pos < end; pos += CharLength(text, pos)) {
      window[pos - start] = LowerLetter(window[pos - start]);
    }
    std::size_t found = window.find(needle);
    if (found != std::string::npos) return start + found;
    if (end == text.size()) break;
  }
  return std::string_view::npos;
}

bool LowerCaseMatchesAt(std::string_view text, std::size_t pos, std::string_view lowerKeyword) {
  if (pos + lowerKeyword.size() > text.size()) return false;
  for (std::size_t i = 0; i < lowerKeyword.size();) {
    // A character's first byte lowers (a lead byte is never a letter); a trail byte never.
    std::size_t length = CharLength(text, pos + i);
    if (LowerLetter(text[pos + i]) != lowerKeyword[i]) return false;
    if (length == 2 && i + 1 < lowerKeyword.size() && text[pos + i + 1] != lowerKeyword[i + 1]) {
      return false;
    }
    i += length;
  }
  return true;
}

bool IsCharBoundary(std::string_view text, std::size_t pos) {
  std::size_t at = 0;
  while (at < pos && at < text.size()) at += CharLength(text, at);
  return at == pos;
}

}  // namespace platform
