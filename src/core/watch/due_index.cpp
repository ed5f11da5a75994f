#include "core/watch/due_index.h"

#include <algorithm>

#include "core/fetch/host_pacer.h"

namespace {

bool Contains(const std::vector<unsigned>& ids, unsigned id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool Schedulable(const WatchItem& item, const CDueIndex::Eligible& eligible) {
  return item.m_active == 1 && item.m_nextCheck >= 0 && (!eligible || eligible(item));
}

}  // namespace

void CDueIndex::Build(const std::vector<WatchItem>& items, const Eligible& eligible) {
  m_entries.assign(items.size(), Entry{});
  m_hosts.clear();
  m_hostNumbers.clear();
  m_heads.clear();
  for (std::size_t i = 0; i < items.size(); ++i) Insert(static_cast<int>(i), items[i], eligible);
  m_valid = true;
}

void CDueIndex::Update(const std::vector<WatchItem>& items, int position,
                       const Eligible& eligible) {
  if (!m_valid || position < 0 || position >= static_cast<int>(m_entries.size()) ||
      m_entries.size() != items.size()) {
    m_valid = false;
    return;
  }
  Erase(position);
  Insert(position, items[position], eligible);
}

void CDueIndex::Insert(int position, const WatchItem& item, const Eligible& eligible) {
  if (!Schedulable(item, eligible)) return;
  Entry& entry = m_entries[position];
  entry.key = {static_cast<std::time_t>(item.m_nextCheck), position};
  entry.host = HostNumber(HostOfUrl(item.m_url));
  entry.indexed = true;
  Host& host = m_hosts[entry.host];
  if (!host.keys.empty()) m_heads.erase({*host.keys.begin(), entry.host});
  host.keys.insert(entry.key);
  m_heads.insert({*host.keys.begin(), entry.host});
}

void CDueIndex::Erase(int position) {
  Entry& entry = m_entries[position];
  if (!entry.indexed) return;
  entry.indexed = false;
  Host& host = m_hosts[entry.host];
  m_heads.erase({*host.keys.begin(), entry.host});
  host.keys.erase(entry.key);
  if (!host.keys.empty()) m_heads.insert({*host.keys.begin(), entry.host});
}

int CDueIndex::HostNumber(const std::string& name) {
  auto [found, added] = m_hostNumbers.try_emplace(name, static_cast<int>(m_hosts.size()));
  if (added) m_hosts.push_back({name, {}});
  return found->second;
}

int CDueIndex::Select(const std::vector<WatchItem>& items, const Eligible& eligible,
                      const std::vector<unsigned>& taken,
                      const std::vector<std::string>& busyHosts, const PauseEnds& pauseEnds) {
  if (!m_valid || m_entries.size() != items.size()) Build(items, eligible);
  std::optional<Key> best;
  for (const auto& [head, number] : m_heads) {
    // Every item of this host and of the hosts behind it starts at its time or later.
    if (best && head.time > best->time) break;
    const Host& host = m_hosts[number];
    if (!busyHosts.empty() && Contains(busyHosts, host.name)) continue;
    auto pause = pauseEnds.find(host.name);
    std::time_t pauseEnd = pause == pauseEnds.end() ? 0 : pause->second;
    std::optional<Key> candidate = BestOfHost(items, host, pauseEnd, eligible, taken);
    if (candidate && (!best || *candidate < *best)) best = candidate;
  }
  return best ? best->position : -1;
}

// During a pause every item due by its end starts at the end, and the first of those in
// list order wins; from the first usable key at or after the end (without a pause: the
// first usable key) no later key can win. Only a pause makes this walk more than a step or
// two, and then at most once per pause.
std::optional<CDueIndex::Key> CDueIndex::BestOfHost(const std::vector<WatchItem>& items,
                                                    const Host& host, std::time_t pauseEnd,
                                                    const Eligible& eligible,
                                                    const std::vector<unsigned>& taken) const {
  std::optional<Key> best;
  for (const Key& key : host.keys) {
    if (best && key.time > best->time) break;
    const WatchItem& item = items[key.position];
    if (eligible && !eligible(item)) continue;
    if (!taken.empty() && Contains(taken, item.m_id)) continue;
    Key start{std::max(key.time, pauseEnd), key.position};
    if (!best || start < *best) best = start;
    if (key.time >= pauseEnd) break;
  }
  return best;
}
