#include "support/iconv_oracle.h"

#include <iconv.h>

std::optional<std::string> IconvConvert(const char* to, const char* from, std::string_view input) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string output(input.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char* out = output.data();
  std::size_t outLeft = output.size();
  std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  if (result != static_cast<std::size_t>(-1)) {
    result = iconv(cd, nullptr, nullptr, &out, &outLeft);  // the closing escape, if any
  }
  iconv_close(cd);
  if (result == static_cast<std::size_t>(-1)) return std::nullopt;
  output.resize(output.size() - outLeft);
  return output;
}
