#include "core/check/page_text.h"

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

// The source code page for a code setting and text; 932 means "take the text as it is".
int SourceCodePage(int code, std::string_view text) {
  switch (code) {
    case kJapaneseCodeAuto:
      return DetectCodePage(text);
    case kJapaneseCodeJis:
      return platform::kCodePageIso2022Jp;
    case kJapaneseCodeEuc:
      return platform::kCodePageEucJp;
    case kJapaneseCodeUtf8:
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
                                const std::string& path, int code) {
  WholePageText page;
  if (converter == nullptr) return page;
  std::optional<std::string> bytes = ReadWholeFileSafely(path);
  if (!bytes) return page;
  std::string_view asChecked(*bytes);
  asChecked = asChecked.substr(0, asChecked.find('\0'));
  int source = SourceCodePage(code, asChecked);
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
                                        const std::string& path, int code) {
  if (converter == nullptr) return std::nullopt;
  try {
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    return PageText(converter, std::move(*bytes), code);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

std::optional<std::string> PageText(const platform::CCodePageConverter* converter,
                                    std::string bytes, int code) {
  if (converter == nullptr) return std::nullopt;
  try {
    std::size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    int source = SourceCodePage(code, bytes);
    if (source == platform::kCodePageShiftJis) return bytes;
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

int DetectCodePage(std::string_view text) {
  if (text.find("\x1B$") != std::string_view::npos &&
      text.find("\x1B(") != std::string_view::npos) {
    return platform::kCodePageIso2022Jp;
  }
  // The page's encoding is not known yet, so the searches go byte by byte: a CP932-aware
  // search could step over a declaration in a UTF-8 or EUC-JP page. Only the lower-casing
  // reads the text as CP932, so that no trail byte changes.
  std::size_t charset = platform::FindInLowerCase(text, "charset");
  if (charset != std::string_view::npos) {
    if (platform::FindInLowerCase(text, "euc-jp", charset) != std::string_view::npos) {
      return platform::kCodePageEucJp;
    }
    if (platform::FindInLowerCase(text, "utf-8", charset) != std::string_view::npos) {
      return platform::kCodePageUtf8;
    }
  }
  return platform::kCodePageShiftJis;
}
