// Keyword searches on CP932 page text, as the comparison rules and the source view use
// them. Every search is lead-byte aware: a match never begins on the second byte of a
// double-byte character. Occurrences overlap: each search starts one character after the
// previous find, so "aa" occurs twice in "aaa". Positions and lengths are byte counts.
// Nothing here keeps state between calls; safe on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Walks the occurrences of a keyword in a text from the start, in order. The text and the
// keyword must outlive the scan. An empty keyword has no occurrences.
class COccurrenceScan {
 public:
  static constexpr std::size_t npos = std::string_view::npos;

  COccurrenceScan(std::string_view text, std::string_view keyword);
  // Position of the next occurrence, or npos when there is none left.
  std::size_t Next();
  // Position of the n-th occurrence from the start (1 = the first; below 1 counts as 1),
  // or npos when there are fewer. Restarts the scan.
  std::size_t Nth(int n);

 private:
  std::string_view m_text;
  std::string_view m_keyword;
  std::size_t m_from = 0;      // where the next search begins
  std::size_t m_boundary = 0;  // a character start at or before m_from
};

// Number of occurrences of `keyword` in `text` (0 for an empty keyword).
int CountOccurrences(std::string_view text, std::string_view keyword);

// The check area of the anchor rule: the `size` bytes from `offset` bytes after the end of
// the `nth` occurrence of `anchor` (nth below 1 counts as 1). Empty when the anchor occurs
// fewer than nth times (the area is never taken from an earlier occurrence), when the
// area begins at or beyond the end, or when size is not positive. An area running past
// the end is shortened; one beginning before the text begins at its start.
std::string ExtractArea(std::string_view text, std::string_view anchor, int nth, int offset,
                        int size);

// Number of occurrences of the simple keyword; without `caseSensitive` the single-byte
// letters of both are compared without regard to case.
int CountKeyword(std::string_view text, std::string_view keyword, bool caseSensitive);
