#include "gui/wx_text.h"

#include "platform/text_codec.h"

wxString ToWx(const std::string& cp932) {
  return wxString::FromUTF8(platform::Cp932ToUtf8(cp932));
}

std::string FromWx(const wxString& text) {
  return platform::Utf8ToCp932(text.utf8_string());
}
