#include "core/exchange/text_rules.h"

#include "core/fetch/form_encoding.h"
#include "core/watch/item_fields.h"

std::string TextRules::Apply(WatchItem& item) const {
  WatchItem changed = item;
  std::string ignore;
  for (const std::string& line : ignoreLines) ignore += (ignore.empty() ? "" : "\n") + line;
  const std::pair<const char*, std::string> fields[] = {
      {"TxtC", "1"}, {"TCss", css}, {"TXPa", xpath}, {"TExc", excludeCss},
      {"TIgn", FormEscape(ignore)}};
  for (const auto& [key, value] : fields) {
    if (std::string problem = SetItemField(changed, key, value); !problem.empty()) {
      return FindItemField(key) ? problem : "テキスト比較の項目がありません";
    }
  }
  changed.m_compareAll = 0;
  item = changed;
  return "";
}

TextRules TextRules::Of(const WatchItem& item) {
  TextRules rules;
  for (const ItemFieldLine& line : ItemFieldLines(item, false)) {
    if (line.key == "TxtC") rules.text = line.value == "1";
    if (line.key == "TCss") rules.css = line.value;
    if (line.key == "TXPa") rules.xpath = line.value;
    if (line.key == "TExc") rules.excludeCss = line.value;
    if (line.key == "TIgn") {
      std::string text = FormUnescape(line.value);
      std::size_t start = 0;
      while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) rules.ignoreLines.push_back(text.substr(start, end - start));
        start = end + 1;
      }
    }
  }
  if (!rules.text) return TextRules();
  return rules;
}
