// What changed on a page: its kept previous version against its current one, line by line,
// on the page text as the check sees it (CP932, converted by the item's Japanese code). The
// line diff itself is dtl's; this groups it into hunks with context, as a unified diff does.
//
// Threads: any; nothing here keeps state. The texts are read when the change is loaded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/watch/watch_item.h"

namespace platform {
class CCodePageConverter;
}

struct DiffLine {
  enum Kind : char { kContext = ' ', kRemoved = '-', kAdded = '+' };
  Kind kind = kContext;
  std::string text;  // without its line break
};

// One run of changes with its context; line numbers count from 1, as "@@ -a,b +c,d @@".
struct DiffHunk {
  int oldStart = 0;
  int oldCount = 0;
  int newStart = 0;
  int newCount = 0;
  std::vector<DiffLine> lines;
};

// The lines of `before` and `after` compared; changes closer than twice `context` lines
// share a hunk. A line break is LF or CR LF; a last line without one counts the same.
std::vector<DiffHunk> DiffTexts(std::string_view before, std::string_view after, int context = 3);
// The same, unless finding the difference would cost more than `workLimit` (line pairs
// compared and edit paths followed, as the lines' count and the edit distance found so far
// grow): nothing then. Common lines at the head and the tail cost next to nothing.
std::optional<std::vector<DiffHunk>> DiffTextsWithin(std::string_view before, std::string_view after,
                                                     int context, std::uint64_t workLimit);

struct PageChange {
  enum Status { kShown, kNoPrevious, kUnreadable, kNotText, kTooManyChanges };
  Status status = kNoPrevious;
  int oldLineCount = 0;  // kTooManyChanges: the lines of either version
  int newLineCount = 0;
  std::vector<DiffHunk> hunks;
  // For a keyword item, the counts before and after; for an anchor item, the check area
  // before and after; empty for the other rules.
  std::vector<std::string> summary;
};

// The change from the item's previous version to its current one, both read whole (a zero
// byte is shown as "^@"). kNoPrevious when no previous version (or no current file) is
// kept; kUnreadable when either cannot be read; kNotText when either is not text in the
// item's code (LoadWholePageText); kTooManyChanges when the difference would take more
// than about a second to find (a large page changed throughout).
PageChange LoadPageChange(const WatchItem& item, const platform::CCodePageConverter* converter);
// Why a change is not shown ("前の版が残っていません", "テキストではないため差分を表示できません",
// "変更が多すぎるため、差分を表示できません (前: N 行, 後: M 行)", ...); empty for kShown.
std::string PageChangeProblem(const PageChange& change);

// The change as a unified diff: "--- 前の版" and "+++ 今の版" headers, each summary line
// after "# ", then the hunks. CP932 text; `colour` wraps removed, added and hunk lines in
// the terminal's colour codes.
std::string FormatUnifiedDiff(const PageChange& change, bool colour);
