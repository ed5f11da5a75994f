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

// The code page a page's text is written in, first match wins: 50220 when it holds both
// ESC '$' and ESC '('; else, from its first "charset" (any case) on, 51932 when "euc-jp"
// follows anywhere, 65001 when "utf-8" does; else 932.
int DetectCodePage(std::string_view text);
