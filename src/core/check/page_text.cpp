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

}  // namespace

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
