#include "core/check/page_text.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "platform/code_page_converter.h"
#include "platform/cp932.h"
#include "platform/file_system.h"

namespace {

// The file's bytes, all of them or nothing.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  platform::FileStatus status;
  if (!platform::StatFile(path, status) || status.size < 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(status.size), '\0');
  // Opened for writing too: a page that cannot be written is not taken.
  FILE* file = platform::OpenFile(path, "r+b");
  if (file == nullptr) return std::nullopt;
  std::size_t read = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  if (read < bytes.size()) return std::nullopt;
  return bytes;
}

// How far into a page a <meta> declaration counts, as in browsers.
constexpr std::size_t kDeclarationWindow = 4096;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Byte by byte, ASCII letters in any case: the page's code is not known yet, and the
// markup sought is ASCII.
std::size_t FindAscii(std::string_view text, std::string_view needle, std::size_t from = 0) {
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && AsciiLower(text[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

// The value after "charset" and "=" in one tag, up to a quote, blank, ';' or the end.
std::string_view CharsetInTag(std::string_view tag) {
  for (std::size_t at = FindAscii(tag, "charset"); at != std::string_view::npos;
       at = FindAscii(tag, "charset", at + 1)) {
    std::size_t i = at + 7;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t')) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '"' || tag[i] == '\'')) ++i;
    std::size_t end = i;
    while (end < tag.size() && std::string_view(" \t\"';/").find(tag[end]) == std::string_view::npos) ++end;
    return tag.substr(i, end - i);
  }
  return {};
}

// The code page a <meta> tag within the first bytes declares; 0 when none does.
int DeclaredCodePage(std::string_view text) {
  std::string_view head = text.substr(0, std::min(text.size(), kDeclarationWindow));
  for (std::size_t at = FindAscii(head, "<meta"); at != std::string_view::npos;
       at = FindAscii(head, "<meta", at + 5)) {
    std::size_t end = head.find('>', at);
    std::string_view tag = head.substr(at + 5, end == std::string_view::npos ? std::string_view::npos
                                                                            : end - at - 5);
    if (int page = CodePageOfCharset(CharsetInTag(tag))) return page;
  }
  return 0;
}

// Whether the bytes form valid sequences of a multi-byte code: `Step` gives the length of
// the character at a position, or 0 when it is not one. Also tells whether any character
// is more than one byte.
template <class Step>
bool ValidSequences(std::string_view text, bool& multibyte, Step step) {
  multibyte = false;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = step(text, i);
    if (length == 0) return false;
    multibyte |= length > 1;
    i += length;
  }
  return true;
}

unsigned char At(std::string_view text, std::size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

std::size_t Utf8Length(std::string_view text, std::size_t i) {
  unsigned char lead = At(text, i);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((At(text, i + k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

std::size_t EucLength(std::string_view text, std::size_t i) {
  unsigned char lead = At(text, i);
  auto inRow = [](unsigned char c) { return c >= 0xA1 && c <= 0xFE; };
  if (lead < 0x80) return 1;
  if (lead == 0x8E) return At(text, i + 1) >= 0xA1 && At(text, i + 1) <= 0xDF ? 2 : 0;
  if (lead == 0x8F) return inRow(At(text, i + 1)) && inRow(At(text, i + 2)) ? 3 : 0;
  return inRow(lead) && inRow(At(text, i + 1)) ? 2 : 0;
}

// The code by the bytes alone. A text valid as UTF-8 or as EUC-JP is very seldom
// Shift_JIS: Shift_JIS kana and most kanji have lead bytes from 0x81 to 0x9F, which are
// neither, or trail bytes below 0x80, which UTF-8 never has.
int CodePageByBytes(std::string_view text) {
  if (text.find("\x1B$") != std::string_view::npos &&
      text.find("\x1B(") != std::string_view::npos) {
    return platform::kCodePageIso2022Jp;
  }
  bool multibyte = false;
  if (ValidSequences(text, multibyte, Utf8Length) && multibyte) return platform::kCodePageUtf8;
  if (ValidSequences(text, multibyte, EucLength) && multibyte) return platform::kCodePageEucJp;
  return platform::kCodePageShiftJis;
}

// The source code page for a code setting and text; 932 means "take the text as it is".
int SourceCodePage(JapaneseCode code, std::string_view text, std::string_view serverCharset) {
  switch (code) {
    case JapaneseCode::Auto:
      return DetectCodePage(text, serverCharset);
    case JapaneseCode::Jis:
      return platform::kCodePageIso2022Jp;
    case JapaneseCode::Euc:
      return platform::kCodePageEucJp;
    case JapaneseCode::Utf8:
      return platform::kCodePageUtf8;
    default:
      return platform::kCodePageShiftJis;
  }
}

bool IsControlByte(unsigned char byte) {
  bool allowed = byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f' || byte == 0x1B;
  return (byte < 0x20 && !allowed) || byte == 0x7F;
}

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

// The length of the character of `codePage` at the start of `rest`, or 0 when no valid
// character starts there. `rest` is not empty.
std::size_t CharacterLength(std::string_view rest, int codePage) {
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
  unsigned char first = at(0);
  if (first < 0x80) return IsControlByte(first) ? 0 : 1;
  auto trailing = [&](std::size_t count, unsigned char low, unsigned char high) {
    if (rest.size() <= count) return false;
    for (std::size_t i = 1; i <= count; ++i) {
      if (!InRange(at(i), low, high)) return false;
    }
    return true;
  };
  switch (codePage) {
    case platform::kCodePageIso2022Jp:
      return 0;  // seven bits only
    case platform::kCodePageEucJp:
      if (first == 0x8E) return trailing(1, 0xA1, 0xDF) ? 2 : 0;
      if (first == 0x8F) return trailing(2, 0xA1, 0xFE) ? 3 : 0;
      return InRange(first, 0xA1, 0xFE) && trailing(1, 0xA1, 0xFE) ? 2 : 0;
    case platform::kCodePageUtf8: {
      std::size_t length = InRange(first, 0xC2, 0xDF) ? 2 : InRange(first, 0xE0, 0xEF) ? 3
                           : InRange(first, 0xF0, 0xF4) ? 4 : 0;
      return length != 0 && trailing(length - 1, 0x80, 0xBF) ? length : 0;
    }
    default:
      if (InRange(first, 0xA1, 0xDF)) return 1;  // half-width katakana
      if (!platform::IsLeadByte(first) || rest.size() < 2) return 0;
      return InRange(at(1), 0x40, 0x7E) || InRange(at(1), 0x80, 0xFC) ? 2 : 0;
  }
}

// How much of a UTF-8 page is converted at a time.
constexpr std::size_t kConversionPart = 64 * 1024;

// Converts a UTF-8 page to CP932 in its own string, a part at a time: no character takes
// more bytes in CP932, so the converted text never overtakes the part still to convert,
// and a large page is not held twice. Every part but the first starts with an ASCII byte
// after another one, so each converts as it would within the whole (a byte order mark is
// dropped only at the start).
void Utf8ToCp932InPlace(const platform::CCodePageConverter& converter, std::string& text) {
  auto ascii = [&](std::size_t at) { return static_cast<unsigned char>(text[at]) < 0x80; };
  std::size_t written = 0;
  std::string part;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.size(), at + kConversionPart);
    while (end < text.size() && !(ascii(end - 1) && ascii(end))) ++end;
    converter.ConvertString(platform::kCodePageUtf8, platform::kCodePageShiftJis,
                            std::string_view(text).substr(at, end - at), part);
    std::copy(part.begin(), part.end(), text.begin() + static_cast<std::ptrdiff_t>(written));
    written += part.size();
    at = end;
  }
  text.resize(written);
}

std::optional<std::string> ReadWholeFileSafely(const std::string& path) {
  try {
    return ReadWholeFile(path);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

}  // namespace

std::size_t CountNonTextBytes(std::string_view bytes, int codePage) {
  std::size_t stray = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte >= 0x20 && byte < 0x7F) {  // most of a page: taken without a call
      ++at;
      continue;
    }
    std::size_t length = CharacterLength(bytes.substr(at), codePage);
    if (length == 0) {
      ++stray;
      length = 1;
    }
    at += length;
  }
  return stray;
}

WholePageText LoadWholePageText(const platform::CCodePageConverter* converter,
                                const std::string& path, JapaneseCode code,
                                std::string_view serverCharset) {
  WholePageText page;
  if (converter == nullptr) return page;
  std::optional<std::string> bytes = ReadWholeFileSafely(path);
  if (!bytes) return page;
  std::string_view asChecked(*bytes);
  asChecked = asChecked.substr(0, asChecked.find('\0'));
  int source = SourceCodePage(code, asChecked, serverCharset);
  if (CountNonTextBytes(*bytes, source) * 100 > bytes->size()) {
    page.status = WholePageText::kNotText;
    return page;
  }
  try {
    if (source == platform::kCodePageShiftJis) {
      page.text = std::move(*bytes);
    } else {
      converter->ConvertString(source, platform::kCodePageShiftJis, *bytes, page.text);
    }
  } catch (const std::bad_alloc&) {
    return page;
  }
  page.status = WholePageText::kText;
  return page;
}

std::optional<std::string> LoadPageText(const platform::CCodePageConverter* converter,
                                        const std::string& path, JapaneseCode code,
                                        std::string_view serverCharset) {
  if (converter == nullptr) return std::nullopt;
  try {
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    return PageText(converter, std::move(*bytes), code, serverCharset);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

std::optional<std::string> PageText(const platform::CCodePageConverter* converter,
                                    std::string bytes, JapaneseCode code,
                                    std::string_view serverCharset) {
  if (converter == nullptr) return std::nullopt;
  try {
    std::size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    int source = SourceCodePage(code, bytes, serverCharset);
    if (source == platform::kCodePageShiftJis) return bytes;
    if (source == platform::kCodePageUtf8) {
      Utf8ToCp932InPlace(*converter, bytes);
      return bytes;
    }
    std::string converted;
    // An unsupported pair leaves the text empty, which the caller gets as an empty page.
    converter->ConvertString(source, platform::kCodePageShiftJis, bytes, converted);
    return converted;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

int DetectCodePage(std::string_view text, std::string_view serverCharset) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") return platform::kCodePageUtf8;
  if (int page = CodePageOfCharset(serverCharset)) return page;
  if (int page = DeclaredCodePage(text)) return page;
  return CodePageByBytes(text);
}

int CodePageOfCharset(std::string_view name) {
  std::string lower;
  for (char c : name) lower += AsciiLower(c);
  for (const char* utf8 : {"utf-8", "utf8"}) {
    if (lower == utf8) return platform::kCodePageUtf8;
  }
  for (const char* euc : {"euc-jp", "x-euc-jp", "eucjp", "euc_jp", "cseucpkdfmtjapanese"}) {
    if (lower == euc) return platform::kCodePageEucJp;
  }
  for (const char* sjis : {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932",
                           "ms932", "ms_kanji", "csshiftjis", "cswindows31j"}) {
    if (lower == sjis) return platform::kCodePageShiftJis;
  }
  for (const char* jis : {"iso-2022-jp", "csiso2022jp"}) {
    if (lower == jis) return platform::kCodePageIso2022Jp;
  }
  return 0;
}
