#include "core/exchange/list_export.h"

#include <yaml-cpp/yaml.h>

#include "core/exchange/text_rules.h"
#include "core/watch/item_tags.h"
#include "platform/text_codec.h"

namespace {

std::string Utf8(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }

// The ignore rules back as urlwatch filters: a rule that ignores the lines not matching
// an expression is grep's, any other grepi's.
void EmitIgnoreRules(YAML::Emitter& out, const std::vector<std::string>& rules) {
  const std::string keepStart = "^(?!.*(?:";
  const std::string keepEnd = "))";
  for (const std::string& rule : rules) {
    bool keeps = rule.rfind(keepStart, 0) == 0 && rule.size() > keepStart.size() + keepEnd.size() &&
                 rule.compare(rule.size() - keepEnd.size(), keepEnd.size(), keepEnd) == 0;
    out << YAML::BeginMap;
    if (keeps) {
      out << YAML::Key << "grep" << YAML::Value
          << Utf8(rule.substr(keepStart.size(), rule.size() - keepStart.size() - keepEnd.size()));
    } else {
      out << YAML::Key << "grepi" << YAML::Value << Utf8(rule);
    }
    out << YAML::EndMap;
  }
}

void EmitFilters(YAML::Emitter& out, const TextRules& rules) {
  if (!rules.text) return;
  out << YAML::Key << "filter" << YAML::Value << YAML::BeginSeq;
  if (!rules.css.empty()) {
    out << YAML::BeginMap << YAML::Key << "css" << YAML::Value << YAML::BeginMap;
    out << YAML::Key << "selector" << YAML::Value << Utf8(rules.css);
    if (!rules.excludeCss.empty()) out << YAML::Key << "exclude" << YAML::Value << Utf8(rules.excludeCss);
    out << YAML::EndMap << YAML::EndMap;
  } else if (!rules.xpath.empty()) {
    out << YAML::BeginMap << YAML::Key << "xpath" << YAML::Value << Utf8(rules.xpath) << YAML::EndMap;
  }
  out << "html2text";
  EmitIgnoreRules(out, rules.ignoreLines);
  out << YAML::EndSeq;
}

// "a=1; b=2" as a map; a part without "=" is left out.
void EmitCookies(YAML::Emitter& out, const std::string& cookie) {
  if (cookie.find('=') == std::string::npos) return;
  out << YAML::Key << "cookies" << YAML::Value << YAML::BeginMap;
  std::size_t start = 0;
  while (start < cookie.size()) {
    std::size_t end = cookie.find(';', start);
    if (end == std::string::npos) end = cookie.size();
    std::string part = cookie.substr(start, end - start);
    part.erase(0, part.find_first_not_of(' '));
    if (std::size_t equals = part.find('='); equals != std::string::npos) {
      out << YAML::Key << Utf8(part.substr(0, equals)) << YAML::Value << Utf8(part.substr(equals + 1));
    }
    start = end + 1;
  }
  out << YAML::EndMap;
}

void EmitHeaders(YAML::Emitter& out, const WatchItem& item) {
  std::vector<std::pair<std::string, std::string>> headers;
  if (!item.m_userAgent.empty()) headers.emplace_back("User-Agent", item.m_userAgent);
  if (!item.m_referer.empty()) headers.emplace_back("Referer", item.m_referer);
  std::size_t start = 0;
  const std::string& extra = item.m_extraHeaders;
  while (start < extra.size()) {
    std::size_t end = extra.find('\n', start);
    if (end == std::string::npos) end = extra.size();
    std::string line = extra.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (std::size_t colon = line.find(':'); colon != std::string::npos && colon > 0) {
      std::size_t value = line.find_first_not_of(' ', colon + 1);
      headers.emplace_back(line.substr(0, colon), value == std::string::npos ? "" : line.substr(value));
    }
    start = end + 1;
  }
  if (headers.empty()) return;
  out << YAML::Key << "headers" << YAML::Value << YAML::BeginMap;
  for (const auto& [name, value] : headers) out << YAML::Key << Utf8(name) << YAML::Value << Utf8(value);
  out << YAML::EndMap;
}

void EmitJob(YAML::Emitter& out, const WatchItem& item) {
  out << YAML::BeginDoc << YAML::BeginMap;
  if (!item.m_name.empty()) out << YAML::Key << "name" << YAML::Value << Utf8(item.m_name);
  out << YAML::Key << "url" << YAML::Value << Utf8(item.m_url);
  if (!item.m_formData.empty()) {
    out << YAML::Key << "method" << YAML::Value << "POST";
    out << YAML::Key << "data" << YAML::Value << Utf8(item.m_formData);
  }
  EmitHeaders(out, item);
  EmitCookies(out, item.m_cookie);
  if (!item.m_proxy.empty()) {
    out << YAML::Key << "http_proxy" << YAML::Value << "http://" + item.m_proxy;
    out << YAML::Key << "https_proxy" << YAML::Value << "http://" + item.m_proxy;
  }
  if (item.m_active != 1) out << YAML::Key << "enabled" << YAML::Value << false;
  if (std::vector<std::string> tags = TagWords(item.m_tags); !tags.empty()) {
    out << YAML::Key << "tags" << YAML::Value << YAML::BeginSeq;
    for (const std::string& tag : tags) out << Utf8(tag);
    out << YAML::EndSeq;
  }
  EmitFilters(out, TextRules::Of(item));
  out << YAML::EndMap;
}

}  // namespace

std::string UrlwatchJobsText(const std::vector<WatchItem>& items) {
  YAML::Emitter out;
  for (const WatchItem& item : items) EmitJob(out, item);
  std::string text = out.c_str();
  return text.empty() ? text : text + "\n";
}

std::string PlainListText(const std::vector<WatchItem>& items) {
  std::string text;
  for (const WatchItem& item : items) {
    text += Utf8(item.m_url);
    for (const std::string& tag : TagWords(item.m_tags)) text += " " + Utf8(tag);
    text += "\n";
  }
  return text;
}
