#include "core/ui/window_size.h"

#include <algorithm>
#include <charconv>

namespace {

std::optional<int> NumberFrom(const char* first, const char* last, int least) {
  int value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || value < least) return std::nullopt;
  return value;
}

int Fitted(int stored, int minimum, int room) {
  int size = std::max(stored, minimum);
  return room > 0 ? std::min(size, room) : size;
}

}  // namespace

std::optional<WindowSize> ParseWindowSize(const std::string& text, int least) {
  std::size_t x = text.find('x');
  if (x == std::string::npos) return std::nullopt;
  const char* begin = text.data();
  auto width = NumberFrom(begin, begin + x, least);
  auto height = NumberFrom(begin + x + 1, begin + text.size(), least);
  if (!width || !height) return std::nullopt;
  return WindowSize{*width, *height};
}

std::string FormatWindowSize(WindowSize size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

WindowSize RestoredWindowSize(WindowSize stored, WindowSize contentMinimum, WindowSize screen) {
  return {Fitted(stored.width, contentMinimum.width, screen.width),
          Fitted(stored.height, contentMinimum.height, screen.height)};
}
