#include "core/exchange/import_reader.h"

#include <fstream>
#include <sstream>

#include "core/exchange/item_document.h"
#include "core/exchange/urlwatch_import.h"
#include "core/watch/item_tags.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "platform/wire_url.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// By the extension first, then by the first character that is not blank or a comment line:
// JSON begins with "[" or "{", a urlwatch file with a "key:" line or "---".
ImportFormat GuessFormat(const std::string& text, const std::string& fileName) {
  if (EndsWith(fileName, ".json")) return ImportFormat::Json;
  if (EndsWith(fileName, ".yaml") || EndsWith(fileName, ".yml")) return ImportFormat::Urlwatch;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    if (line[start] == '[' || line[start] == '{') return ImportFormat::Json;
    if (line.compare(start, 3, "---") == 0) return ImportFormat::Urlwatch;
    std::size_t colon = line.find(':', start);
    bool keyLine = colon != std::string::npos &&
                   (colon + 1 == line.size() || line[colon + 1] == ' ' || line[colon + 1] == '\r');
    return keyLine ? ImportFormat::Urlwatch : ImportFormat::List;
  }
  return ImportFormat::List;
}

// One URL a line, then its tags separated by blanks; "#" begins a comment, at the start of
// a line or of a word.
ImportReading ReadPlainList(const std::string& text, int active) {
  ImportReading reading;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::vector<std::string> parts;
    for (std::string word; words >> word && word[0] != '#';) parts.push_back(word);
    if (parts.empty()) continue;
    ImportedJob job;
    if (!StartImportedItem(job, parts[0], active)) {
      reading.jobs.push_back(std::move(job));
      continue;
    }
    job.item.m_compareAll = 1;  // a page's change is a change of its text, as elsewhere
    for (std::size_t i = 1; i < parts.size(); ++i) {
      job.item.m_tags = AddTag(job.item.m_tags, platform::Utf8ToCp932(parts[i]));
    }
    reading.jobs.push_back(std::move(job));
  }
  return reading;
}

}  // namespace

std::optional<ImportFormat> ImportFormatNamed(const std::string& name) {
  if (name == "urlwatch") return ImportFormat::Urlwatch;
  if (name == "list") return ImportFormat::List;
  if (name == "json") return ImportFormat::Json;
  return std::nullopt;
}

bool StartImportedItem(ImportedJob& job, const std::string& utf8Url, int active) {
  std::string url = platform::Utf8ToCp932(utf8Url);
  job.label = url;
  if (std::string fault = platform::UrlFault(url); !fault.empty()) {
    job.outcome = ImportedJob::Outcome::Refused;
    job.reason = fault;
    return false;
  }
  job.item.m_url = url;
  job.item.m_active = active;
  return true;
}

bool ReadImportFile(const std::string& path, std::string& text) {
  std::ifstream file(platform::NativePath(path), std::ios::binary);
  if (!file) return false;
  std::stringstream buffer;
  buffer << file.rdbuf();
  text = buffer.str();
  return !file.bad();
}

ImportReading ReadImport(const std::string& text, const ImportOptions& options) {
  ImportFormat format = options.format == ImportFormat::Guess ? GuessFormat(text, options.fileName)
                                                               : options.format;
  switch (format) {
    case ImportFormat::Json:
      return ReadItemDocuments(text);
    case ImportFormat::Urlwatch:
      return ReadUrlwatchJobs(text, options.newItemActive);
    default:
      return ReadPlainList(text, options.newItemActive);
  }
}
