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

}  // namespace text
