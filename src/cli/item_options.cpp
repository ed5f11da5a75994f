#include "cli/item_options.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "core/ui/page_data_form.h"
#include "cli/usage_mistake.h"
#include "core/common/version.h"
#include "core/fetch/form_encoding.h"
#include "core/watch/calendar.h"
#include "core/watch/item_fields.h"
#include "core/watch/item_tags.h"

namespace {

// Options that take a value.
const std::set<std::string> kValued = {
    "--name",  "--referer", "--user",  "--proxy",   "--agent",   "--post",  "--keyword",
    "--anchor", "--nth",    "--offset", "--size",   "--code",    "--weekly", "--monthly",
    "--once",  "--every",   "--at",    "--download", "--save",   "--sound", "--mail",
    "--subject", "--body",  "--exec",   "--notify", "--select", "--xpath", "--exclude",
    "--ignore", "--tag",    "--wait-for"};
const std::set<std::string> kFlags = {
    "--password-stdin", "--full", "--increase", "--decrease", "--case", "--date-rule",
    "--daily", "--at-start", "--show", "--popup", "--no-popup", "--inactive", "--text",
    "--ignore-case", "--added-only", "--browser"};

// Groups of options of which at most one may be given.
const std::vector<std::vector<std::string>> kExclusive = {
    {"--full", "--keyword", "--anchor", "--date-rule"},
    {"--daily", "--weekly", "--monthly", "--once"},
    {"--at-start", "--every", "--at"},
    {"--popup", "--no-popup"},
    {"--select", "--xpath"}};
// An option that only means something with another.
const std::map<std::string, std::string> kNeeds = {
    {"--increase", "--keyword"}, {"--decrease", "--keyword"}, {"--case", "--keyword"},
    {"--nth", "--anchor"},       {"--offset", "--anchor"},    {"--size", "--anchor"},
    {"--subject", "--mail"},     {"--body", "--mail"},        {"--save", "--download"},
    {"--wait-for", "--browser"}};

// The options of the text comparison; each but --text implies --text.
const std::vector<std::string> kTextOptions = {"--text",   "--select",      "--xpath",
                                               "--exclude", "--ignore",     "--ignore-case",
                                               "--added-only"};
const std::vector<std::string> kByteComparisons = {"--full", "--keyword", "--anchor",
                                                   "--date-rule"};

const char* const kWeekdays[][2] = {{"日", "sun"}, {"月", "mon"}, {"火", "tue"}, {"水", "wed"},
                                    {"木", "thu"}, {"金", "fri"}, {"土", "sat"}};

int WeekdayBits(const std::string& list) {
  int bits = 0;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string day = list.substr(start, comma - start);
    int found = -1;
    for (int i = 0; i < 7; ++i) {
      if (day == kWeekdays[i][0] || day == kWeekdays[i][1]) found = i;
    }
    if (found < 0) return 0;
    bits |= 1 << found;
    start = comma + 1;
  }
  return bits;
}

// "YYYY-MM-DD" to the day's local midnight; -1 when malformed or not a real date.
long long DateOf(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return -1;
  std::optional<int> year = ParseWholeNumber(text.substr(0, 4));
  std::optional<int> month = ParseWholeNumber(text.substr(5, 2));
  std::optional<int> day = ParseWholeNumber(text.substr(8, 2));
  if (!year || !month || !day || *month < 1 || *month > 12 || *day < 1) return -1;
  std::time_t midnight = DateMidnight(*year, *month, *day);
  std::tm local = LocalTime(midnight);
  if (local.tm_mday != *day || local.tm_mon + 1 != *month) return -1;  // 31 April
  return midnight;
}

std::string UnknownOptionText(const std::string& option) {
  std::vector<std::string> known(kValued.begin(), kValued.end());
  known.insert(known.end(), kFlags.begin(), kFlags.end());
  return UnknownNameText("不明なオプション", option, known);
}

class CItemOptionParser {
 public:
  CItemOptionParser(const std::function<std::string()>& passwordInput)
      : m_passwordInput(passwordInput) {}

  std::string Parse(const std::string& url, const std::vector<std::string>& args) {
    m_item.m_active = 1;
    if (std::string problem = Set("Targ", url, "URL"); !problem.empty()) return problem;
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& option = args[i];
      bool valued = kValued.count(option) > 0;
      if (!valued && !kFlags.count(option)) return UnknownOptionText(option);
      if (valued && i + 1 >= args.size()) return option + " に値がありません";
      if (option == "--tag") {  // each one adds a tag
        if (TagWords(args[i + 1]).size() != 1) return "--tag には空白のない語を一つ指定します: " + args[i + 1];
        m_item.m_tags = AddTag(m_item.m_tags, args[++i]);
        continue;
      }
      bool repeatable = option == "--ignore" || option == "--notify";
      if (m_given.count(option) && !repeatable) return option + " が二度指定されています";
      std::string value = valued ? args[++i] : "";
      if (option == "--notify") {
        if (!m_notifyAddresses.empty()) m_notifyAddresses += '\n';
        m_notifyAddresses += value;
        continue;
      }
      // Each --ignore is one rule: one line of the item's rules.
      m_given[option] = m_given.count(option) ? m_given[option] + "\n" + value : value;
    }
    if (std::string problem = TextOptionConflict(m_given); !problem.empty()) return problem;
    if (std::string problem = CheckCombinations(); !problem.empty()) return problem;
    for (const auto& [option, value] : m_given) {
      if (std::string problem = Apply(option, value); !problem.empty()) return problem;
    }
    if (!m_notifyAddresses.empty()) {
      if (std::string problem = Set("NtfA", FormEscape(m_notifyAddresses), "--notify");
          !problem.empty()) {
        return problem;
      }
      m_item.m_notify = 1;
    }
    if (std::string problem = CheckItem(m_item); !problem.empty()) return problem;
    return "";
  }

  WatchItem& Item() { return m_item; }

 private:
  std::string CheckCombinations() const {
    for (const auto& group : kExclusive) {
      std::string first;
      for (const std::string& option : group) {
        if (!m_given.count(option)) continue;
        if (!first.empty()) return first + " と " + option + " は同時に指定できません";
        first = option;
      }
    }
    for (const auto& [option, needed] : kNeeds) {
      if (m_given.count(option) && !m_given.count(needed)) {
        return option + " には " + needed + " が必要です";
      }
    }
    return "";
  }

  std::string Set(const char* key, const std::string& value, const std::string& option) {
    std::string problem = SetItemField(m_item, key, value);
    return problem.empty() ? "" : option + ": " + problem;
  }

  std::string Choose(const std::string& option, const std::string& value,
                     const std::vector<std::string>& names, const char* key, int base = 0) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (value == names[i]) return Set(key, std::to_string(base + static_cast<int>(i)), option);
    }
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return option + " は " + list + " のどれかです: " + value;
  }

  std::string Clock(const std::string& option, const std::string& value, const char* timing) {
    int seconds = ParseClockTime(value);
    if (seconds < 0) return option + " は HH:MM:SS で指定します: " + value;
    if (std::string(timing) == "inter" && seconds < 10) return option + ": 間隔は 10 秒以上です";
    m_item.m_timing = timing;
    m_item.m_time = seconds;
    return "";
  }

  std::string Apply(const std::string& option, const std::string& value) {
    static const std::map<std::string, const char*> kTextKeys = {
        {"--name", "Name"},     {"--referer", "Refe"}, {"--user", "User"},
        {"--proxy", "Prox"},    {"--post", "Argu"},    {"--keyword", "SKyW"},
        {"--anchor", "Keyw"},   {"--nth", "KeyP"},     {"--offset", "CmpO"},
        {"--size", "CmpS"},     {"--save", "Dest"},    {"--mail", "ToAd"},
        {"--subject", "Subj"},  {"--body", "Honb"},    {"--exec", "Exec"},
        {"--wait-for", "WaiF"}};
    if (auto key = kTextKeys.find(option); key != kTextKeys.end()) {
      std::string problem = Set(key->second, value, option);
      if (problem.empty() && option == "--mail") m_item.m_useMail = 1;
      if (problem.empty() && option == "--keyword") KeywordOptions();
      return problem;
    }
    if (option == "--password-stdin") return Set("Pass", m_passwordInput(), option);
    if (option == "--agent") {
      static const std::map<std::string, VirtualBrowser> agents = {
          {"msie", VirtualBrowser::Msie},
          {"netscape", VirtualBrowser::Netscape},
          {"pagewarden", VirtualBrowser::Pagewarden},
          {"firefox", VirtualBrowser::Firefox}};
      auto agent = agents.find(value);
      if (agent == agents.end()) {
        return option + " は msie, netscape, pagewarden, firefox のどれかです: " + value;
      }
      m_item.m_userAgent = AgentOfBrowser(agent->second);
      return "";
    }
    if (option == "--full") m_item.m_compareAll = 1;
    if (option == "--browser") m_item.m_browser = 1;
    if (option == "--code") return Choose(option, value, {"auto", "jis", "euc", "utf8", "sjis"}, "Jpco");
    if (option == "--weekly") {
      int bits = WeekdayBits(value);
      if (bits == 0) return option + " は 日,水 や sun,wed のように曜日を並べます: " + value;
      m_item.m_checkKind = "weekly";
      m_item.m_date = bits;
    }
    if (option == "--monthly") {
      std::optional<int> day = ParseWholeNumber(value);
      if (!day || *day < 1 || *day > 31) return option + " は 1 から 31 の日付です: " + value;
      m_item.m_checkKind = "monthly";
      m_item.m_date = *day;
    }
    if (option == "--once") {
      long long midnight = DateOf(value);
      if (midnight < 0) return option + " は YYYY-MM-DD で指定します: " + value;
      m_item.m_checkKind = "once";
      m_item.m_date = static_cast<int>(midnight);
    }
    if (option == "--every") return Clock(option, value, "inter");
    if (option == "--at") return Clock(option, value, "define");
    if (option == "--download") return Choose(option, value, {"none", "overwrite", "new"}, "Down");
    if (option == "--show") m_item.m_showPage = 1;
    if (option == "--popup") m_item.m_popUp = 1;
    if (option == "--no-popup") m_item.m_popUp = 0;
    if (option == "--sound") {
      if (value == "none" || value == "standard") return Choose(option, value, {"none", "standard"}, "SUse");
      m_item.m_soundUse = 2;
      return Set("SFil", value, option);
    }
    if (option == "--inactive") m_item.m_active = 0;
    if (IsTextOption(option)) return ApplyTextOption(m_item, option, value);
    return "";  // --daily, --at-start, --date-rule: the defaults of a new site
  }

  // Without --increase or --decrease any change of the count is an update.
  void KeywordOptions() {
    int options = (m_given.count("--increase") ? 1 : 0) | (m_given.count("--decrease") ? 2 : 0);
    m_item.m_simpleKeywordOptions = options ? options : 3;
    m_item.m_simpleKeywordCase = m_given.count("--case") ? 1 : 0;
  }

  const std::function<std::string()>& m_passwordInput;
  std::map<std::string, std::string> m_given;
  std::string m_notifyAddresses;  // every --notify, one a line
  WatchItem m_item;
};

}  // namespace

int ParseClockTime(const std::string& text) {
  std::size_t first = text.find(':');
  std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos || text.size() - second != 3 || second - first != 3) return -1;
  std::optional<int> hours = ParseWholeNumber(text.substr(0, first));
  std::optional<int> minutes = ParseWholeNumber(text.substr(first + 1, 2));
  std::optional<int> seconds = ParseWholeNumber(text.substr(second + 1, 2));
  if (!hours || !minutes || !seconds || first > 2 || *hours < 0 || *hours > 23 ||
      *minutes < 0 || *minutes > 59 || *seconds < 0 || *seconds > 59) {
    return -1;
  }
  return *hours * 3600 + *minutes * 60 + *seconds;
}

bool IsTextOption(const std::string& option) {
  return std::find(kTextOptions.begin(), kTextOptions.end(), option) != kTextOptions.end();
}

std::string TextOptionConflict(const std::map<std::string, std::string>& given) {
  for (const std::string& text : kTextOptions) {
    if (!given.count(text)) continue;
    for (const std::string& bytes : kByteComparisons) {
      if (given.count(bytes)) return text + " と " + bytes + " は同時に指定できません";
    }
  }
  return "";
}

std::string ApplyTextOption(WatchItem& item, const std::string& option, const std::string& value) {
  std::string problem;
  if (option == "--select") {
    problem = SetItemField(item, "TCss", value);
    item.m_selectXPath.clear();
  } else if (option == "--xpath") {
    problem = SetItemField(item, "TXPa", value);
    item.m_selectCss.clear();
  } else if (option == "--exclude") {
    problem = SetItemField(item, "TExc", value);
  } else if (option == "--ignore") {
    problem = SetItemField(item, "TIgn", FormEscape(value));
  } else if (option == "--ignore-case") {
    item.m_ignoreCase = 1;
  } else if (option == "--added-only") {
    item.m_addedOnly = 1;
  }
  if (!problem.empty()) return option + ": " + problem;
  // The text comparison takes the place of the byte comparisons.
  item.m_textCompare = 1;
  item.m_compareAll = 0;
  item.m_simpleKeyword.clear();
  item.m_anchorKeyword.clear();
  return "";
}

ItemOptionsResult ParseItemOptions(const std::string& url, const std::vector<std::string>& args,
                                   const std::function<std::string()>& passwordInput) {
  CItemOptionParser parser(passwordInput);
  ItemOptionsResult result;
  result.error = parser.Parse(url, args);
  result.item = parser.Item();
  return result;
}

const std::vector<const char*>& ItemOptionsUsage() {
  static const std::vector<const char*> lines = {
      "  add URL [オプション]  新しいアイテムを作り (有効), その番号を表示します",
      "     ページ: --name 名前 --referer URL --user 名前 --password-stdin",
      "             --proxy ホスト:ポート --agent msie|netscape|pagewarden|firefox --post データ",
      "             --browser [--wait-for CSSセレクタ] (スクリプトが作るページ)",
      "     比較:   --full | --keyword 語 [--increase] [--decrease] [--case]",
      "             | --anchor 語 [--nth N] [--offset N] [--size N] | --date-rule (既定)",
      "             | --text [--select CSS | --xpath 式] [--exclude CSS] [--ignore 正規表現]...",
      "               [--ignore-case] [--added-only] (--text 以外も --text の比較になります)",
      "             --code auto|jis|euc|utf8|sjis",
      "     日程:   --daily (既定) | --weekly 日,水 (sun,wed) | --monthly 日 | --once YYYY-MM-DD",
      "             --at-start (既定) | --every HH:MM:SS (10秒以上) | --at HH:MM:SS",
      "     更新時: --download none|overwrite|new [--save ファイル] --show --popup|--no-popup",
      "             --sound none|standard|ファイル --mail 宛先 [--subject 件名] [--body 本文]",
      "             --exec コマンド --inactive",
      "             --notify 通知先 (何度でも; 例 ntfys://ntfy.sh/トピック)",
      "     分類:   --tag タグ (繰り返せます)",
  };
  return lines;
}
