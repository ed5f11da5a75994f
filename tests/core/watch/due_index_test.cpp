// The index of due items against the rule it must keep, written out as a plain walk: over
// random lists, one-item updates, pauses, items and hosts under check, the two agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/fetch/host_pacer.h"
#include "core/watch/due_index.h"

namespace {

struct Situation {
  std::vector<WatchItem> items;
  std::vector<unsigned> taken;
  std::vector<std::string> busyHosts;
  CDueIndex::PauseEnds pauseEnds;
  std::function<bool(const WatchItem&)> eligible;
};

int ChooseByWalking(const Situation& s) {
  int best = -1;
  std::time_t bestStart = 0;
  for (int i = 0; i < static_cast<int>(s.items.size()); ++i) {
    const WatchItem& item = s.items[i];
    std::string host = HostOfUrl(item.m_url);
    if (item.m_active != 1 || item.m_nextCheck < 0 || (s.eligible && !s.eligible(item)) ||
        std::count(s.taken.begin(), s.taken.end(), item.m_id) ||
        std::count(s.busyHosts.begin(), s.busyHosts.end(), host)) {
      continue;
    }
    std::time_t start = item.m_nextCheck;
    if (s.pauseEnds.count(host)) start = std::max(start, s.pauseEnds.at(host));
    if (best < 0 || start < bestStart) {
      best = i;
      bestStart = start;
    }
  }
  return best;
}

// One of four hosts.
std::string HostName(std::mt19937& random) {
  std::string name = "h0.example";
  name[1] = static_cast<char>('0' + random() % 4);
  return name;
}

void Randomize(WatchItem& item, std::mt19937& random) {
  item.m_url = "http://" + HostName(random) + "/p";
  item.m_active = random() % 6 == 0 ? 0 : 1;
  int times[] = {-2, -1, 0, 0, 100, 100, 200, 300};
  item.m_nextCheck = times[random() % 8];
}

TEST(DueIndexTest, ChoosesAsAWalkOfTheWholeListWouldThroughUpdatesPausesAndBusyHosts) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    Situation s;
    s.items.resize(1 + random() % 30);
    for (std::size_t i = 0; i < s.items.size(); ++i) {
      s.items[i].m_id = static_cast<unsigned>(i + 1);
      Randomize(s.items[i], random);
    }
    unsigned excluded = 1 + random() % 30;
    if (round % 3 == 0) s.eligible = [excluded](const WatchItem& item) { return item.m_id != excluded; };
    CDueIndex index;
    for (int step = 0; step < 20; ++step) {
      s.taken.clear();
      s.busyHosts.clear();
      s.pauseEnds.clear();
      if (random() % 2) s.taken.push_back(1 + random() % s.items.size());
      if (random() % 3 == 0) s.busyHosts.push_back(HostName(random));
      if (random() % 2) s.pauseEnds[HostName(random)] = random() % 250;
      ASSERT_EQ(index.Select(s.items, s.eligible, s.taken, s.busyHosts, s.pauseEnds),
                ChooseByWalking(s))
          << "round " << round << " step " << step;
      int changed = static_cast<int>(random() % s.items.size());
      Randomize(s.items[changed], random);
      index.Update(s.items, changed, s.eligible);
    }
  }
}

}  // namespace
