// The scheduling of checks for the watch list: its check engines (owned through
// ICheckEngine), which item each engine works on, the index of due items, the pauses
// between checks of one host and the limit of checks at once. Each idle engine is given
// one item at a time: the active item with the earliest next check time whose host no
// other engine is checking, or an item without URL that wakes the first engine at the next
// midnight. Only one engine ever waits for a later time; the others take only items that
// are due, so idle engines sleep on their events.
//
// The scheduler knows an item only by its identity (WatchItem::m_id). It works on the
// list's items, which the list (CWatchList) owns and hands it with every call; it changes
// no more of them than their next check time.
//
// Threads: UI thread only.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/watch/check_engine.h"
#include "core/watch/due_index.h"
#include "core/watch/watch_item.h"

namespace platform {
class IUiQueue;
}

// Position of the item with identity `id` in `items`, -1 if none. Identities ascend in
// list order (items are only ever appended), so the search halves the list.
int PositionOfId(const std::vector<WatchItem>& items, unsigned id);

class CCheckScheduler {
 public:
  using Items = std::vector<WatchItem>;

  // `engine` checks the items given to it; without one nothing is ever checked.
  explicit CCheckScheduler(std::unique_ptr<ICheckEngine> engine);
  ~CCheckScheduler();
  CCheckScheduler(const CCheckScheduler&) = delete;
  CCheckScheduler& operator=(const CCheckScheduler&) = delete;

  void AddEngine(std::unique_ptr<ICheckEngine> engine);
  void SetNotifyTarget(platform::IUiQueue* queue, ICheckNotify* notify);
  void SetJobLimit(std::function<int()> limit) { m_jobLimit = std::move(limit); }
  void SetHostInterval(std::function<int()> seconds) { m_hostInterval = std::move(seconds); }
  void SetEligibility(std::function<bool(const WatchItem&)> eligible) {
    m_eligible = std::move(eligible);
    m_due.Invalidate();
  }

  int EngineCount() const { return static_cast<int>(m_slots.size()); }
  ICheckEngine& Engine(int index) { return *m_slots[index].engine; }
  // The identity of the item the first engine was last given (0: none).
  unsigned FirstEngineItem() const { return m_slots.front().id; }

  // A check runs, is due in exactly one second, or has ended and its report has not been
  // taken up yet (on any engine).
  bool IsBusy();
  // An engine checks, or is about to check, the item with that identity.
  bool IsUnderCheck(unsigned id);
  bool HasOutstandingCheck();
  void SetShuttingDown();
  // Cancels every waiting or running check.
  void CancelAll();
  // Stops an engine that waits on the item. true when its check began all the same (its
  // report is on the way).
  bool StopFor(unsigned id);
  // Cancels the check of the item when it runs. true when a check of it was running and is
  // now cancelled: it reports nothing, and the caller ends it with Release.
  bool CancelRunning(unsigned id);

  // The list changed in a way that may touch any item.
  void ListChanged() { m_due.Invalidate(); }
  // Only the item at `position` changed its time or state (a check's result taken).
  void ItemChanged(const Items& items, int position) { m_due.Update(items, position, m_eligible); }

  // Gives each free engine its next item. true when an engine was given one to check at
  // once (checks follow one another).
  bool Dispatch(Items& items);
  // Position of the next item to check, with no engine busy, or -1. Also sees items
  // changed in place.
  int SelectNext(const Items& items) {
    m_due.Invalidate();
    return m_due.Select(items, m_eligible, {}, {}, m_pauseEnds);
  }
  // "直ちにチェック" for the item with that identity, or 0 for every active item: at the
  // next dispatch their next check time becomes 0.
  void CheckNow(unsigned id);
  // The check of the item has reported: it is to be rescheduled, and its host pauses.
  void Checked(WatchItem& item);
  // Reschedules after a check: every item when `all` (the list changed, the midnight
  // wake-up, a new day), else only the item at `position` (-1: none). true when every
  // item was rescheduled.
  bool Reschedule(Items& items, int position, bool all);
  // The engine that checked the item with that identity (0: the first engine's midnight
  // wake-up) is free again.
  void Release(unsigned id);
  // A loaded list: the hosts of items whose server asked to be called later are paused
  // until then.
  void ResumeServerPauses(const Items& items);

 private:
  // One engine and the identity of the item it was last given (0: none or the midnight
  // wake-up).
  struct EngineSlot {
    std::unique_ptr<ICheckEngine> engine;
    unsigned id = 0;
  };

  bool AssignSlot(Items& items, EngineSlot& slot, bool othersChecking, bool& waiterGiven,
                  std::vector<unsigned>& taken, std::vector<std::string>& hosts);
  int JobLimit() const;
  bool HasOtherEngines() const { return JobLimit() > 1; }
  std::time_t StartTime(const WatchItem& item) const;
  void EndPauses();
  EngineSlot* SlotOf(unsigned id);

  bool m_checkNowPending = false;
  unsigned m_checkNowId = 0;
  long long m_rescheduledDay = -1;  // the local day of the last rescheduling of every item
  std::function<int()> m_jobLimit;
  std::function<int()> m_hostInterval;
  std::function<bool(const WatchItem&)> m_eligible;
  std::unordered_map<std::string, std::time_t> m_pauseEnds;  // host: when its pause ends
  CDueIndex m_due;  // the active items with a time, by host and time
  std::vector<EngineSlot> m_slots;  // last member: destroyed (the workers joined) first
};
