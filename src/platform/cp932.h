// CP932 (Shift_JIS) byte strings: every narrow string in the program holds them.
// Scans here are lead-byte aware: the second byte of a double-byte character never
// matches a separator, even where its value equals '\\' or '_'.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

bool IsLeadByte(unsigned char byte);

// Position of the first single-byte `ch` at or after `from` (a character boundary), or npos.
std::size_t FindFirstChar(std::string_view text, char ch, std::size_t from = 0);

// Position of the last single-byte `ch`, or npos.
std::size_t FindLastChar(std::string_view text, char ch);

// Whether `pos` is the start of a character (not the second byte of a double-byte one).
bool IsCharBoundary(std::string_view text, std::size_t pos);

// The text with its single-byte letters A-Z lower-cased; double-byte characters keep
// their bytes, even where a trail byte has the value of a capital letter.
std::string LowerCaseCp932(std::string_view text);
// LowerCaseCp932(text).find(needle, from), searched byte by byte, without a copy of the
// whole text (a page may be large): the text is lowered a window at a time.
std::size_t FindInLowerCase(std::string_view text, std::string_view needle, std::size_t from = 0);
// The lowered text holds `lowerKeyword` (itself lowered) at the character start `pos`.
bool LowerCaseMatchesAt(std::string_view text, std::size_t pos, std::string_view lowerKeyword);

}  // namespace platform
