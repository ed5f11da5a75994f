// How the compared lines of a text item changed between two checks, for the option that
// reports only added lines. A line counts as many times as it occurs: a second copy of a
// news line is an added line.
//
// Plain functions; safe on any thread.
#pragma once

#include <string>
#include <vector>

namespace text {

struct LineChange {
  bool changed = false;  // the lines differ in any way (order included)
  bool added = false;    // `after` has a line (or one more copy of it) that `before` lacks
};

LineChange CompareLines(const std::vector<std::string>& before, const std::vector<std::string>& after);

struct LineDelta {
  std::vector<std::string> added;    // lines of `after` beyond those of `before`, in its order
  std::vector<std::string> removed;  // lines of `before` that `after` lacks, in its order
};
// What a notification tells of a text update: copies counted as CompareLines counts them,
// so a line that only moved is neither added nor removed.
LineDelta DiffLines(const std::vector<std::string>& before, const std::vector<std::string>& after);

}  // namespace text
