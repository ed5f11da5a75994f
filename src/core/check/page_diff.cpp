#include "core/check/page_diff.h"

#include <dtl/dtl.hpp>

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

}  // namespace

std::vector<DiffHunk> DiffTexts(std::string_view before, std::string_view after, int context) {
  std::vector<std::string_view> oldLines = SplitLines(before);
  std::vector<std::string_view> newLines = SplitLines(after);
  dtl::Diff<std::string_view> diff(oldLines, newLines, true);
  diff.onHuge();
  diff.compose();
  return CHunkBuilder(diff.getSes().getSequence(), context < 0 ? 0 : context).Build();
}

PageChange LoadPageChange(const WatchItem& item, const platform::CCodePageConverter* converter) {
  PageChange change;
  std::string previous = PreviousVersionPath(item);
  std::string current = CurrentVersionPath(item);
  if (previous.empty() || current.empty()) return change;
  // Both versions are read in the charset the server named last.
  std::optional<std::string> before =
      LoadPageText(converter, previous, item.m_japaneseCode, item.m_pageCharset);
  std::optional<std::string> after =
      LoadPageText(converter, current, item.m_japaneseCode, item.m_pageCharset);
  if (!before || !after) {
    change.status = PageChange::kUnreadable;
    return change;
  }
  change.status = PageChange::kShown;
  change.hunks = DiffTexts(*before, *after);
  change.summary = Summary(item, *before, *after);
  return change;
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
