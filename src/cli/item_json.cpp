#include "cli/item_json.h"

#include "core/fetch/form_encoding.h"
#include "core/watch/item_fields.h"
#include "platform/text_codec.h"

namespace {

std::string Utf8(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }

}  // namespace

nlohmann::json ItemJson(const WatchItem& item, int position) {
  nlohmann::json document;
  document["number"] = position + 1;
  document["schedule"] = Utf8(item.ScheduleText());
  nlohmann::json keys = nlohmann::json::object();
  for (const ItemFieldLine& line : ItemFieldLines(item, true)) {
    const ItemField* field = FindItemField(line.key);
    if (!field) continue;
    nlohmann::json value;
    if (field->type == ItemField::Type::Number) {
      value = std::atoi(line.value.c_str());
    } else if (line.key == "CmpD" || line.key == "Head") {
      value = Utf8(FormUnescape(line.value));  // stored escaped to fit on one line
    } else {
      value = Utf8(line.value);
    }
    document[field->name] = value;
    keys[line.key] = value;
  }
  document["keys"] = keys;
  return document;
}

nlohmann::json ResultRowJson(const ResultRow& row, int position) {
  nlohmann::json document;
  if (position >= 0) document["number"] = position + 1;
  document["time"] = row.m_time;
  document["page"] = Utf8(row.m_page);
  document["result"] = Utf8(row.m_text);
  static const char* const kMarks[] = {"notUpdated", "updated", "error"};
  document["mark"] = row.m_image >= 0 && row.m_image <= 2 ? kMarks[row.m_image] : "error";
  return document;
}
