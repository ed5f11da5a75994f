// The items the dispatcher may give an engine, grouped by host and ordered by their next
// check time, so that choosing the next item costs little more than the few hosts in front
// instead of a walk through the whole list. The index follows one checked item at a time;
// any other change of the list makes it stale, and it is built anew when next used.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/watch/watch_item.h"

class CDueIndex {
 public:
  using Eligible = std::function<bool(const WatchItem&)>;
  using PauseEnds = std::unordered_map<std::string, std::time_t>;

  // The list changed in a way that may touch any item (added, removed, edited, every item
  // rescheduled, other items eligible).
  void Invalidate() { m_valid = false; }
  // Only the item at `position` changed its time, state or eligibility.
  void Update(const std::vector<WatchItem>& items, int position, const Eligible& eligible);
  // The item to check next, or -1: the earliest start (the item's time, or the end of its
  // host's pause when that is later), equal starts in list order. Items in `taken` and
  // hosts in `busyHosts` are passed over; so is an item that is no longer `eligible`.
  int Select(const std::vector<WatchItem>& items, const Eligible& eligible,
             const std::vector<unsigned>& taken, const std::vector<std::string>& busyHosts,
             const PauseEnds& pauseEnds);

 private:
  // When an item may start, and its position: ordered by time, then list order.
  struct Key {
    std::time_t time = 0;
    int position = 0;
    auto operator<=>(const Key&) const = default;
  };
  struct Entry {
    bool indexed = false;
    Key key;
    int host = 0;
  };
  struct Host {
    std::string name;
    std::set<Key> keys;
  };

  void Build(const std::vector<WatchItem>& items, const Eligible& eligible);
  void Insert(int position, const WatchItem& item, const Eligible& eligible);
  void Erase(int position);
  int HostNumber(const std::string& name);
  std::optional<Key> BestOfHost(const std::vector<WatchItem>& items, const Host& host,
                                std::time_t pauseEnd, const Eligible& eligible,
                                const std::vector<unsigned>& taken) const;

  bool m_valid = false;
  std::vector<Entry> m_entries;  // by list position
  std::vector<Host> m_hosts;
  std::unordered_map<std::string, int> m_hostNumbers;
  // Each host with indexed items under its earliest key: the hosts in the order in which
  // they can offer an item.
  std::set<std::pair<Key, int>> m_heads;
};
