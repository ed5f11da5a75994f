// The keyword count and the anchor area on a page text: the first line is the keyword,
// the second the anchor, two bytes the numbers, the rest the page.
#include "core/check/keyword_search.h"
#include "fuzz/fuzz_driver.h"

namespace {

std::string_view TakeLine(std::string_view& text) {
  std::size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

}  // namespace

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string_view keyword = TakeLine(text);
  std::string_view anchor = TakeLine(text);
  if (text.size() < 3) return;
  int nth = static_cast<signed char>(text[0]);
  int offset = static_cast<signed char>(text[1]) * 37;
  int length = static_cast<unsigned char>(text[2]) * 11;
  text.remove_prefix(3);
  CountKeyword(text, keyword, false);
  CountKeyword(text, keyword, true);
  CountOccurrences(text, anchor);
  ExtractArea(text, anchor, nth, offset, length);
}
