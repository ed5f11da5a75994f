#include "core/watch/watch_list.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "core/common/leftover_files.h"
#include "core/common/path_utils.h"
#include "core/watch/page_history.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"

namespace {

// The engine of a list that is only read and written: never busy, checks nothing.
class CNoEngine : public ICheckEngine {
 public:
  void SetNotifyTarget(platform::IUiQueue*, ICheckNotify*) override {}
  void SetWaitSlice(std::uint32_t) override {}
  void SetShuttingDown() override {}
  void Start(const WatchItem&, int) override {}
  bool Stop() override { return false; }
  bool Cancel() override { return false; }
  bool IsBusy() override { return false; }
  bool IsChecking() override { return false; }
  void SignalIdle() override {}
};

}  // namespace

CWatchList::CWatchList(std::unique_ptr<ICheckEngine> engine) {
  m_slots.push_back({engine ? std::move(engine) : std::make_unique<CNoEngine>()});
}

CWatchList::~CWatchList() {
  SetShuttingDown();
  if (m_dirty) Save();
}

void CWatchList::AddEngine(std::unique_ptr<ICheckEngine> engine) {
  m_slots.push_back({std::move(engine)});
}

int CWatchList::JobLimit() const {
  int jobs = m_jobLimit ? m_jobLimit() : EngineCount();
  return std::clamp(jobs, 1, EngineCount());
}

bool CWatchList::IsBusy() {
  bool busy = false;
  for (EngineSlot& slot : m_slots) busy |= slot.engine->IsBusy();
  return busy;
}

bool CWatchList::IsUnderCheck(int position) {
  for (EngineSlot& slot : m_slots) {
    if (slot.current == position && position >= 0 && slot.engine->IsBusy()) return true;
  }
  return false;
}

void CWatchList::SetShuttingDown() {
  for (EngineSlot& slot : m_slots) slot.engine->SetShuttingDown();
}

bool CWatchList::HasOutstandingCheck() {
  bool outstanding = false;
  for (EngineSlot& slot : m_slots) outstanding |= slot.engine->IsChecking();
  return outstanding;
}

// The slot whose engine checks the item with that identity (0: the midnight wake-up of the
// first engine).
CWatchList::EngineSlot* CWatchList::SlotOf(unsigned checkedId) {
  if (checkedId == 0) return &m_slots.front();
  for (EngineSlot& slot : m_slots) {
    if (slot.id == checkedId) return &slot;
  }
  return nullptr;
}

int CWatchList::FindSlotPosition(const EngineSlot& slot) const {
  if (slot.id == 0) return -1;
  if (slot.current >= 0 && slot.current < GetCount() && m_items[slot.current].m_id == slot.id) {
    return slot.current;
  }
  return FindById(slot.id);
}

// After queued changes every engine's item is found again by its identity. An engine whose
// item went keeps the identity: its report must still find the engine.
void CWatchList::FollowSlots() {
  for (EngineSlot& slot : m_slots) slot.current = FindSlotPosition(slot);
}

// The item at `position` is gone: the engines' positions follow their items.
void CWatchList::SlotsAfterRemoval(int position) {
  for (EngineSlot& slot : m_slots) {
    if (slot.current == position) {
      slot.current = -1;  // the identity stays, for the report of a check under way
    } else if (position < slot.current) {
      --slot.current;
    }
  }
}

bool CWatchList::Init(platform::IUiQueue* queue, ICheckNotify* notify) {
  for (EngineSlot& slot : m_slots) slot.engine->SetNotifyTarget(queue, notify);
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
  Renumber();
  ResumeServerPauses();
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

int CWatchList::FindById(unsigned id) const {
  if (id == 0) return -1;
  // Asked after every check (the results, the windows' rows): a walk through a long list
  // each time would cost more than the check.
  if (m_positionsOfIds.size() != m_items.size()) {
    m_positionsOfIds.clear();
    for (int i = 0; i < GetCount(); ++i) m_positionsOfIds.emplace(m_items[i].m_id, i);
  }
  auto found = m_positionsOfIds.find(id);
  return found == m_positionsOfIds.end() ? -1 : found->second;
}

void CWatchList::AddItem(WatchItem item) {
  if (m_editing) {
    Append(std::move(item));
    return;
  }
  if (IsBusy()) {
    m_pending.push_back({std::move(item), -1, PendingOp::kAdd, {}});
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
    m_pending.push_back({std::move(item), position, PendingOp::kReplace, {}});
    return;
  }
  Store(position, std::move(item));
  Dispatch();
}

void CWatchList::DeleteItem(int position) {
  if (position < 0 || position >= GetCount()) return;
  if (m_editing) {
    // A check that reports later finds its item by identity; the engines' positions follow.
    SlotsAfterRemoval(position);
    Remove(position);
    return;
  }
  // The item under check need not be checked to its end: the check is cancelled, and
  // when it then reports nothing the list goes on as after a check. Positions given
  // during a check count the queued changes as made.
  for (EngineSlot& slot : m_slots) {
    int underCheck = PositionAfterPending(slot.current);
    if (underCheck >= 0 && position == underCheck && slot.engine->IsChecking() &&
        !slot.engine->Cancel()) {
      m_pending.push_back({WatchItem(), position, PendingOp::kDelete, {}});
      FinishCheck(&slot, -1);
      return;
    }
  }
  if (IsBusy() || StopEngineFor(position)) {
    m_pending.push_back({WatchItem(), position, PendingOp::kDelete, {}});
    return;
  }
  SlotsAfterRemoval(position);
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
  Renumber();
  ListChanged();  // the edit may have changed items in place
  m_dirty = true;
}

// Stops the engine when it waits on `position`. true when the check began all the same
// (its report is on the way, so the change must wait for it).
bool CWatchList::StopEngineFor(int position) {
  bool ran = false;
  for (EngineSlot& slot : m_slots) {
    if (slot.current == position) ran |= slot.engine->Stop();
  }
  return ran;
}

bool CWatchList::Close() {
  m_closing = true;
  for (EngineSlot& slot : m_slots) slot.engine->Cancel();
  return HasOutstandingCheck();
}

int CWatchList::TakeCheckResult(const WatchItem& item, int position) {
  // The position names the checked item, as changes wait for the report; the identity
  // guards against a report that outlived its item all the same.
  if (position < 0 || position >= GetCount() || m_items[position].m_id != item.m_id) {
    position = FindById(item.m_id);
    if (position < 0) {
      RemoveHistory(item);  // the check kept a version of an item deleted meanwhile
      return -1;
    }
  }
  m_items[position] = item;
  m_items[position].m_index = position;
  m_due.Update(m_items, position, m_eligible);
  m_dirty = true;
  return position;
}

void CWatchList::Append(WatchItem item) {
  // A copy of another item starts without versions: the kept ones belong to the original.
  for (const WatchItem& other : m_items) {
    if (!item.m_historyName.empty() && other.m_historyName == item.m_historyName) {
      item.m_historyName.clear();
    }
  }
  item.m_id = m_nextId++;
  item.m_index = GetCount();
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
  item.m_index = position;
  m_items[position] = std::move(item);
  ListChanged();
  m_dirty = true;
}

void CWatchList::Remove(int position) {
  if (position < 0 || position >= GetCount()) return;
  RemoveHistory(m_items[position]);
  m_items.erase(m_items.begin() + position);
  Renumber();
  ListChanged();
  m_dirty = true;
}

// Queued changes are applied in the order asked, each at the position its caller saw.
void CWatchList::ApplyPending() {
  std::vector<PendingOp> pending;
  pending.swap(m_pending);
  for (PendingOp& op : pending) {
    switch (op.kind) {
      case PendingOp::kAdd:
        Append(std::move(op.item));
        break;
      case PendingOp::kReplace:
        Store(op.position, std::move(op.item));
        break;
      case PendingOp::kDelete:
        Remove(op.position);
        break;
      case PendingOp::kEdit:
        RunEdit(op.edit);
        break;
    }
  }
  Renumber();
}

int CWatchList::PositionAfterPending(int position) const {
  for (const PendingOp& op : m_pending) {
    if (position < 0) break;
    // A queued edit may move anything: the item's place is not known until it is made.
    if (op.kind == PendingOp::kEdit) return -1;
    if (op.kind != PendingOp::kDelete) continue;
    if (op.position == position) position = -1;
    else if (op.position < position) --position;
  }
  return position;
}

void CWatchList::Renumber() {
  for (int i = 0; i < GetCount(); ++i) m_items[i].m_index = i;
}
