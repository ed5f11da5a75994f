#include "core/text/ignore_rules.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "platform/text_codec.h"

namespace text {

struct CIgnoreRules::Rule {
  pcre2_code* code = nullptr;
  pcre2_match_data* match = nullptr;
  ~Rule() {
    pcre2_match_data_free(match);
    pcre2_code_free(code);
  }
};

CIgnoreRules::CIgnoreRules() = default;
CIgnoreRules::~CIgnoreRules() = default;
CIgnoreRules::CIgnoreRules(CIgnoreRules&&) noexcept = default;
CIgnoreRules& CIgnoreRules::operator=(CIgnoreRules&&) noexcept = default;

std::string CIgnoreRules::Compile(std::string_view rulesUtf8, bool ignoreCase) {
  m_rules.clear();
  uint32_t options = PCRE2_UTF | PCRE2_UCP | (ignoreCase ? PCRE2_CASELESS : 0);
  int lineNumber = 0;
  std::size_t start = 0;
  while (start < rulesUtf8.size()) {
    std::size_t end = rulesUtf8.find('\n', start);
    if (end == std::string_view::npos) end = rulesUtf8.size();
    std::string_view pattern = rulesUtf8.substr(start, end - start);
    if (!pattern.empty() && pattern.back() == '\r') pattern.remove_suffix(1);
    start = end + 1;
    ++lineNumber;
    if (pattern.empty()) continue;
    int error = 0;
    PCRE2_SIZE offset = 0;
    auto rule = std::make_unique<Rule>();
    rule->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                               options, &error, &offset, nullptr);
    if (!rule->code) {
      PCRE2_UCHAR message[256];
      pcre2_get_error_message(error, message, sizeof message);
      // The offset in characters, as the user counts them in the rule.
      std::size_t characters = 0;
      for (std::size_t i = 0; i < offset && i < pattern.size(); ++i) {
        if ((static_cast<unsigned char>(pattern[i]) & 0xC0) != 0x80) ++characters;
      }
      return "無視する行 " + std::to_string(lineNumber) + " 行目の正規表現が使えません: " +
             reinterpret_cast<const char*>(message) + " (位置 " + std::to_string(characters) + ")";
    }
    pcre2_jit_compile(rule->code, PCRE2_JIT_COMPLETE);  // without JIT it still matches
    rule->match = pcre2_match_data_create_from_pattern(rule->code, nullptr);
    m_rules.push_back(std::move(rule));
  }
  return "";
}

bool CIgnoreRules::Matches(std::string_view lineUtf8) const {
  for (const auto& rule : m_rules) {
    int found = pcre2_match(rule->code, reinterpret_cast<PCRE2_SPTR>(lineUtf8.data()),
                            lineUtf8.size(), 0, 0, rule->match, nullptr);
    if (found >= 0) return true;
  }
  return false;
}

void CIgnoreRules::Filter(std::vector<std::string>& linesUtf8) const {
  if (m_rules.empty()) return;
  std::erase_if(linesUtf8, [this](const std::string& line) { return Matches(line); });
}

std::string IgnoreRulesFault(const std::string& rulesCp932, bool ignoreCase) {
  CIgnoreRules rules;
  return rules.Compile(platform::Cp932ToUtf8(rulesCp932), ignoreCase);
}

}  // namespace text
