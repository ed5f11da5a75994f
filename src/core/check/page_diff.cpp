#include "core/check/page_diff.h"

#include "core/check/text_compare.h"

#include <algorithm>
#include <cstdint>
#include <dtl/dtl.hpp>
#include <functional>

#include "core/check/keyword_search.h"
#include "core/check/page_text.h"
#include "core/watch/page_history.h"

namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = next;
  }
  return lines;
}

using SesElement = std::pair<std::string_view, dtl::elemInfo>;
// A line of the changed middle: compared by its hash first, so that the searches below
// look at the text only of lines that are alike.
struct Line {
  std::size_t hash = 0;
  std::string_view text;
  bool operator==(const Line& other) const { return hash == other.hash && text == other.text; }
};
using Lines = std::vector<Line>;

// The work a difference may cost before it is given up, in line pairs compared and edit
// paths followed. The costliest difference within it (7,500 lines changed throughout)
// takes about half a second of processor time, most of it dtl's; a 40 MB page changed
// throughout is given up within a second, reading included.
constexpr std::uint64_t kDiffWorkLimit = 60'000'000;

// The changed middle of two texts: the lines between their common head and common tail.
struct Middle {
  std::size_t head = 0;  // common lines before
  std::size_t tail = 0;  // common lines after
  Lines before, after;
};

Middle ChangedMiddle(const std::vector<std::string_view>& oldLines,
                     const std::vector<std::string_view>& newLines) {
  Middle middle;
  std::size_t shorter = std::min(oldLines.size(), newLines.size());
  while (middle.head < shorter && oldLines[middle.head] == newLines[middle.head]) ++middle.head;
  while (middle.tail < shorter - middle.head &&
         oldLines[oldLines.size() - 1 - middle.tail] == newLines[newLines.size() - 1 - middle.tail]) {
    ++middle.tail;
  }
  auto hashed = [&](const std::vector<std::string_view>& lines, Lines& middleLines) {
    middleLines.reserve(lines.size() - middle.head - middle.tail);
    for (std::size_t i = middle.head; i + middle.tail < lines.size(); ++i) {
      middleLines.push_back({std::hash<std::string_view>()(lines[i]), lines[i]});
    }
  };
  hashed(oldLines, middle.before);
  hashed(newLines, middle.after);
  return middle;
}

// Whether the edit distance of the two sequences is found within `limit` work, by the
// O(NP) search of Wu, Manber and Myers that dtl uses too, counting only the distance. dtl
// cannot be stopped once it has begun, so this search decides first whether to begin.
bool EditDistanceWithin(const Lines& first, const Lines& second, std::uint64_t limit) {
  const Lines& a = first.size() <= second.size() ? first : second;
  const Lines& b = first.size() <= second.size() ? second : first;
  const long long m = static_cast<long long>(a.size());
  const long long n = static_cast<long long>(b.size());
  const long long delta = n - m;
  const long long offset = m + 1;
  std::vector<long long> furthest(static_cast<std::size_t>(m + n + 3), -1);
  std::uint64_t work = 0;
  auto snake = [&](long long k) {
    long long y = std::max(furthest[k - 1 + offset] + 1, furthest[k + 1 + offset]);
    long long x = y - k;
    while (x < m && y < n && a[x] == b[y]) ++x, ++y, ++work;
    ++work;
    furthest[k + offset] = y;
  };
  for (long long p = 0;; ++p) {
    for (long long k = -p; k < delta; ++k) snake(k);
    for (long long k = delta + p; k > delta; --k) snake(k);
    snake(delta);
    if (furthest[delta + offset] == n) return true;
    if (work > limit) return false;
  }
}

// The edit script of the whole texts: the common head, dtl's script of the middle, the
// common tail (head and tail are taken from the old lines).
std::vector<SesElement> EditScript(const std::vector<std::string_view>& oldLines, const Middle& middle) {
  std::vector<SesElement> script;
  auto common = [&](std::size_t oldIndex) {
    script.push_back({oldLines[oldIndex], dtl::elemInfo{0, 0, dtl::SES_COMMON}});
  };
  for (std::size_t i = 0; i < middle.head; ++i) common(i);
  dtl::Diff<Line, Lines> diff(middle.before, middle.after, true);
  diff.onHuge();
  if (!middle.before.empty() || !middle.after.empty()) diff.compose();
  for (const auto& element : diff.getSes().getSequence()) {
    script.push_back({element.first.text, dtl::elemInfo{0, 0, element.second.type}});
  }
  for (std::size_t i = oldLines.size() - middle.tail; i < oldLines.size(); ++i) common(i);
  return script;
}

// Builds the hunks from the edit script: every change with up to `context` common lines
// on either side; a gap of common lines no longer than twice that joins two changes.
class CHunkBuilder {
 public:
  CHunkBuilder(const std::vector<SesElement>& script, int context)
      : m_script(script), m_context(static_cast<std::size_t>(context)) {}

  std::vector<DiffHunk> Build() {
    std::size_t oldLine = 1, newLine = 1;
    std::size_t lastChange = 0;  // one past the last changed element of the open hunk
    bool open = false;
    for (std::size_t i = 0; i < m_script.size(); ++i) {
      dtl::edit_t type = m_script[i].second.type;
      if (type == dtl::SES_COMMON) {
        ++oldLine, ++newLine;
        continue;
      }
      if (open && i - lastChange > 2 * m_context) {
        Close(lastChange);
        open = false;
      }
      if (!open) {
        Open(i, oldLine, newLine);
        open = true;
      }
      type == dtl::SES_DELETE ? ++oldLine : ++newLine;
      lastChange = i + 1;
    }
    if (open) Close(lastChange);
    return std::move(m_hunks);
  }

 private:
  void Open(std::size_t change, std::size_t oldLine, std::size_t newLine) {
    std::size_t lead = std::min(m_context, change - m_floor);
    m_begin = change - lead;
    m_hunk = DiffHunk();
    m_hunk.oldStart = static_cast<int>(oldLine - lead);
    m_hunk.newStart = static_cast<int>(newLine - lead);
  }

  void Close(std::size_t lastChange) {
    std::size_t end = std::min(m_script.size(), lastChange + m_context);
    for (std::size_t i = m_begin; i < end; ++i) {
      const SesElement& element = m_script[i];
      DiffLine line;
      line.text = std::string(element.first);
      switch (element.second.type) {
        case dtl::SES_DELETE: line.kind = DiffLine::kRemoved; ++m_hunk.oldCount; break;
        case dtl::SES_ADD: line.kind = DiffLine::kAdded; ++m_hunk.newCount; break;
        default: line.kind = DiffLine::kContext; ++m_hunk.oldCount, ++m_hunk.newCount; break;
      }
      m_hunk.lines.push_back(std::move(line));
    }
    // An empty side starts one line earlier, as diff writes it ("-0,0" before line 1).
    if (m_hunk.oldCount == 0) --m_hunk.oldStart;
    if (m_hunk.newCount == 0) --m_hunk.newStart;
    m_hunks.push_back(std::move(m_hunk));
    m_floor = end;
  }

  const std::vector<SesElement>& m_script;
  std::size_t m_context;
  std::size_t m_floor = 0;  // the next hunk's context begins no earlier
  std::size_t m_begin = 0;
  DiffHunk m_hunk;
  std::vector<DiffHunk> m_hunks;
};

std::vector<std::string> Summary(const WatchItem& item, std::string_view before, std::string_view after) {
  if (!item.m_anchorKeyword.empty()) {
    auto area = [&](std::string_view text) {
      return ExtractArea(text, item.m_anchorKeyword, item.m_anchorNth, item.m_compareOffset,
                         item.m_compareSize);
    };
    return {"チェック範囲(前): " + area(before), "チェック範囲(後): " + area(after)};
  }
  if (!item.m_simpleKeyword.empty()) {
    bool caseSensitive = item.m_simpleKeywordCase != 0;
    return {"キーワード「" + item.m_simpleKeyword + "」の数: " +
            std::to_string(CountKeyword(before, item.m_simpleKeyword, caseSensitive)) + " → " +
            std::to_string(CountKeyword(after, item.m_simpleKeyword, caseSensitive))};
  }
  return {};
}

// A zero byte in a line is shown as "^@", as a terminal's tools show it: the text goes on
// after it, and no display cuts it off there.
void ShowZeroBytes(std::string& text) {
  std::size_t zero = text.find('\0');
  if (zero == std::string::npos) return;
  std::string shown;
  shown.reserve(text.size() + 16);
  for (std::size_t start = 0;; zero = text.find('\0', start)) {
    shown.append(text, start, (zero == std::string::npos ? text.size() : zero) - start);
    if (zero == std::string::npos) break;
    shown += "^@";
    start = zero + 1;
  }
  text = std::move(shown);
}

// As many as SplitLines gives, without making them.
int CountLines(std::string_view text) {
  auto breaks = std::count(text.begin(), text.end(), '\n');
  return static_cast<int>(breaks + (!text.empty() && text.back() != '\n' ? 1 : 0));
}

std::string TooManyChangesMessage(int oldLines, int newLines) {
  return "変更が多すぎるため、差分を表示できません (前: " + std::to_string(oldLines) + " 行, 後: " +
         std::to_string(newLines) + " 行)";
}

}  // namespace

std::optional<std::vector<DiffHunk>> DiffTextsWithin(std::string_view before, std::string_view after,
                                                     int context, std::uint64_t workLimit) {
  std::vector<std::string_view> oldLines = SplitLines(before);
  std::vector<std::string_view> newLines = SplitLines(after);
  Middle middle = ChangedMiddle(oldLines, newLines);
  if (!EditDistanceWithin(middle.before, middle.after, workLimit)) return std::nullopt;
  std::vector<SesElement> script = EditScript(oldLines, middle);
  return CHunkBuilder(script, context < 0 ? 0 : context).Build();
}

std::vector<DiffHunk> DiffTexts(std::string_view before, std::string_view after, int context) {
  return *DiffTextsWithin(before, after, context, UINT64_MAX);
}

PageChange LoadPageChange(const WatchItem& item, const platform::CCodePageConverter* converter) {
  // A text item's change is one of the text it compares, not of the markup.
  if (item.m_textCompare == 1) return LoadTextChange(item, converter);
  PageChange change;
  std::string previous = PreviousVersionPath(item);
  std::string current = CurrentVersionPath(item);
  if (previous.empty() || current.empty()) return change;
  // Both versions are read in the charset the server named last.
  WholePageText before =
      LoadWholePageText(converter, previous, item.m_japaneseCode, item.m_pageCharset);
  WholePageText after =
      LoadWholePageText(converter, current, item.m_japaneseCode, item.m_pageCharset);
  if (before.status == WholePageText::kUnreadable || after.status == WholePageText::kUnreadable) {
    change.status = PageChange::kUnreadable;
    return change;
  }
  if (before.status == WholePageText::kNotText || after.status == WholePageText::kNotText) {
    change.status = PageChange::kNotText;
    return change;
  }
  // The counts and areas as the check found them: it reads a page up to its first zero byte.
  auto asChecked = [](const std::string& text) { return std::string_view(text).substr(0, text.find('\0')); };
  change.summary = Summary(item, asChecked(before.text), asChecked(after.text));
  ShowZeroBytes(before.text);
  ShowZeroBytes(after.text);
  std::optional<std::vector<DiffHunk>> hunks = DiffTextsWithin(before.text, after.text, 3, kDiffWorkLimit);
  if (!hunks) {
    change.status = PageChange::kTooManyChanges;
    change.oldLineCount = CountLines(before.text);
    change.newLineCount = CountLines(after.text);
    return change;
  }
  change.status = PageChange::kShown;
  change.hunks = std::move(*hunks);
  return change;
}

std::string PageChangeProblem(const PageChange& change) {
  switch (change.status) {
    case PageChange::kNoPrevious: return "前の版が残っていません";
    case PageChange::kUnreadable: return "前の版か今の版を読み込めません";
    case PageChange::kNotText: return "テキストではないため差分を表示できません";
    case PageChange::kTooManyChanges: return TooManyChangesMessage(change.oldLineCount, change.newLineCount);
    case PageChange::kShown: break;
  }
  return std::string();
}

std::string FormatUnifiedDiff(const PageChange& change, bool colour) {
  auto painted = [colour](const char* code, const std::string& text) {
    return colour ? std::string("\x1b[") + code + "m" + text + "\x1b[0m\n" : text + "\n";
  };
  std::string out = painted("1", "--- 前の版") + painted("1", "+++ 今の版");
  for (const std::string& line : change.summary) out += "# " + line + "\n";
  for (const DiffHunk& hunk : change.hunks) {
    out += painted("36", "@@ -" + std::to_string(hunk.oldStart) + "," + std::to_string(hunk.oldCount) +
                             " +" + std::to_string(hunk.newStart) + "," +
                             std::to_string(hunk.newCount) + " @@");
    for (const DiffLine& line : hunk.lines) {
      std::string text = static_cast<char>(line.kind) + line.text;
      out += line.kind == DiffLine::kRemoved ? painted("31", text)
             : line.kind == DiffLine::kAdded ? painted("32", text)
                                             : text + "\n";
    }
  }
  return out;
}
