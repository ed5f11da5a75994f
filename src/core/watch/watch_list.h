// The watch list: every watch item of the program in the user's order, with its file
// "WatchList.pgl" in the program folder. Each item is known by its identity (m_id, given
// when it joins the list and kept across a replace); the check engines, the results and
// the windows refer to items by it. The scheduling of the checks (engines, due items, host
// pauses, job limit) is the list's CCheckScheduler (check_scheduler.h); the list hands it
// its items and takes the engines' reports back.
//
// Threads: every operation runs on the user-interface thread. The engine's reports reach
// the list through the notify target given to Init (the results, core/check/check_results.h),
// which copies the checked item back (TakeCheckResult) and then calls OnCheckDone.
//
// Positions given to the list name the items as it stands at the call. Changes made while
// a check runs (IsBusy) are queued, keyed by the identities of their items, and made when
// the check's report has been taken up: a report always finds the item that was checked.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/watch/check_engine.h"
#include "core/watch/check_scheduler.h"
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
  void AddEngine(std::unique_ptr<ICheckEngine> engine) { m_checks.AddEngine(std::move(engine)); }
  // How many engines may check at once, asked at every dispatch (the program-wide setting
  // may change meanwhile); empty: all of them. Clamped to 1 .. the number of engines.
  void SetJobLimit(std::function<int()> limit) { m_checks.SetJobLimit(std::move(limit)); }
  // The pause in seconds between the end of a check of a host and the start of the next
  // check of that host, asked at each completion; empty: none. An item whose host is in
  // its pause is given only when the pause ends, as if its next check were then. A server
  // that asked to be called later (the checked item's m_retryAt) pauses its host until then.
  void SetHostInterval(std::function<int()> seconds) {
    m_checks.SetHostInterval(std::move(seconds));
  }
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
  int FindById(unsigned id) const { return PositionOfId(m_items, id); }

  // Each change happens at once and dispatches, or, while a check runs, is queued and
  // made when it ends (to the item of that identity, when it is still there). Positions
  // out of range are ignored.
  void AddItem(WatchItem item);
  void ReplaceItem(int position, WatchItem item);  // keeps the position's identity
  // Deleting the item under check cancels that check (its fetch is aborted and it records
  // nothing); the item goes at once, unless the check had ended all the same.
  void DeleteItem(int position);
  // A change must be queued now: a check runs, is due in exactly one second, or has ended
  // and its report has not been taken up yet (on any engine).
  bool IsBusy() { return m_checks.IsBusy(); }
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
  bool HasOutstandingCheck() { return m_checks.HasOutstandingCheck(); }

  // The dispatcher. Dispatch saves the list and gives the engine its next item. While a
  // finished check's report waits to be taken up it only saves: the report dispatches.
  // While checks follow one another at once, it saves at most every two seconds and again
  // when they end.
  void Dispatch();
  // Position of the next item to check (active, m_nextCheck 0 or later, earliest first,
  // an item whose host is in its pause counting from the pause's end;
  // equal times in list order), or -1. Also sees items changed in place.
  int SelectNext() { return m_checks.SelectNext(m_items); }
  // "直ちにチェック" for one position, or -1 for "全てのアイテムを直ちにチェック": sets the
  // items' next check time to 0 (active items only) at the next dispatch, and dispatches.
  void CheckNow(int position);
  // End of the check of the item with identity `checkedId` (0: the midnight wake-up), after
  // its result has been taken back: applies the queued changes, reschedules, and
  // dispatches the next checks. Without an identity: the first engine's check.
  void OnCheckDone(unsigned checkedId);
  void OnCheckDone() { OnCheckDone(m_checks.FirstEngineItem()); }
  // Copies a checked item back into the list, over the item of its identity; false when
  // that item is no longer there. Tells the item listener.
  bool TakeCheckResult(const WatchItem& item);

  // Who hears that an item changed without the list changing otherwise (a check's result
  // taken, an update mark cleared): the watch list window, to redraw the item's row. Called
  // on the UI thread with the item's identity; one listener, an empty one for none.
  void SetItemListener(std::function<void(unsigned id)> listener) {
    m_itemListener = std::move(listener);
  }
  // The user has seen the update of the item at `position`: its update mark 1 becomes 0
  // (any other mark stays), the list is to be saved and the listener told. true when the
  // mark changed.
  bool Acknowledge(int position);

  // Only items for which `eligible` holds are given to the engine (a headless check of
  // chosen items); an empty function allows every item.
  void SetEligibility(std::function<bool(const WatchItem&)> eligible) {
    m_checks.SetEligibility(std::move(eligible));
  }
  // The identity of the item the first engine was last given (0: none).
  unsigned CurrentItem() const { return m_checks.FirstEngineItem(); }
  // An engine checks, or is about to check, the item with that identity.
  bool IsUnderCheck(unsigned id) { return m_checks.IsUnderCheck(id); }
  ICheckEngine& Engine() { return m_checks.Engine(0); }
  int EngineCount() const { return m_checks.EngineCount(); }
  ICheckEngine& Engine(int index) { return m_checks.Engine(index); }
  bool IsDirty() const { return m_dirty; }
  // Changes whenever a change may have touched any item (added, replaced, deleted, edited,
  // every item rescheduled), not when only a checked item took its result.
  unsigned long Generation() const { return m_generation; }
  // A change made to an item in place (GetItemPtr), such as a cleared update mark: the
  // list is saved at the next dispatch or when it ends.
  void MarkDirty() { m_dirty = true; }

 private:
  // A change that waits for the end of a check, made to the item with identity `id`.
  struct PendingOp {
    enum Kind { kAdd, kReplace, kDelete, kEdit };
    WatchItem item;
    unsigned id = 0;
    Kind kind = kAdd;
    ListEdit edit;
  };

  void Append(WatchItem item);
  void Store(int position, WatchItem item);
  void Remove(int position);
  void ApplyPending();
  void RunEdit(const ListEdit& edit);
  bool StopEngineFor(int position) { return m_checks.StopFor(m_items[position].m_id); }
  void SaveForDispatch(bool immediate);
  void EndCheck(unsigned checkedId, bool reported);
  void ListChanged() {
    ++m_generation;
    m_checks.ListChanged();
  }

  static constexpr std::chrono::seconds kBurstSaveInterval{2};

  bool m_dirty = false;
  bool m_closing = false;
  bool m_editing = false;  // inside a QueueEdit's edit
  bool m_saved = false;  // m_lastSave holds the time of the last good save
  std::chrono::steady_clock::time_point m_lastSave;
  unsigned m_nextId = 1;
  unsigned long m_generation = 0;
  std::vector<WatchItem> m_items;  // identities ascend in list order
  std::vector<PendingOp> m_pending;
  std::function<void(unsigned id)> m_itemListener;
  platform::CReplaceGuard m_guard;
  CCheckScheduler m_checks;  // last member: its engines are destroyed (joined) first
};
