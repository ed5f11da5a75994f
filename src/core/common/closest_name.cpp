#include "core/common/closest_name.h"

#include <algorithm>

namespace {

// Letters inserted, removed, replaced or two neighbours swapped, each counted as one.
std::size_t EditDistance(const std::string& from, const std::string& to) {
  std::vector<std::vector<std::size_t>> cost(from.size() + 1,
                                             std::vector<std::size_t>(to.size() + 1));
  for (std::size_t i = 0; i <= from.size(); ++i) cost[i][0] = i;
  for (std::size_t j = 0; j <= to.size(); ++j) cost[0][j] = j;
  for (std::size_t i = 1; i <= from.size(); ++i) {
    for (std::size_t j = 1; j <= to.size(); ++j) {
      std::size_t replace = cost[i - 1][j - 1] + (from[i - 1] == to[j - 1] ? 0 : 1);
      cost[i][j] = std::min({cost[i - 1][j] + 1, cost[i][j - 1] + 1, replace});
      if (i > 1 && j > 1 && from[i - 1] == to[j - 2] && from[i - 2] == to[j - 1]) {
        cost[i][j] = std::min(cost[i][j], cost[i - 2][j - 2] + 1);
      }
    }
  }
  return cost[from.size()][to.size()];
}

}  // namespace

std::string ClosestName(const std::string& typed, const std::vector<std::string>& names) {
  std::string best;
  std::size_t bestDistance = 0;
  for (const std::string& name : names) {
    std::size_t distance = EditDistance(typed, name);
    // Short names allow one slip, or every short word would be "close" to every other.
    std::size_t allowed = name.size() <= 4 ? 1 : 2;
    if (distance == 0 || distance > allowed) continue;
    if (best.empty() || distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  return best;
}

