// Reading a downloaded page as CP932 text: the page's Japanese code comes from the watch
// item's setting (JapaneseCode, item_codes.h) or is detected, and the page is converted
// with the program's code page converter. The application object forwards to these with
// its converter. They keep no state and may be called from any thread sharing one
// converter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/watch/item_codes.h"

namespace platform {
class CCodePageConverter;
}

// The page in `path` as CP932 text. The text ends at the first zero byte of the file.
// Nothing when `converter` is null (whatever the code), when the file cannot be sized,
// opened for reading and writing (a read-only file fails) or wholly read, or when memory
// runs out. A page that converts to nothing gives an empty text. `serverCharset` is the
// charset the server named for the page in its Content-Type (empty: none), which the
// automatic setting follows.
std::optional<std::string> LoadPageText(const platform::CCodePageConverter* converter,
                                        const std::string& path, JapaneseCode code,
                                        std::string_view serverCharset = {});
// The same for a page's bytes held in memory.
std::optional<std::string> PageText(const platform::CCodePageConverter* converter,
                                    std::string bytes, JapaneseCode code,
                                    std::string_view serverCharset = {});

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
                                const std::string& path, JapaneseCode code,
                                std::string_view serverCharset = {});
// How many bytes of `bytes` are not text in the code page `codePage` (932, 50220, 51932
// or 65001), as above.
std::size_t CountNonTextBytes(std::string_view bytes, int codePage);

// The code page a page's text is written in, as a browser decides it; first match wins:
// a UTF-8 byte order mark; the server's charset when it names one of the four Japanese
// codes; a charset in a <meta> tag within the first 4096 bytes (<meta charset> or the
// content of <meta http-equiv>; a charset anywhere else is the page's text); else by the
// bytes: 50220 when the text holds both ESC '$' and ESC '(', 65001 when it is valid UTF-8
// with characters beyond ASCII, 51932 when it is valid EUC-JP with such characters; else 932.
int DetectCodePage(std::string_view text, std::string_view serverCharset = {});

// The code page of a charset name (any case): 932, 51932, 65001 or 50220; 0 for a name
// that is none of the Japanese codes.
int CodePageOfCharset(std::string_view name);
