#include "core/exchange/urlwatch_import.h"

#include <yaml-cpp/yaml.h>

#include <map>
#include <optional>
#include <set>

#include "core/exchange/import_reader.h"
#include "core/exchange/text_rules.h"
#include "core/fetch/form_encoding.h"
#include "core/watch/item_fields.h"
#include "core/watch/item_tags.h"
#include "platform/text_codec.h"

namespace {

using Outcome = ImportedJob::Outcome;

std::string Cp932(const std::string& utf8) { return platform::Utf8ToCp932(utf8); }

// A scalar's text, or empty for anything else.
std::string Text(const YAML::Node& node) {
  return node && node.IsScalar() ? node.Scalar() : std::string();
}

// One filter of a job: its name and its settings, the short form's argument under the
// filter's main setting.
struct FilterStep {
  std::string name;
  std::map<std::string, std::string> settings;
};

const char* MainSetting(const std::string& filter) {
  static const std::map<std::string, const char*> main = {
      {"css", "selector"}, {"xpath", "path"},    {"element-by-id", "id"},
      {"element-by-class", "class"}, {"element-by-tag", "tag"}, {"grep", "re"},
      {"grepi", "re"},     {"re.sub", "pattern"}, {"html2text", "method"}};
  auto found = main.find(filter);
  return found == main.end() ? "argument" : found->second;
}

FilterStep StepOfText(const std::string& text) {
  FilterStep step;
  std::size_t colon = text.find(':');
  step.name = text.substr(0, colon);
  if (colon != std::string::npos) step.settings[MainSetting(step.name)] = text.substr(colon + 1);
  return step;
}

// The filter as written: "css:div,html2text" (comma-separated), or a list whose entries
// are such texts or maps of one filter name to its argument or its settings.
std::vector<FilterStep> FilterSteps(const YAML::Node& filter) {
  std::vector<FilterStep> steps;
  if (filter.IsScalar()) {
    std::string text = filter.Scalar();
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t comma = text.find(',', start);
      if (comma == std::string::npos) comma = text.size();
      if (comma > start) steps.push_back(StepOfText(text.substr(start, comma - start)));
      start = comma + 1;
    }
    return steps;
  }
  if (!filter.IsSequence()) return steps;
  for (const YAML::Node& entry : filter) {
    if (entry.IsScalar()) {
      steps.push_back(StepOfText(entry.Scalar()));
      continue;
    }
    if (!entry.IsMap()) continue;
    for (const auto& pair : entry) {
      FilterStep step;
      step.name = pair.first.Scalar();
      if (pair.second.IsScalar()) step.settings[MainSetting(step.name)] = pair.second.Scalar();
      if (pair.second.IsMap()) {
        for (const auto& setting : pair.second) step.settings[setting.first.Scalar()] = Text(setting.second);
      }
      steps.push_back(std::move(step));
    }
  }
  return steps;
}

// "a b" to ".a.b": an element carrying every one of the classes.
std::string ClassSelector(const std::string& classes) {
  std::string selector;
  for (const std::string& word : TagWords(classes)) selector += "." + word;
  return selector;
}

// Turns the filters into text rules; what does not carry over is noted.
TextRules RulesOfFilters(const std::vector<FilterStep>& steps, std::vector<std::string>& notes) {
  TextRules rules;
  for (const FilterStep& step : steps) {
    auto setting = [&step](const char* name) {
      auto found = step.settings.find(name);
      return found == step.settings.end() ? std::string() : found->second;
    };
    std::string selector;
    if (step.name == "css") selector = setting("selector");
    if (step.name == "element-by-id") selector = "#" + setting("id");
    if (step.name == "element-by-class") selector = ClassSelector(setting("class"));
    if (step.name == "element-by-tag") selector = setting("tag");
    bool selects = !selector.empty() || step.name == "xpath";
    if (selects && (!rules.css.empty() || !rules.xpath.empty())) {
      notes.push_back("フィルタ " + step.name + " は使いません: 比較する部分は一つだけ選べます");
    } else if (step.name == "xpath") {
      rules.xpath = Cp932(setting("path"));
      if (!setting("exclude").empty()) notes.push_back("xpath の exclude は使いません: 除く要素は CSS で指定します");
    } else if (selects) {
      rules.css = Cp932(selector);
      rules.excludeCss = Cp932(setting("exclude"));
    } else if (step.name == "html2text") {
      rules.text = true;
    } else if (step.name == "grep") {
      // Lines that do not match are ignored: what is left is what grep keeps.
      rules.ignoreLines.push_back("^(?!.*(?:" + Cp932(setting("re")) + "))");
    } else if (step.name == "grepi") {
      rules.ignoreLines.push_back(Cp932(setting("re")));
    } else if (step.name == "re.sub" && setting("repl").empty()) {
      rules.ignoreLines.push_back(Cp932(setting("pattern")));
    } else if (step.name == "re.sub") {
      notes.push_back("フィルタ re.sub は使いません: 置き換えには対応していません");
    } else {
      notes.push_back("フィルタ " + step.name + " は使いません: 対応するものがありません");
    }
  }
  return rules;
}

// "http://host:8080/" or "host:8080" to "host:8080"; empty when there is no port.
std::string ProxyOf(const std::string& url) {
  std::string text = url;
  if (std::size_t scheme = text.find("://"); scheme != std::string::npos) text.erase(0, scheme + 3);
  if (std::size_t at = text.rfind('@'); at != std::string::npos) text.erase(0, at + 1);
  if (std::size_t slash = text.find('/'); slash != std::string::npos) text.erase(slash);
  return text.find(':') == std::string::npos ? "" : text;
}

// Nothing for an encoding that is none of the Japanese codes.
std::optional<JapaneseCode> JapaneseCodeOf(std::string encoding) {
  for (char& ch : encoding) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  using enum JapaneseCode;
  static const std::map<std::string, JapaneseCode> codes = {
      {"iso-2022-jp", Jis}, {"euc-jp", Euc},          {"euc_jp", Euc},
      {"utf-8", Utf8},      {"utf8", Utf8},           {"shift_jis", ShiftJis},
      {"sjis", ShiftJis},   {"shift-jis", ShiftJis},  {"cp932", ShiftJis},
      {"windows-31j", ShiftJis}};
  auto found = codes.find(encoding);
  if (found == codes.end()) return std::nullopt;
  return found->second;
}

// The request's own parts: form post, headers, cookies, proxy.
void ReadRequest(const YAML::Node& job, ImportedJob& imported) {
  WatchItem& item = imported.item;
  std::string method = Text(job["method"]);
  for (char& ch : method) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  if (const YAML::Node& data = job["data"]) {
    if (data.IsMap()) {
      for (const auto& pair : data) {
        item.m_formData += (item.m_formData.empty() ? "" : "&") + FormEscape(Cp932(pair.first.Scalar())) +
                           "=" + FormEscape(Cp932(Text(pair.second)));
      }
    } else {
      item.m_formData = Cp932(Text(data));
    }
  }
  if (!method.empty() && method != "GET" && method != "POST") {
    imported.outcome = Outcome::Refused;
    imported.reason = "method " + method + " には対応していません (GET と POST だけです)";
  } else if (method == "POST" && item.m_formData.empty()) {
    imported.notes.push_back("送るデータがないので GET で取得します");
  }
  if (!item.m_formData.empty()) item.m_method = "POST";
  if (const YAML::Node& headers = job["headers"]; headers && headers.IsMap()) {
    for (const auto& pair : headers) {
      std::string name = Cp932(pair.first.Scalar());
      std::string value = Cp932(Text(pair.second));
      std::string lower = name;
      for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      if (lower == "user-agent") item.m_userAgent = value;
      else if (lower == "referer") item.m_referer = value;
      else if (lower == "cookie") item.m_cookie += (item.m_cookie.empty() ? "" : "; ") + value;
      else item.m_extraHeaders += name + ": " + value + "\r\n";
    }
  }
  if (const YAML::Node& cookies = job["cookies"]; cookies && cookies.IsMap()) {
    for (const auto& pair : cookies) {
      item.m_cookie += (item.m_cookie.empty() ? "" : "; ") + Cp932(pair.first.Scalar()) + "=" +
                       Cp932(Text(pair.second));
    }
  }
  std::string proxy = Text(job["https_proxy"]).empty() ? Text(job["http_proxy"]) : Text(job["https_proxy"]);
  if (!proxy.empty()) item.m_proxy = ProxyOf(Cp932(proxy));
}

// The settings of a job that are understood or knowingly left out as harmless.
const std::set<std::string>& KnownKeys() {
  static const std::set<std::string> keys = {
      "url", "name", "method", "data", "headers", "cookies", "user_visible_url", "max_tries",
      "enabled", "tags", "filter", "http_proxy", "https_proxy", "encoding", "kind"};
  return keys;
}

ImportedJob ReadJob(const YAML::Node& job, int index, int active) {
  ImportedJob imported;
  imported.label = "ジョブ " + std::to_string(index);
  if (!job.IsMap()) {
    imported.outcome = Outcome::Refused;
    imported.reason = "ジョブの形 (キーと値) ではありません";
    return imported;
  }
  std::string name = Cp932(Text(job["name"]));
  if (!name.empty()) imported.label = name;
  if (job["command"]) {
    imported.outcome = Outcome::Skipped;
    imported.reason = "command のジョブ (コマンドの出力) には対応していません";
    return imported;
  }
  if (job["navigate"]) {
    imported.outcome = Outcome::Skipped;
    imported.reason = "navigate のジョブ (ブラウザで開くページ) には対応していません";
    return imported;
  }
  if (Text(job["url"]).empty()) {
    imported.outcome = Outcome::Refused;
    imported.reason = "url がありません";
    return imported;
  }
  if (!StartImportedItem(imported, Text(job["url"]), active)) return imported;
  WatchItem& item = imported.item;
  std::string visibleUrl = Cp932(Text(job["user_visible_url"]));
  item.m_name = name.empty() ? visibleUrl : name;
  if (!item.m_name.empty()) imported.label = item.m_name;
  if (job["enabled"] && !job["enabled"].as<bool>(true)) item.m_active = 0;
  if (const YAML::Node& tags = job["tags"]) {
    if (tags.IsSequence()) {
      for (const YAML::Node& tag : tags) item.m_tags = AddTag(item.m_tags, Cp932(Text(tag)));
    } else {
      item.m_tags = AddTag(item.m_tags, Cp932(Text(tags)));
    }
  }
  if (std::string encoding = Text(job["encoding"]); !encoding.empty()) {
    std::optional<JapaneseCode> code = JapaneseCodeOf(encoding);
    if (code) item.m_japaneseCode = *code;
    else imported.notes.push_back("encoding " + encoding + " は使いません: 日本語の文字コードではありません");
  }
  ReadRequest(job, imported);
  if (job["max_tries"]) imported.notes.push_back("max_tries は使いません: エラーは毎回知らせます");
  if (job["filter"]) {
    TextRules rules = RulesOfFilters(FilterSteps(job["filter"]), imported.notes);
    if (rules.Any()) {
      if (std::string problem = rules.Apply(item); !problem.empty()) {
        imported.notes.push_back("フィルタは使いません: " + problem);
      }
    }
  }
  if (!TextRules::Of(item).text) item.m_compareAll = 1;  // as urlwatch, any change of the page
  for (const auto& pair : job) {
    std::string key = pair.first.Scalar();
    if (!KnownKeys().count(key)) imported.notes.push_back(key + " は使いません: 対応するものがありません");
  }
  return imported;
}

}  // namespace

ImportReading ReadUrlwatchJobs(const std::string& text, int newItemActive) {
  ImportReading reading;
  std::vector<YAML::Node> documents;
  try {
    documents = YAML::LoadAll(text);
  } catch (const YAML::Exception& error) {
    reading.parsed = false;
    reading.error = "YAML として読めません: " + error.msg + " (" + std::to_string(error.mark.line + 1) + " 行)";
    return reading;
  }
  int index = 0;
  for (const YAML::Node& document : documents) {
    if (!document || document.IsNull()) continue;  // an empty document between separators
    try {
      reading.jobs.push_back(ReadJob(document, ++index, newItemActive));
    } catch (const YAML::Exception& error) {
      ImportedJob refused;
      refused.label = "ジョブ " + std::to_string(index);
      refused.outcome = Outcome::Refused;
      refused.reason = "読めない値があります: " + error.msg;
      reading.jobs.push_back(std::move(refused));
    }
  }
  return reading;
}
