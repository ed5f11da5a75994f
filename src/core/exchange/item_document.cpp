#include "core/exchange/item_document.h"

#include "core/fetch/form_encoding.h"
#include "core/watch/item_fields.h"
#include "platform/text_codec.h"
#include "platform/wire_url.h"

namespace {

// Stored form-escaped so that they fit on one line; the documents hold their plain text.
bool IsEscapedInFile(const std::string& key) {
  return key == "CmpD" || key == "Head" || key == "TIgn" || key == "NtfA";
}

nlohmann::json FieldValue(const std::string& key, const std::string& stored, bool number) {
  if (number) return std::atoi(stored.c_str());
  return platform::Cp932ToUtf8(IsEscapedInFile(key) ? FormUnescape(stored) : stored);
}

// The "Key: value" line of the file for a document's value; empty for a value that is
// neither text nor a number.
std::string StoredLine(const std::string& key, const nlohmann::json& value) {
  std::string text;
  if (value.is_number_integer()) {
    text = std::to_string(value.get<long long>());
  } else if (value.is_string()) {
    text = platform::Utf8ToCp932(value.get<std::string>());
    if (IsEscapedInFile(key)) text = FormEscape(text);
  } else {
    return "";
  }
  return key + ": " + text;
}

// Sets the item's field from a line; false for a key the item does not have.
bool ApplyLine(WatchItem& item, const std::string& line) {
  if (item.ParseLine(line.c_str()) >= 0) return true;
  return item.FetchRequest::ParseLine(line.c_str()) >= 0;
}

ImportedJob ReadDocument(const nlohmann::json& document, int index) {
  ImportedJob job;
  job.label = "アイテム " + std::to_string(index + 1);
  if (!document.is_object()) {
    job.outcome = ImportedJob::Outcome::Refused;
    job.reason = "アイテムの形 (JSON のオブジェクト) ではありません";
    return job;
  }
  std::vector<std::pair<std::string, nlohmann::json>> values;
  auto keys = document.find("keys");
  if (keys != document.end() && keys->is_object()) {
    for (const auto& [key, value] : keys->items()) values.emplace_back(key, value);
  } else {
    for (const ItemField& field : ItemFields()) {
      auto found = document.find(field.name);
      if (found != document.end()) values.emplace_back(field.key, *found);
    }
  }
  for (const auto& [key, value] : values) {
    std::string line = key.size() == 4 ? StoredLine(key, value) : "";
    if (line.empty() || !ApplyLine(job.item, line)) job.notes.push_back("不明な項目 " + key + " は無視しました");
  }
  job.label = job.item.m_name.empty() ? job.item.m_url : job.item.m_name;
  if (std::string fault = platform::UrlFault(job.item.m_url); !fault.empty()) {
    job.outcome = ImportedJob::Outcome::Refused;
    job.reason = fault;
  }
  return job;
}

}  // namespace

nlohmann::json ItemDocument(const WatchItem& item, int position, bool hidePassword,
                            bool everyKey) {
  nlohmann::json document;
  document["number"] = position + 1;
  document["schedule"] = platform::Cp932ToUtf8(item.ScheduleText());
  nlohmann::json keys = nlohmann::json::object();
  for (const ItemFieldLine& line : ItemFieldLines(item, hidePassword)) {
    const ItemField* field = FindItemField(line.key);
    if (!field && !everyKey) continue;
    nlohmann::json value =
        FieldValue(line.key, line.value, field && field->type == ItemField::Type::Number);
    if (field) document[field->name] = value;
    keys[line.key] = value;
  }
  document["keys"] = keys;
  return document;
}

std::string ItemDocumentsText(const std::vector<WatchItem>& items,
                              const std::vector<int>& positions) {
  nlohmann::json documents = nlohmann::json::array();
  for (std::size_t i = 0; i < items.size(); ++i) {
    documents.push_back(ItemDocument(items[i], i < positions.size() ? positions[i] : static_cast<int>(i),
                                     false, true));
  }
  return documents.dump(2) + "\n";
}

ImportReading ReadItemDocuments(const std::string& text) {
  ImportReading reading;
  nlohmann::json documents = nlohmann::json::parse(text, nullptr, false);
  if (documents.is_discarded()) {
    reading.parsed = false;
    reading.error = "JSON として読めません";
    return reading;
  }
  if (!documents.is_array()) documents = nlohmann::json::array({documents});
  for (std::size_t i = 0; i < documents.size(); ++i) {
    reading.jobs.push_back(ReadDocument(documents[i], static_cast<int>(i)));
  }
  return reading;
}
