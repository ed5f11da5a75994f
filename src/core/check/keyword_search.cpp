#include "core/check/keyword_search.h"

#include "platform/cp932.h"

namespace {

// Length of the character starting at `pos`: 2 for a lead byte with a byte after it.
std::size_t CharLength(std::string_view text, std::size_t pos) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()
             ? 2
             : 1;
}

}  // namespace

COccurrenceScan::COccurrenceScan(std::string_view text, std::string_view keyword)
    : m_text(text), m_keyword(keyword) {}

// A plain byte search finds candidates; the boundary cursor, which only moves forward,
// tells whether a candidate begins a character. The whole walk is linear in the text.
std::size_t COccurrenceScan::Next() {
  if (m_keyword.empty()) return npos;
  while (m_from < m_text.size()) {
    std::size_t candidate = m_text.find(m_keyword, m_from);
    if (candidate == npos) {
      m_from = m_text.size();
      return npos;
    }
    while (m_boundary < candidate) m_boundary += CharLength(m_text, m_boundary);
    if (m_boundary == candidate) {
      m_from = candidate + 1;
      return candidate;
    }
    m_from = m_boundary;  // the candidate was a second byte: go on at the next character
  }
  return npos;
}

std::size_t COccurrenceScan::Nth(int n) {
  m_from = 0;
  m_boundary = 0;
  if (n < 1) n = 1;
  std::size_t found = npos;
  for (int count = 0; count < n; ++count) {
    found = Next();
    if (found == npos) return npos;
  }
  return found;
}

int CountOccurrences(std::string_view text, std::string_view keyword) {
  COccurrenceScan scan(text, keyword);
  int count = 0;
  while (scan.Next() != COccurrenceScan::npos) ++count;
  return count;
}

std::string ExtractArea(std::string_view text, std::string_view anchor, int nth, int offset,
                        int size) {
  std::size_t found = COccurrenceScan(text, anchor).Nth(nth);
  if (found == COccurrenceScan::npos || size <= 0) return {};
  // 64-bit arithmetic: a huge offset from the file must not wrap around.
  long long start = static_cast<long long>(found + anchor.size()) + offset;
  if (start >= static_cast<long long>(text.size())) return {};
  if (start < 0) start = 0;
  return std::string(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(size)));
}

int CountKeyword(std::string_view text, std::string_view keyword, bool caseSensitive) {
  if (caseSensitive) return CountOccurrences(text, keyword);
  if (keyword.empty()) return 0;
  // Compared in place: a lowered copy of a large page would double the memory a check needs.
  std::string lower = platform::LowerCaseCp932(keyword);
  int count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
    if (platform::LowerCaseMatchesAt(text, pos, lower)) ++count;
  }
  return count;
}
