#include "core/watch/watch_item.h"

#include <cstring>
#include <type_traits>

#include "core/fetch/form_encoding.h"
#include "core/fetch/record_lines.h"

namespace {

// Every key in one string of 6-character slots; a key is known by the position at which it
// is first found, which must be a slot start.
const char kKeys[] =
    "Chec: Timi: Date: Time: Down: Show: Last: Resu: Hidd: Exec: SUse: SFil: PopU: Keyw: "
    "KeyP: Jpco: CmpO: CmpS: CmpD: UseM: ToAd: Subj: Honb: LstM: Actv: RnwM: ChkD: SKyW: "
    "SKOp: SKSc: SKyC: Hist: ETag: LMod: CndR: Cset: ErrC: RtyA: "
    "NtfS: NtfA: TxtC: TCss: TXPa: TExc: TIgn: TIgC: TAdd: Tags: Brws: WaiF: ";
constexpr int kKeyLength = 6;

// A coded field (item_codes.h), read and written as its stored number.
struct CodedField {
  int (*get)(const WatchItem& item);
  void (*set)(WatchItem& item, int number);
};

template <auto member>
constexpr CodedField kCoded = {
    [](const WatchItem& item) { return StoredNumber(item.*member); },
    [](WatchItem& item, int number) {
      using Code = std::remove_cvref_t<decltype(item.*member)>;
      item.*member = FromStoredNumber<Code>(number);
    }};

// One stored field per slot of kKeys, in the same order, which is also the order of the
// lines in a block. A field is a text, a number or a coded field.
struct Field {
  std::string WatchItem::*text;
  int WatchItem::*number;
  bool escaped;  // written form-escaped, so that it always fits on one line
  bool omittedWhenEmpty = false;  // a later addition: an item without it (empty or 0)
                                  // writes no line
  const CodedField* coded = nullptr;
};

const Field kFields[] = {
    {&WatchItem::m_checkKind, nullptr, false},
    {&WatchItem::m_timing, nullptr, false},
    {nullptr, &WatchItem::m_date, false},
    {nullptr, &WatchItem::m_time, false},
    {nullptr, nullptr, false, false, &kCoded<&WatchItem::m_download>},
    {nullptr, &WatchItem::m_showPage, false},
    {nullptr, &WatchItem::m_lastCheck, false},
    {nullptr, nullptr, false, false, &kCoded<&WatchItem::m_result>},
    {&WatchItem::m_hiddenPath, nullptr, false},
    {&WatchItem::m_exec, nullptr, false},
    {nullptr, &WatchItem::m_soundUse, false},
    {&WatchItem::m_soundFile, nullptr, false},
    {nullptr, &WatchItem::m_popUp, false},
    {&WatchItem::m_anchorKeyword, nullptr, false},
    {nullptr, &WatchItem::m_anchorNth, false},
    {nullptr, nullptr, false, false, &kCoded<&WatchItem::m_japaneseCode>},
    {nullptr, &WatchItem::m_compareOffset, false},
    {nullptr, &WatchItem::m_compareSize, false},
    {&WatchItem::m_compareData, nullptr, true},
    {nullptr, &WatchItem::m_useMail, false},
    {&WatchItem::m_mailTo, nullptr, false},
    {&WatchItem::m_mailSubject, nullptr, false},
    {&WatchItem::m_mailBody, nullptr, false},
    {nullptr, &WatchItem::m_lastUpdate, false},
    {nullptr, &WatchItem::m_active, false},
    {nullptr, nullptr, false, false, &kCoded<&WatchItem::m_renewMark>},
    {nullptr, &WatchItem::m_compareAll, false},
    {&WatchItem::m_simpleKeyword, nullptr, false},
    {nullptr, &WatchItem::m_simpleKeywordOptions, false},
    {nullptr, &WatchItem::m_simpleKeywordCase, false},
    {nullptr, &WatchItem::m_simpleKeywordCount, false},
    {&WatchItem::m_historyName, nullptr, false, true},
    {&WatchItem::m_etag, nullptr, false, true},
    {&WatchItem::m_lastModifiedHeader, nullptr, false, true},
    {&WatchItem::m_validatorsFor, nullptr, false, true},
    {&WatchItem::m_pageCharset, nullptr, false, true},
    {nullptr, &WatchItem::m_errorCount, false, true},
    {nullptr, &WatchItem::m_retryAt, false, true},
    {nullptr, &WatchItem::m_notify, false, true},
    {&WatchItem::m_notifyUrls, nullptr, true, true},
    {nullptr, &WatchItem::m_textCompare, false, true},
    {&WatchItem::m_selectCss, nullptr, false, true},
    {&WatchItem::m_selectXPath, nullptr, false, true},
    {&WatchItem::m_excludeCss, nullptr, false, true},
    {&WatchItem::m_ignoreLines, nullptr, true, true},
    {nullptr, &WatchItem::m_ignoreCase, false, true},
    {nullptr, &WatchItem::m_addedOnly, false, true},
    {&WatchItem::m_tags, nullptr, false, true},
    {nullptr, &WatchItem::m_browser, false, true},
    {&WatchItem::m_waitFor, nullptr, false, true},
};
static_assert(sizeof kFields / sizeof kFields[0] * kKeyLength == sizeof kKeys - 1);

constexpr int kActiveKey = 24 * kKeyLength;

const char kBeginMarker[] = "\t//{{TOP-W\n";
const char kEndMarker[] = "\tEND-W}}//\n";
constexpr std::size_t kMarkerLength = 11;

bool IsBlank(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

bool IsBlankLine(const std::string& line) {
  return line.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool StartsWith(const std::string& line, const char* marker) {
  return line.compare(0, kMarkerLength, marker) == 0;
}

// The end marker; at the very end of the file (a line without a line feed) it may lack its
// line feed, as an edited file often does, and still ends the last item.
bool IsEndLine(const std::string& line) {
  return StartsWith(line, kEndMarker) || line == std::string(kEndMarker, kMarkerLength - 1);
}

}  // namespace

void WatchItem::SetDefaults() {
  // The fetch request's fields are reset with the item's own.
  *this = WatchItem();
}

int WatchItem::ParseLine(const char* line) {
  if (!line || !*line) return -1;
  while (IsBlank(*line)) ++line;
  std::size_t length = std::strlen(line);
  while (length > 0 && line[length - 1] == '\n') --length;
  if (length < static_cast<std::size_t>(kKeyLength)) return -1;

  const char* found = std::strstr(kKeys, std::string(line, kKeyLength).c_str());
  if (!found || (found - kKeys) % kKeyLength != 0) return -1;
  int position = static_cast<int>(found - kKeys);

  const Field& field = kFields[position / kKeyLength];
  std::string value(line + kKeyLength, length - kKeyLength);
  if (field.text) {
    this->*field.text = field.escaped ? FormUnescape(value) : value;
  } else if (field.coded) {
    field.coded->set(*this, RecordInt(value.c_str()));
  } else {
    this->*field.number = RecordInt(value.c_str());
  }
  return position;
}

bool WatchItem::Read(FILE* file, bool* strayText) {
  SetDefaults();
  auto stray = [strayText] {
    if (strayText) *strayText = true;
    return false;
  };
  std::string line;
  do {
    if (!ReadWholeLine(file, line)) return false;
    if (!StartsWith(line, kBeginMarker) && !IsBlankLine(line)) stray();
  } while (!StartsWith(line, kBeginMarker));

  // From here the file holds a block: ending before its end marker cuts it off.
  if (!FetchRequest::Read(file)) return stray();

  int activeLines = 0;
  while (ReadWholeLine(file, line)) {
    if (ParseLine(line.c_str()) == kActiveKey) ++activeLines;
    if (IsEndLine(line)) {
      // Items stored before the active flag existed are active.
      if (activeLines == 0) m_active = 1;
      return true;
    }
  }
  return stray();
}

int WatchItem::Write(FILE* file) const {
  if (std::fputs(kBeginMarker, file) < 0) return 1;
  if (FetchRequest::Write(file) != 0) return 1;
  bool failed = false;
  for (std::size_t slot = 0; slot < sizeof kFields / sizeof kFields[0]; ++slot) {
    const Field& field = kFields[slot];
    const char* key = kKeys + slot * kKeyLength;
    int written;
    if (field.text) {
      const std::string& text = this->*field.text;
      if (field.omittedWhenEmpty && text.empty()) continue;
      written = std::fprintf(file, "%.6s%s\n", key,
                             (field.escaped ? FormEscape(text) : text).c_str());
    } else {
      int number = field.coded ? field.coded->get(*this) : this->*field.number;
      if (field.omittedWhenEmpty && number == 0) continue;
      written = std::fprintf(file, "%.6s%d\n", key, number);
    }
    failed = failed || written < 0;
  }
  if (std::fputs(kEndMarker, file) < 0) failed = true;
  return failed ? 1 : 0;
}
