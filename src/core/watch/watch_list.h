// The watch list: every watch item of the program in the user's order, its file
// "WatchList.pgl" in the program folder, its check engines (owned through ICheckEngine), and
// the dispatcher that hands each idle engine one item at a time (the active item with the
// earliest next check time whose host no other engine is checking, or an item without URL
// that wakes the engine at the next midnight). Only one engine ever waits for a later time;
// the others take only items that are due, so idle engines sleep on their events.
//
// Threads: every operation runs on the user-interface thread. The engine's reports reach
// the list through the notify target given to Init (the results, core/check/check_results.h),
// which copies the checked item back (TakeCheckResult) and then calls OnCheckDone.
//
// Changes made while a check runs (IsBusy) are queued and applied when it ends, so a
// position given with a report always names the item that was checked.
#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/watch/check_engine.h"
#include "core/watch/due_index.h"
#include "core/watch/watch_item.h"
#include "platform/replace_guard.h"

namespace platform {
class IUiQueue;
}

class CWatchList {
 public:
  // `engine` checks the items the dispatcher gives it; without one (a list that is only
  // read and written) nothing is ever checked.
  explicit CWatchList(std::unique_ptr<ICheckEngine> engine = nullptr);
  // One more engine, for checks at once (before Init). The first engine of the list gives
  // the midnight wake-up; how many are used is SetJobLimit's.
  void AddEngine(std::unique_ptr<ICheckEngine> engine);
  // How many engines may check at once, asked at every dispatch (the program-wide setting
  // may change meanwhile); empty: all of them. Clamped to 1 .. the number of engines.
  void SetJobLimit(std::function<int()> limit) { m_jobLimit = std::move(limit); }
  // The pause in seconds between the end of a check of a host and the start of the next
  // check of that host, asked at each completion; empty: none. An item whose host is in
  // its pause is given only when the pause ends, as if its next check were then. A server
  // that asked to be called later (the checked item's m_retryAt) pauses its host until then.
  void SetHostInterval(std::function<int()> seconds) { m_hostInterval = std::move(seconds); }
  // Saves when the list changed since the last save, then ends the engine (a running
  // check is cancelled; a report still under way is dropped).
  ~CWatchList();
  CWatchList(const CWatchList&) = delete;
  CWatchList& operator=(const CWatchList&) = delete;

  // Gives the engine its report target (both owned by the caller, outliving the list and
  // every task posted to the queue), then loads the file and, when it was read whole (or
  // is missing), removes the temporary files that an earlier run left behind in the
  // program folder and "comp" (never a file an item keeps). Call once, before the first
  // Dispatch.
  bool Init(platform::IUiQueue* queue, ICheckNotify* notify);
  // Loads the file: every item gets its first check time by the start-up rule, the frame
  // name "__Pageward_<n>_" and a fresh identity. Reading stops at the first incomplete
  // block. false when the file cannot be opened (the list is then empty). A file that
  // exists but cannot be read, or holds more than the blocks read, is Unreadable or
  // Damaged (LoadOutcome): it is not written over until SaveAnyway.
  bool Load();
  // Saves every item, in list order, through a temporary file renamed over the old one: a
  // save that fails or breaks off leaves the old file as it was. The file is readable by
  // its owner only (items may hold passwords). false on failure, and while the file the
  // list was loaded from is unreadable or damaged and SaveAnyway was not asked for.
  bool Save();
  platform::LoadOutcome LoadOutcome() const { return m_guard.Outcome(); }
  bool RefusesSave() const { return m_guard.Refuses(); }
  // The user keeps the list as it was read: the next save first keeps the old file aside
  // under a dated name (BackupPath), then writes the list.
  void SaveAnyway();
  const std::string& BackupPath() const { return m_guard.BackupPath(); }
  // The path of the list file.
  static std::string FilePath();

  int GetCount() const { return static_cast<int>(m_items.size()); }
  // A copy of the item; a default item for a position out of range.
  WatchItem GetItem(int position) const;
  // The item in place, or nullptr for a position out of range. Valid until the list changes.
  // What decides its turn (m_active, m_nextCheck, m_url) changes only through ReplaceItem
  // or inside an edit: the dispatcher's index of due items would not see it.
  WatchItem* GetItemPtr(int position);
  // Position of the item with that identity, -1 if none (deleted).
  int FindById(unsigned id) const;

  // Each change happens at once and dispatches, or, while a check runs, is queued and
  // applied when it ends. Positions out of range are ignored.
  void AddItem(WatchItem item);
  void ReplaceItem(int position, WatchItem item);  // keeps the position's identity
  // Deleting the item under check cancels that check (its fetch is aborted and it records
  // nothing); the item goes at once, unless the check had ended all the same.
  void DeleteItem(int position);
  // A change must be queued now: a check runs, is due in exactly one second, or has ended
  // and its report has not been taken up yet (on any engine).
  bool IsBusy();
  // A change of the caller's own (another program's request), made in order with the
  // queued changes: at once, then dispatching, or while busy when the running check ends.
  // Inside `edit` AddItem, ReplaceItem and DeleteItem take effect at once and do not
  // dispatch, and the items may be changed in place.
  using ListEdit = std::function<void(CWatchList&)>;
  void QueueEdit(ListEdit edit);
  // The program is ending: a check that ends late reports nothing.
  void SetShuttingDown();
  // Ends dispatching for good (a headless front end's exit): a waiting or running check is
  // cancelled. true when a check that had ended all the same still has its report to be
  // taken up; run the queue until !HasOutstandingCheck() to take it, then Save.
  bool Close();
  bool HasOutstandingCheck();

  // The dispatcher. Dispatch saves the list and gives the engine its next item. While a
  // finished check's report waits to be taken up it only saves: the report dispatches.
  // While checks follow one another at once, it saves at most every two seconds and again
  // when they end.
  void Dispatch();
  // Position of the next item to check (active, m_nextCheck 0 or later, earliest first,
  // an item whose host is in its pause counting from the pause's end;
  // equal times in list order), or -1. Also sees items changed in place.
  int SelectNext() {
    m_due.Invalidate();
    return SelectNext({}, {});
  }
  // "直ちにチェック" for one position, or -1 for "全てのアイテムを直ちにチェック": sets the
  // items' next check time to 0 (active items only) at the next dispatch, and dispatches.
  void CheckNow(int position);
  // End of the check of the item with identity `checkedId` (0: the midnight wake-up), after
  // its result has been taken back: applies the queued changes, reschedules, and
  // dispatches the next checks. Without an identity: the first engine's check.
  void OnCheckDone(unsigned checkedId);
  void OnCheckDone();
  // Copies a checked item back into the list at `position` (where it was given to the
  // engine) keeping its identity and position; gives the position, or -1 when the item is
  // no longer there.
  int TakeCheckResult(const WatchItem& item, int position);

  // Only items for which `eligible` holds are given to the engine (a headless check of
  // chosen items); an empty function allows every item.
  void SetEligibility(std::function<bool(const WatchItem&)> eligible) {
    m_eligible = std::move(eligible);
    m_due.Invalidate();
  }
  // The position the first engine was last given (-1: none).
  int CurrentPosition() const { return m_slots.front().current; }
  // An engine checks, or is about to check, the item at `position`.
  bool IsUnderCheck(int position);
  ICheckEngine& Engine() { return *m_slots.front().engine; }
  int EngineCount() const { return static_cast<int>(m_slots.size()); }
  ICheckEngine& Engine(int index) { return *m_slots[index].engine; }
  bool IsDirty() const { return m_dirty; }
  // Changes whenever a change may have touched any item (added, replaced, deleted, edited,
  // every item rescheduled), not when only a checked item took its result.
  unsigned long Generation() const { return m_generation; }
  // A change made to an item in place (GetItemPtr), such as a cleared update mark: the
  // list is saved at the next dispatch or when it ends.
  void MarkDirty() { m_dirty = true; }

 private:
  struct PendingOp {
    enum Kind { kAdd, kReplace, kDelete, kEdit };
    WatchItem item;
    int position = -1;
    Kind kind = kAdd;
    ListEdit edit;
  };

  // One engine and the item it was last given (by position and identity; 0 for none or the
  // midnight wake-up).
  struct EngineSlot {
    std::unique_ptr<ICheckEngine> engine;
    int current = -1;
    unsigned id = 0;
  };

  int SelectNext(const std::vector<unsigned>& taken, const std::vector<std::string>& hosts);
  bool AssignSlot(EngineSlot& slot, bool othersChecking, bool& waiterGiven,
                  std::vector<unsigned>& taken, std::vector<std::string>& hosts);
  int JobLimit() const;
  std::time_t StartTime(const WatchItem& item) const;
  void StartPause(const WatchItem& checked);
  void EndPauses();
  void ResumeServerPauses();
  bool HasOtherEngines() const { return JobLimit() > 1; }
  EngineSlot* SlotOf(unsigned checkedId);
  int FindSlotPosition(const EngineSlot& slot) const;
  void FollowSlots();
  void SlotsAfterRemoval(int position);
  void Append(WatchItem item);
  void Store(int position, WatchItem item);
  void Remove(int position);
  void ApplyPending();
  void Renumber();
  void RunEdit(const ListEdit& edit);
  bool StopEngineFor(int position);
  void SaveForDispatch(bool immediate);
  void FinishCheck(EngineSlot* slot, int checkedPosition);
  void Reschedule(int checkedPosition, bool listChanged);
  void ListChanged() {
    ++m_generation;
    m_due.Invalidate();
    m_positionsOfIds.clear();
  }
  // Where the item now at `position` will be once the queued changes are made; -1 when one
  // of them deletes it, or when a queued edit makes it unknown.
  int PositionAfterPending(int position) const;

  static constexpr std::chrono::seconds kBurstSaveInterval{2};

  bool m_dirty = false;
  bool m_checkNowPending = false;
  int m_checkNowIndex = -1;
  bool m_closing = false;
  bool m_editing = false;  // inside a QueueEdit's edit
  bool m_saved = false;  // m_lastSave holds the time of the last good save
  std::chrono::steady_clock::time_point m_lastSave;
  unsigned m_nextId = 1;
  unsigned long m_generation = 0;
  long long m_rescheduledDay = -1;  // the local day of the last rescheduling of every item
  std::function<int()> m_jobLimit;
  std::function<int()> m_hostInterval;
  std::unordered_map<std::string, std::time_t> m_pauseEnds;  // host: when its pause ends
  std::vector<WatchItem> m_items;
  CDueIndex m_due;  // the active items with a time, by host and time
  mutable std::unordered_map<unsigned, int> m_positionsOfIds;  // built when first asked
  std::vector<PendingOp> m_pending;
  std::function<bool(const WatchItem&)> m_eligible;
  platform::CReplaceGuard m_guard;
  std::vector<EngineSlot> m_slots;  // last member: destroyed (the workers joined) first
};
