// Reading a downloaded page as CP932 text: the page's Japanese code comes from the watch
// item's setting (Jpco) or is detected, and the page is converted with the program's code
// page converter. The application object forwards to these with its converter. They keep
// no state and may be called from any thread sharing one converter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {
class CCodePageConverter;
}

// The watch item's Japanese code setting (Jpco), in the order of the check options list.
enum JapaneseCode : int {
  kJapaneseCodeAuto = 0,      // "自動選択": detected by DetectCodePage
  kJapaneseCodeJis = 1,       // "JIS": ISO-2022-JP
  kJapaneseCodeEuc = 2,       // "EUC": EUC-JP
  kJapaneseCodeUtf8 = 3,      // "UTF8"
  kJapaneseCodeShiftJis = 4,  // "SHIFT-JIS": taken unconverted, as is any other value
};

// The page in `path` as CP932 text. The text ends at the first zero byte of the file.
// Nothing when `converter` is null (whatever the code), when the file cannot be sized,
// opened for reading and writing (a read-only file fails) or wholly read, or when memory
// runs out. A page that converts to nothing gives an empty text.
std::optional<std::string> LoadPageText(const platform::CCodePageConverter* converter,
                                        const std::string& path, int code);
// The same for a page's bytes held in memory.
std::optional<std::string> PageText(const platform::CCodePageConverter* converter,
                                    std::string bytes, int code);

// The page in `path` as a change is shown: all of its bytes, zero bytes included, as
// CP932 text. Not text when, read in the code the check reads it in, more than one byte
// in a hundred is neither part of a character of that code nor a tab, line break, form
// feed or escape (an image, a PDF, a page in UTF-16). Detection looks at the page as the
// check does, up to its first zero byte.
struct WholePageText {
  enum Status { kText, kNotText, kUnreadable };
  Status status = kUnreadable;
  std::string text;
};
WholePageText LoadWholePageText(const platform::CCodePageConverter* converter,
                                const std::string& path, int code);
// How many bytes of `bytes` are not text in the code page `codePage` (932, 50220, 51932
// or 65001), as above.
std::size_t CountNonTextBytes(std::string_view bytes, int codePage);

// The code page a page's text is written in, first match wins: 50220 when it holds both
// ESC '$' and ESC '('; else, from its first "charset" (any case) on, 51932 when "euc-jp"
// follows anywhere, 65001 when "utf-8" does; else 932.
int DetectCodePage(std::string_view text);
