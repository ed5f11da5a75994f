#include "core/text/added_lines.h"

#include <string_view>
#include <unordered_map>

namespace text {

LineChange CompareLines(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  LineChange change;
  change.changed = before != after;
  if (!change.changed) return change;
  std::unordered_map<std::string_view, int> counts;
  for (const std::string& line : before) ++counts[line];
  for (const std::string& line : after) {
    auto found = counts.find(line);
    if (found == counts.end() || found->second == 0) {
      change.added = true;
      break;
    }
    --found->second;
  }
  return change;
}

namespace {

// The lines of `lines` left over once each line of `other` has taken away one copy.
std::vector<std::string> LinesBeyond(const std::vector<std::string>& lines,
                                     const std::vector<std::string>& other) {
  std::unordered_map<std::string_view, int> counts;
  for (const std::string& line : other) ++counts[line];
  std::vector<std::string> beyond;
  for (const std::string& line : lines) {
    auto found = counts.find(line);
    if (found != counts.end() && found->second > 0) {
      --found->second;
    } else {
      beyond.push_back(line);
    }
  }
  return beyond;
}

}  // namespace

LineDelta DiffLines(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  return {LinesBeyond(after, before), LinesBeyond(before, after)};
}

}  // namespace text
