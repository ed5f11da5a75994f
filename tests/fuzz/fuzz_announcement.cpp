// The announcement file from the maker's server, line by line, and the decision on it.
#include "core/announce/announce_check.h"
#include "fuzz/fuzz_driver.h"

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  Announcement announcement;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    announcement.ParseLine(text.substr(start, end - start + (end < text.size() ? 1 : 0)));
    start = end + 1;
  }
  ShouldAsk(announcement, 0, 135, "pagewarden");
}
