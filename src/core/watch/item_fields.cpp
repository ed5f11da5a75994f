#include "core/watch/item_fields.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "core/fetch/form_encoding.h"
#include "core/notify/notify_address.h"
#include "core/text/ignore_rules.h"
#include "core/text/selection.h"
#include "platform/wire_url.h"

namespace {

using Type = ItemField::Type;

// Lower and upper bound of a number field's value (state written by checks is free).
struct Range {
  long long low;
  long long high;
};

// The range of a coded field: its names from `low` to `high`.
template <typename Code>
constexpr Range Codes(Code low, Code high) {
  return {StoredNumber(low), StoredNumber(high)};
}

const std::map<std::string, Range>& NumberRanges() {
  static const std::map<std::string, Range> ranges = {
      {"ByPa", {0, 1}}, {"Cash", {0, 1}}, {"Relo", {0, 1}},
      {"Down", Codes(DownloadMode::PrivateCopy, DownloadMode::NewFile)},
      {"Show", {0, 1}}, {"Resu", Codes(CheckResult::Error, CheckResult::Updated)},
      {"SUse", {0, 2}}, {"PopU", {0, 1}},
      {"KeyP", {1, INT_MAX}}, {"Jpco", Codes(JapaneseCode::Auto, JapaneseCode::ShiftJis)},
      {"CmpS", {1, INT_MAX}}, {"UseM", {0, 1}},
      {"Actv", {0, 1}}, {"RnwM", Codes(UpdateMark::None, UpdateMark::Unknown)},
      {"ChkD", {0, 1}}, {"SKOp", {0, 3}},
      {"SKSc", {0, 1}}, {"Time", {0, INT_MAX}}, {"Date", {0, INT_MAX}},
      {"ErrC", {0, INT_MAX}}, {"NtfS", {0, 1}}, {"TxtC", {0, 1}}, {"TIgC", {0, 1}},
      {"TAdd", {0, 1}},       {"Brws", {0, 1}}};
  return ranges;
}

bool IsFetchKey(const std::string& key) {
  static const std::string fetchKeys =
      "Dest Targ Refe Agen User Pass Cook Prox ByPa Cash Relo Fram Meth Argu Modi Load Name "
      "Thre Head ";
  return fetchKeys.find(key + " ") != std::string::npos && key.size() == 4;
}

bool IsChoice(const std::string& value, std::initializer_list<const char*> choices) {
  for (const char* choice : choices) {
    if (value == choice) return true;
  }
  return false;
}

bool IsProxy(const std::string& text) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::optional<int> port = ParseWholeNumber(text.substr(colon + 1));
  return port && *port >= 1 && *port <= 65535;
}

std::string CheckText(const std::string& key, const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos) return key + " の値に改行は使えません";
  if (key == "Chec" && !IsChoice(value, {"daily", "weekly", "monthly", "once"})) {
    return "Chec は daily, weekly, monthly, once のどれかです: " + value;
  }
  if (key == "Timi" && !IsChoice(value, {"open", "inter", "define"})) {
    return "Timi は open, inter, define のどれかです: " + value;
  }
  if (key == "Prox" && !value.empty() && !IsProxy(value)) {
    return "Prox はホスト:ポートで指定します: " + value;
  }
  if (key == "NtfA") {
    std::string refused = CheckNotifyAddressList(FormUnescape(value));
    if (!refused.empty()) return "NtfA: " + refused;
  }
  if (key == "TIgn") return text::IgnoreRulesFault(FormUnescape(value), false);
  if ((key == "TCss" || key == "TExc") && !value.empty()) {
    if (std::string fault = text::CssFault(value); !fault.empty()) return key + ": " + fault;
  }
  if (key == "TXPa" && !value.empty()) {
    if (std::string fault = text::XPathFault(value); !fault.empty()) return key + ": " + fault;
  }
  if (key == "Targ") {
    if (std::string fault = platform::UrlFault(value); !fault.empty()) return fault + ": " + value;
  }
  return "";
}

}  // namespace

const std::vector<ItemField>& ItemFields() {
  static const std::vector<ItemField> fields = {
      {"Dest", "savePath", Type::Text},      {"Targ", "url", Type::Text},
      {"Refe", "referer", Type::Text},       {"Agen", "userAgent", Type::Text},
      {"User", "user", Type::Text},          {"Pass", "password", Type::Text},
      {"Cook", "cookie", Type::Text},        {"Prox", "proxy", Type::Text},
      {"ByPa", "bypassProxyForLocal", Type::Number},
      {"Cash", "useCache", Type::Number},    {"Relo", "allowRelocation", Type::Number},
      {"Fram", "frame", Type::Text},         {"Meth", "method", Type::Text},
      {"Argu", "formData", Type::Text},      {"Modi", "lastModified", Type::Number},
      {"Load", "lastLinkDownload", Type::Number},
      {"Name", "name", Type::Text},          {"Thre", "thre", Type::Number},
      {"Head", "extraHeaders", Type::Text},  {"Chec", "scheduleKind", Type::Text},
      {"Timi", "timing", Type::Text},        {"Date", "scheduleDate", Type::Number},
      {"Time", "scheduleTime", Type::Number},
      {"Down", "downloadMode", Type::Number},
      {"Show", "showPage", Type::Number},    {"Last", "lastCheck", Type::Number},
      {"Resu", "lastResult", Type::Number},  {"Hidd", "privateCopy", Type::Text},
      {"Exec", "exec", Type::Text},          {"SUse", "sound", Type::Number},
      {"SFil", "soundFile", Type::Text},     {"PopU", "popUp", Type::Number},
      {"Keyw", "anchorKeyword", Type::Text}, {"KeyP", "anchorOccurrence", Type::Number},
      {"Jpco", "japaneseCode", Type::Number},
      {"CmpO", "checkAreaOffset", Type::Number},
      {"CmpS", "checkAreaSize", Type::Number},
      {"CmpD", "checkAreaText", Type::Text}, {"UseM", "mail", Type::Number},
      {"ToAd", "mailTo", Type::Text},        {"Subj", "mailSubject", Type::Text},
      {"Honb", "mailBody", Type::Text},      {"LstM", "lastUpdate", Type::Number},
      {"Actv", "active", Type::Number},      {"RnwM", "updateMark", Type::Number},
      {"ChkD", "compareFullText", Type::Number},
      {"SKyW", "keyword", Type::Text},       {"SKOp", "keywordOptions", Type::Number},
      {"SKSc", "keywordCaseSensitive", Type::Number},
      {"SKyC", "keywordCount", Type::Number},
      {"ErrC", "failuresInARow", Type::Number},
      {"NtfS", "notify", Type::Number},      {"NtfA", "notifyUrls", Type::Text},
      {"TxtC", "textCompare", Type::Number}, {"TCss", "selectCss", Type::Text},
      {"TXPa", "selectXPath", Type::Text},   {"TExc", "excludeCss", Type::Text},
      {"TIgn", "ignoreLines", Type::Text},   {"TIgC", "ignoreCase", Type::Number},
      {"TAdd", "addedOnly", Type::Number},
      {"Tags", "tags", Type::Text},
      {"Brws", "browser", Type::Number},     {"WaiF", "waitFor", Type::Text},
  };
  return fields;
}

const ItemField* FindItemField(const std::string& key) {
  for (const ItemField& field : ItemFields()) {
    if (key == field.key) return &field;
  }
  return nullptr;
}

std::optional<int> ParseWholeNumber(const std::string& text) {
  std::size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
  if (text.size() <= start || text.size() > start + 10) return std::nullopt;
  for (std::size_t i = start; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  long long value = std::atoll(text.c_str());
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

std::vector<ItemFieldLine> ItemFieldLines(const WatchItem& item, bool hidePassword) {
  // The file's own writer gives every value in its stored form.
  char* buffer = nullptr;
  std::size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  std::vector<ItemFieldLine> lines;
  if (!stream) return lines;
  item.Write(stream);
  std::fclose(stream);
  std::string text(buffer, size);
  std::free(buffer);
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (line.size() < 6 || line[0] == '\t') continue;  // the block's marker lines
    ItemFieldLine field{line.substr(0, 4), line.substr(6)};
    if (field.key == "Pass" && hidePassword && !field.value.empty()) field.value = "********";
    if (field.key == "NtfA" && hidePassword) {
      field.value = FormEscape(MaskedNotifyAddressList(FormUnescape(field.value)));
    }
    lines.push_back(std::move(field));
  }
  return lines;
}

std::string SetItemField(WatchItem& item, const std::string& key, const std::string& value) {
  const ItemField* field = FindItemField(key);
  if (!field) return "不明なキーです: " + key;
  if (field->type == Type::Number) {
    std::optional<int> number = ParseWholeNumber(value);
    if (!number) return key + " の値は整数です: " + value;
    auto range = NumberRanges().find(key);
    if (range != NumberRanges().end() &&
        (*number < range->second.low || *number > range->second.high)) {
      return key + " の値が範囲外です: " + value;
    }
  } else if (std::string problem = CheckText(key, value); !problem.empty()) {
    return problem;
  }
  std::string line = key + ": " + value;
  if (IsFetchKey(key)) {
    item.FetchRequest::ParseLine(line.c_str());
  } else {
    item.ParseLine(line.c_str());
  }
  return "";
}

std::string CheckItem(const WatchItem& item) {
  if (std::string fault = platform::UrlFault(item.m_url); !fault.empty()) {
    return item.m_url.empty() ? fault : fault + ": " + item.m_url;
  }
  int comparisons = (item.m_compareAll == 1) + !item.m_simpleKeyword.empty() +
                    !item.m_anchorKeyword.empty() + (item.m_textCompare == 1);
  if (comparisons > 1) return "比較の方法は一つだけ選べます (ChkD, SKyW, Keyw, TxtC)";
  if (!item.m_selectCss.empty() && !item.m_selectXPath.empty()) {
    return "選ぶ部分は CSS (TCss) か XPath (TXPa) のどちらか一つです";
  }
  if (std::string fault = text::IgnoreRulesFault(item.m_ignoreLines, item.m_ignoreCase == 1);
      !fault.empty()) {
    return fault;
  }
  if (item.m_browser == 1 && !item.m_formData.empty()) {
    return "フォーム送信データのあるアイテムはブラウザで表示できません (Brws, Argu)";
  }
  const std::string& kind = item.m_checkKind;
  if (kind == "weekly" && (item.m_date < 1 || item.m_date > 127)) {
    return "毎週のスケジュールには曜日が必要です (Date 1-127)";
  }
  if (kind == "monthly" && (item.m_date < 1 || item.m_date > 31)) {
    return "毎月のスケジュールには日付が必要です (Date 1-31)";
  }
  if (kind == "once" && item.m_date <= 0) return "一回だけのスケジュールには日付が必要です";
  if (item.m_timing == "inter" && item.m_time < 10) return "間隔は 10 秒以上です";
  if (item.m_timing == "define" && item.m_time >= 86400) return "時刻は 23:59:59 までです";
  if (item.m_download != DownloadMode::PrivateCopy && item.m_savePath.empty()) {
    return "ダウンロードには保存するファイル (Dest) が必要です";
  }
  if (item.m_soundUse == 2 && item.m_soundFile.empty()) return "サウンドファイル (SFil) がありません";
  if (item.m_useMail == 1 && item.m_mailTo.empty()) return "メールの宛先 (ToAd) がありません";
  return "";
}
