#include "platform/code_page_converter.h"

#include "platform/euc_codec.h"
#include "platform/jis_codec.h"
#include "platform/text_codec.h"

namespace platform {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsIso2022Jp(int codePage) { return codePage >= 50220 && codePage <= 50222; }

std::string_view WithoutByteOrderMark(std::string_view utf8) {
  if (utf8.starts_with(kUtf8ByteOrderMark)) utf8.remove_prefix(kUtf8ByteOrderMark.size());
  return utf8;
}

}  // namespace

bool CCodePageConverter::IsSupported(int sourceCodePage, int destinationCodePage) {
  if (destinationCodePage == kCodePageShiftJis) {
    return sourceCodePage == kCodePageShiftJis || sourceCodePage == kCodePageUtf8 ||
           sourceCodePage == kCodePageEucJp || IsIso2022Jp(sourceCodePage);
  }
  return sourceCodePage == kCodePageShiftJis &&
         (destinationCodePage == kCodePageIso2022Jp || destinationCodePage == kCodePageUtf8);
}

bool CCodePageConverter::ConvertString(int sourceCodePage, int destinationCodePage,
                                       std::string_view source, std::string& destination) const {
  destination.clear();
  if (!IsSupported(sourceCodePage, destinationCodePage)) return false;
  if (destinationCodePage == kCodePageShiftJis) {
    if (sourceCodePage == kCodePageUtf8) {
      destination = Utf8ToCp932(WithoutByteOrderMark(source));
    } else if (sourceCodePage == kCodePageEucJp) {
      destination = EucJpToCp932(source);
    } else if (IsIso2022Jp(sourceCodePage)) {
      destination = JisToCp932(source);
    } else {
      destination.assign(source);
    }
  } else if (destinationCodePage == kCodePageIso2022Jp) {
    destination = Cp932ToJis(source);
  } else {
    destination = Cp932ToUtf8(source);
  }
  return true;
}

}  // namespace platform
