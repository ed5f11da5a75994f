#include "core/fetch/record_lines.h"

#include <climits>
#include <cstdlib>
#include <sys/types.h>

bool ReadWholeLine(FILE* file, std::string& line) {
  char* buffer = nullptr;
  std::size_t capacity = 0;
  ssize_t length = getline(&buffer, &capacity, file);
  if (length > 0) line.assign(buffer, static_cast<std::size_t>(length));
  std::free(buffer);
  return length > 0;
}

int RecordInt(const char* text) {
  long long value = std::strtoll(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}
