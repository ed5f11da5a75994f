#include "cli/item_json.h"

#include <ctime>

#include "core/fetch/form_encoding.h"
#include "core/watch/calendar.h"
#include "core/watch/item_fields.h"
#include "platform/text_codec.h"

namespace {

std::string Utf8(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }

// "2026-12-08T17:05:00+09:00" in the local time zone; null for a time never set.
nlohmann::json IsoTime(int time) {
  if (time <= 0) return nullptr;
  std::tm local = LocalTime(static_cast<std::time_t>(time));
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string iso = text;
  if (iso.size() >= 5) iso.insert(iso.size() - 2, ":");  // +0900 to +09:00
  return iso;
}

bool IsMailFailure(const ResultRow& row) {
  return row.m_image == ResultRow::kError && row.m_text == kMailFailedText;
}

const char* Outcome(const ResultRow& row) {
  if (IsMailFailure(row)) return "mailFailed";
  if (row.m_image == ResultRow::kUpdated) return "updated";
  if (row.m_image == ResultRow::kNotUpdated) return "unchanged";
  return "error";
}

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
    } else if (line.key == "CmpD" || line.key == "Head" || line.key == "TIgn") {
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

nlohmann::json ResultRowJson(const ResultRow& row, const WatchItem* item, int position) {
  nlohmann::json document;
  if (item && position >= 0) document["number"] = position + 1;
  document["time"] = row.m_time;
  document["page"] = Utf8(row.m_page);
  document["result"] = Utf8(row.m_text);
  static const char* const kMarks[] = {"notUpdated", "updated", "error"};
  document["mark"] = row.m_image >= 0 && row.m_image <= 2 ? kMarks[row.m_image] : "error";
  std::string outcome = Outcome(row);
  document["outcome"] = outcome;
  bool failed = outcome == "error";
  // The retriever keeps the HTTP status of a failure only; codes below 100 are its own.
  document["httpStatus"] =
      failed && item && item->m_errorStatus >= 100 ? nlohmann::json(item->m_errorStatus) : nullptr;
  document["error"] = row.m_image == ResultRow::kError ? nlohmann::json(Utf8(row.m_text)) : nullptr;
  if (item) {
    document["name"] = Utf8(item->m_name);
    document["url"] = Utf8(item->m_url);
    document["checkedAt"] = IsoTime(item->m_lastCheck);
    document["lastUpdatedAt"] = IsoTime(item->m_lastUpdate);
  }
  return document;
}

bool IsFailedCheckRow(const ResultRow& row) {
  return row.m_image == ResultRow::kError && !IsMailFailure(row);
}
