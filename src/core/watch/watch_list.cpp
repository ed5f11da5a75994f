#include "core/watch/watch_list.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "core/common/leftover_files.h"
#include "core/common/path_utils.h"
#include "core/watch/page_history.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"

CWatchList::CWatchList(std::unique_ptr<ICheckEngine> engine) : m_checks(std::move(engine)) {}

CWatchList::~CWatchList() {
  SetShuttingDown();
  if (m_dirty) Save();
}

void CWatchList::SetShuttingDown() { m_checks.SetShuttingDown(); }

bool CWatchList::Init(platform::IUiQueue* queue, ICheckNotify* notify) {
  m_checks.SetNotifyTarget(queue, notify);
  bool loaded = Load();
  // Only a list read whole names every file its items keep, which must survive.
  if (m_guard.Outcome() == platform::LoadOutcome::Loaded ||
      m_guard.Outcome() == platform::LoadOutcome::Missing) {
    std::set<std::string> inUse;
    std::set<std::string> historyInUse;
    for (const WatchItem& item : m_items) {
      inUse.insert({item.m_hiddenPath, item.m_savePath});
      historyInUse.insert(item.m_historyName);
    }
    RemoveLeftoverFiles(ProgramFolder(), inUse);
    RemoveUnusedHistory(historyInUse);
  }
  return loaded;
}

std::string CWatchList::FilePath() { return ProgramFolder() + "/WatchList.pgl"; }

bool CWatchList::Load() {
  m_items.clear();
  ListChanged();
  m_dirty = false;
  FILE* file = platform::OpenFile(FilePath(), "r");
  if (!file) {
    m_guard.SetLoadOutcome(platform::FileExists(FilePath()) ? platform::LoadOutcome::Unreadable
                                                            : platform::LoadOutcome::Missing);
    return false;
  }
  WatchItem scratch;
  bool strayText = false;
  for (int count = 0; scratch.Read(file, &strayText); ++count) {
    scratch.ScheduleAtStart();
    scratch.m_frame = "__Pageward_" + std::to_string(count) + "_";
    scratch.m_id = m_nextId++;
    m_items.push_back(scratch);
  }
  bool readError = std::ferror(file) != 0;
  std::fclose(file);
  m_checks.ResumeServerPauses(m_items);
  m_guard.SetLoadOutcome(readError    ? platform::LoadOutcome::Unreadable
                         : strayText ? platform::LoadOutcome::Damaged
                                     : platform::LoadOutcome::Loaded);
  return true;
}

bool CWatchList::Save() {
  if (!m_guard.PrepareSave(FilePath())) return false;
  // Items may hold the password of their page: the file is for its owner only.
  platform::CAtomicFile file(FilePath(), platform::CAtomicFile::Mode::Text,
                             platform::CAtomicFile::Access::OwnerOnly);
  FILE* stream = file.Open();
  if (!stream) return false;
  for (const WatchItem& item : m_items) {
    if (item.Write(stream) != 0) return false;  // the old file stays
  }
  if (!file.Commit()) return false;
  m_dirty = false;
  m_saved = true;
  m_lastSave = std::chrono::steady_clock::now();
  return true;
}

void CWatchList::SaveAnyway() {
  m_guard.AllowReplace();
  m_dirty = true;
}

WatchItem CWatchList::GetItem(int position) const {
  if (position < 0 || position >= GetCount()) return WatchItem();
  return m_items[position];
}

WatchItem* CWatchList::GetItemPtr(int position) {
  if (position < 0 || position >= GetCount()) return nullptr;
  return &m_items[position];
}

void CWatchList::AddItem(WatchItem item) {
  if (m_editing) {
    Append(std::move(item));
    return;
  }
  if (IsBusy()) {
    m_pending.push_back({std::move(item), 0, PendingOp::kAdd, {}});
    return;
  }
  Append(std::move(item));
  Dispatch();
}

void CWatchList::ReplaceItem(int position, WatchItem item) {
  if (position < 0 || position >= GetCount()) return;
  if (m_editing) {
    Store(position, std::move(item));
    return;
  }
  if (IsBusy() || StopEngineFor(position)) {
    m_pending.push_back({std::move(item), m_items[position].m_id, PendingOp::kReplace, {}});
    return;
  }
  Store(position, std::move(item));
  Dispatch();
}

void CWatchList::DeleteItem(int position) {
  if (position < 0 || position >= GetCount()) return;
  if (m_editing) {
    Remove(position);
    return;
  }
  // The item under check need not be checked to its end: the check is cancelled, and
  // when it then reports nothing the list goes on as after a check.
  const unsigned id = m_items[position].m_id;
  if (m_checks.CancelRunning(id)) {
    m_pending.push_back({WatchItem(), id, PendingOp::kDelete, {}});
    EndCheck(id, false);
    return;
  }
  if (IsBusy() || StopEngineFor(position)) {
    m_pending.push_back({WatchItem(), id, PendingOp::kDelete, {}});
    return;
  }
  Remove(position);
  Dispatch();
}

void CWatchList::QueueEdit(ListEdit edit) {
  if (IsBusy()) {
    PendingOp op;
    op.kind = PendingOp::kEdit;
    op.edit = std::move(edit);
    m_pending.push_back(std::move(op));
    return;
  }
  RunEdit(edit);
  Dispatch();  // stops a waiting check first: its item may have changed
}

void CWatchList::RunEdit(const ListEdit& edit) {
  m_editing = true;
  edit(*this);
  m_editing = false;
  ListChanged();  // the edit may have changed items in place
  m_dirty = true;
}

bool CWatchList::Close() {
  m_closing = true;
  m_checks.CancelAll();
  return HasOutstandingCheck();
}

bool CWatchList::TakeCheckResult(const WatchItem& item) {
  int position = FindById(item.m_id);
  if (position < 0) {
    RemoveHistory(item);  // the check kept a version of an item deleted meanwhile
    return false;
  }
  m_items[position] = item;
  m_checks.ItemChanged(m_items, position);
  m_dirty = true;
  if (m_itemListener) m_itemListener(item.m_id);
  return true;
}

bool CWatchList::Acknowledge(int position) {
  if (position < 0 || position >= GetCount()) return false;
  if (m_items[position].m_renewMark != UpdateMark::Updated) return false;
  m_items[position].m_renewMark = UpdateMark::None;
  m_dirty = true;
  if (m_itemListener) m_itemListener(m_items[position].m_id);
  return true;
}

void CWatchList::Append(WatchItem item) {
  // A copy of another item starts without versions: the kept ones belong to the original.
  for (const WatchItem& other : m_items) {
    if (!item.m_historyName.empty() && other.m_historyName == item.m_historyName) {
      item.m_historyName.clear();
    }
  }
  item.m_id = m_nextId++;
  m_items.push_back(std::move(item));
  ListChanged();
  m_dirty = true;
}

void CWatchList::Store(int position, WatchItem item) {
  if (position < 0 || position >= GetCount()) return;
  WatchItem& old = m_items[position];
  // The kept versions belong to the list's item: an edited copy made before a check kept
  // one does not know them. Another address makes them meaningless.
  if (item.m_url != old.m_url) {
    RemoveHistory(old);
    item.m_historyName.clear();
  } else if (item.m_historyName.empty()) {
    item.m_historyName = old.m_historyName;
  }
  item.m_id = old.m_id;
  m_items[position] = std::move(item);
  ListChanged();
  m_dirty = true;
}

void CWatchList::Remove(int position) {
  if (position < 0 || position >= GetCount()) return;
  RemoveHistory(m_items[position]);
  m_items.erase(m_items.begin() + position);
  ListChanged();
  m_dirty = true;
}

// Queued changes are made in the order asked, each to the item it was asked for; a change
// of an item deleted meanwhile is dropped.
void CWatchList::ApplyPending() {
  std::vector<PendingOp> pending;
  pending.swap(m_pending);
  for (PendingOp& op : pending) {
    switch (op.kind) {
      case PendingOp::kAdd:
        Append(std::move(op.item));
        break;
      case PendingOp::kReplace:
        Store(FindById(op.id), std::move(op.item));
        break;
      case PendingOp::kDelete:
        Remove(FindById(op.id));
        break;
      case PendingOp::kEdit:
        RunEdit(op.edit);
        break;
    }
  }
}

void CWatchList::Dispatch() {
  if (m_closing) {
    Save();
    return;
  }
  SaveForDispatch(m_checks.Dispatch(m_items));
}

// Every dispatch saves the list, except while checks follow one another at once (a check
// of all items): there the list is saved at most every kBurstSaveInterval and again when
// the run of checks ends, as rewriting the whole list after each of hundreds of quick
// checks would cost more than the checks.
void CWatchList::SaveForDispatch(bool immediate) {
  auto now = std::chrono::steady_clock::now();
  if (immediate && m_saved && now - m_lastSave < kBurstSaveInterval) return;
  Save();
}

void CWatchList::CheckNow(int position) {
  if (position >= GetCount()) return;
  m_checks.CheckNow(position < 0 ? 0 : m_items[position].m_id);
  ListChanged();
  Dispatch();
}

void CWatchList::OnCheckDone(unsigned checkedId) { EndCheck(checkedId, true); }

// The end of a check, reported or cancelled: the changes that waited for it, the new
// schedule, and the next dispatch.
void CWatchList::EndCheck(unsigned checkedId, bool reported) {
  int position = FindById(checkedId);
  if (reported && position >= 0) m_checks.Checked(m_items[position]);
  bool changed = !m_pending.empty();
  ApplyPending();
  if (changed) position = -1;
  if (m_checks.Reschedule(m_items, position, changed || checkedId == 0 || position < 0)) {
    ListChanged();
  }
  m_dirty = true;
  m_checks.Release(checkedId);
  Dispatch();
}
