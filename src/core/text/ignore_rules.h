// The ignore rules of a text item: regular expressions (PCRE2, UTF-8 mode), one per line of
// the item's rule text; a line of the page's text that any of them matches takes no part in
// the comparison. PCRE2 rather than std::regex: it knows UTF-8, Perl's syntax users bring
// from other tools, and says where a pattern goes wrong.
//
// A compiled set is not shared between threads; each check compiles its own.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace text {

class CIgnoreRules {
 public:
  CIgnoreRules();
  ~CIgnoreRules();
  CIgnoreRules(CIgnoreRules&&) noexcept;
  CIgnoreRules& operator=(CIgnoreRules&&) noexcept;

  // Compiles every non-empty line of `rulesUtf8`. Empty when all compile, else why the
  // first that does not was refused (in CP932, the program's code page), with PCRE2's
  // message and the offset in characters in that rule (the set then holds the rules before it).
  std::string Compile(std::string_view rulesUtf8, bool ignoreCase);
  // Whether any rule matches somewhere in the UTF-8 line.
  bool Matches(std::string_view lineUtf8) const;
  bool Empty() const { return m_rules.empty(); }
  // Leaves out of `lines` those any rule matches.
  void Filter(std::vector<std::string>& linesUtf8) const;

 private:
  struct Rule;
  std::vector<std::unique_ptr<Rule>> m_rules;
};

// The refusal of CIgnoreRules::Compile for rules held in CP932 (as the watch item holds
// them); empty when every rule compiles.
std::string IgnoreRulesFault(const std::string& rulesCp932, bool ignoreCase);

}  // namespace text
