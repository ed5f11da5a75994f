#include "platform/text_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iconv.h>

#include "platform/cp932.h"

namespace platform {

namespace {

// Input bytes taken by a character that cannot be converted.
std::size_t Cp932CharLength(std::string_view rest) {
  return IsLeadByte(static_cast<unsigned char>(rest[0])) && rest.size() > 1 ? 2 : 1;
}

std::size_t Utf8CharLength(std::string_view rest) {
  std::size_t length = 1;
  while (length < rest.size() && length < 4 &&
         (static_cast<unsigned char>(rest[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

// One descriptor per thread and direction: an iconv descriptor is not thread-safe.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (Usable()) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // `firstFailure` (may be null): where in `input` the first character that could not be
  // converted starts; npos when there is none. `growth`: how many output bytes an input
  // byte may take, at first (a large page is not given twice the room it needs).
  std::string Convert(std::string_view input, std::size_t (*charLength)(std::string_view),
                      std::size_t* firstFailure = nullptr, double growth = 2) {
    if (firstFailure) *firstFailure = std::string_view::npos;
    if (!Usable()) return std::string(input);
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    std::string output(static_cast<std::size_t>(static_cast<double>(input.size()) * growth) + 16, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = 0;
    while (inLeft > 0) {
      char* out = output.data() + written;
      std::size_t outLeft = output.size() - written;
      std::size_t result = iconv(m_cd, &in, &inLeft, &out, &outLeft);
      written = output.size() - outLeft;
      if (result != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        output.resize(output.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL: the character becomes '?' and conversion goes on after it.
      if (firstFailure && *firstFailure == std::string_view::npos) {
        *firstFailure = static_cast<std::size_t>(in - input.data());
      }
      if (written == output.size()) output.resize(output.size() * 2);
      output[written++] = '?';
      std::size_t skip = std::min(inLeft, charLength(std::string_view(in, inLeft)));
      in += skip;
      inLeft -= skip;
    }
    output.resize(written);
    return output;
  }

 private:
  bool Usable() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t m_cd;
};

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  thread_local Converter converter("UTF-8", "CP932");
  return converter.Convert(cp932, Cp932CharLength);
}

std::string Utf8ToCp932(std::string_view utf8) {
  thread_local Converter converter("CP932", "UTF-8");
  // No character takes more bytes in CP932 than in UTF-8, nor does its '?'.
  return converter.Convert(utf8, Utf8CharLength, nullptr, 1);
}

std::optional<ForeignCharacter> FindForeignCharacter(std::string_view utf8) {
  thread_local Converter converter("CP932", "UTF-8");
  std::size_t at = std::string_view::npos;
  converter.Convert(utf8, Utf8CharLength, &at);
  if (at == std::string_view::npos) return std::nullopt;
  ForeignCharacter found;
  found.offset = at;
  std::string_view rest = utf8.substr(at);
  std::size_t length = Utf8CharLength(rest);
  std::string_view character = rest.substr(0, length);
  char code[16];
  // A character iconv could not read is no UTF-8 at all: its first byte is named.
  thread_local Converter toUtf32("UTF-32BE", "UTF-8");
  std::size_t unreadable = 0;
  std::string wide = toUtf32.Convert(character, Utf8CharLength, &unreadable);
  bool readable = unreadable == std::string_view::npos && wide.size() == 4;
  if (readable) {
    unsigned long point = 0;
    for (unsigned char byte : wide) point = point << 8 | byte;
    std::snprintf(code, sizeof code, "U+%04lX", point);
    found.utf8 = std::string(character);
  } else {
    std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(rest[0]));
  }
  found.name = code;
  return found;
}

std::string ForeignCharacterText(const ForeignCharacter& found) {
  if (found.utf8.empty()) return "UTF-8 として読めないバイト " + found.name;
  return "Shift_JIS (CP932) にない文字 " + found.name;
}

bool StrictIso2022JpToUtf8(std::string_view jis, std::string& utf8) {
  iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string output(jis.size() * 3 + 16, '\0');
  char* in = const_cast<char*>(jis.data());
  std::size_t inLeft = jis.size();
  char* out = output.data();
  std::size_t outLeft = output.size();
  bool whole = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) &&
               iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!whole || inLeft != 0) return false;
  output.resize(output.size() - outLeft);
  utf8 = std::move(output);
  return true;
}

}  // namespace platform
