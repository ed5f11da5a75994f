// A fetched page read as text in each of the Japanese codes, and its code detected.
#include "core/check/page_text.h"
#include "fuzz/fuzz_driver.h"
#include "platform/code_page_converter.h"

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  static const platform::CCodePageConverter converter;
  // As stored: 0 automatic, 1 JIS, 2 EUC, 3 UTF-8, 4 Shift_JIS, 5 unknown.
  auto code = FromStoredNumber<JapaneseCode>(data[0] % 6);
  std::string path = WriteFuzzFile("page.htm", data + 1, size - 1);
  if (std::optional<std::string> text = LoadPageText(&converter, path, code)) {
    DetectCodePage(*text);
  }
}
