#include "core/fetch/decimal_string.h"

#include <cstdlib>

namespace {

constexpr std::size_t kChunk = 6;

// A short number stepped by `delta`; non-negative results keep the width when asked.
std::string StepShort(const std::string& digits, int delta, bool keepWidth) {
  long value = std::atol(digits.c_str()) + delta;
  std::string result = std::to_string(value);
  return keepWidth && value >= 0 ? ZeroPad(result, digits.size()) : result;
}

// Steps the number by one in 6-digit chunks: `limit` is the tail that carries or
// borrows ("999999" up, "000000" down), `wrapped` the tail that replaces it.
std::string StepLong(const std::string& digits, int delta, bool keepWidth, const char* limit,
                     const char* wrapped) {
  if (digits.empty()) return "";
  if (digits.size() <= kChunk) return StepShort(digits, delta, keepWidth);
  std::string head = digits.substr(0, digits.size() - kChunk);
  std::string tail = digits.substr(digits.size() - kChunk);
  if (tail != limit) {
    return head + ZeroPad(std::to_string(std::atol(tail.c_str()) + delta), kChunk);
  }
  return StepLong(head, delta, keepWidth, limit, wrapped) + wrapped;
}

}  // namespace

std::string ZeroPad(const std::string& digits, std::size_t width) {
  if (digits.size() >= width) return digits;
  return std::string(width - digits.size(), '0') + digits;
}

std::string IncrementDecimal(const std::string& digits, bool keepWidth) {
  return StepLong(digits, +1, keepWidth, "999999", "000000");
}

std::string DecrementDecimal(const std::string& digits, bool keepWidth) {
  return StepLong(digits, -1, keepWidth, "000000", "999999");
}

bool IsAllZeros(const std::string& text) {
  return text.find_first_not_of('0') == std::string::npos;
}

int CompareDecimal(const std::string& a, const std::string& b) {
  std::size_t length = std::min(a.size(), b.size());
  if (a.size() != b.size()) {
    const std::string& longer = a.size() > b.size() ? a : b;
    if (!IsAllZeros(longer.substr(0, longer.size() - length))) return a.size() > b.size() ? 1 : -1;
  }
  int order = a.compare(a.size() - length, length, b, b.size() - length, length);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}
