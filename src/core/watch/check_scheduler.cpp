#include "core/watch/check_scheduler.h"

#include <algorithm>

#include "core/fetch/host_pacer.h"
#include "core/watch/calendar.h"
#include "platform/clock.h"

namespace {

// The engine of a list that is only read and written: never busy, checks nothing.
class CNoEngine : public ICheckEngine {
 public:
  void SetNotifyTarget(platform::IUiQueue*, ICheckNotify*) override {}
  void SetWaitSlice(std::uint32_t) override {}
  void SetShuttingDown() override {}
  void Start(const WatchItem&) override {}
  bool Stop() override { return false; }
  bool Cancel() override { return false; }
  bool IsBusy() override { return false; }
  bool IsChecking() override { return false; }
  void SignalIdle() override {}
};

}  // namespace

int PositionOfId(const std::vector<WatchItem>& items, unsigned id) {
  if (id == 0) return -1;
  auto before = [](const WatchItem& item, unsigned wanted) { return item.m_id < wanted; };
  auto found = std::lower_bound(items.begin(), items.end(), id, before);
  if (found != items.end() && found->m_id == id) return static_cast<int>(found - items.begin());
  return -1;
}

CCheckScheduler::CCheckScheduler(std::unique_ptr<ICheckEngine> engine) {
  m_slots.push_back({engine ? std::move(engine) : std::make_unique<CNoEngine>()});
}

CCheckScheduler::~CCheckScheduler() = default;

void CCheckScheduler::AddEngine(std::unique_ptr<ICheckEngine> engine) {
  m_slots.push_back({std::move(engine)});
}

void CCheckScheduler::SetNotifyTarget(platform::IUiQueue* queue, ICheckNotify* notify) {
  for (EngineSlot& slot : m_slots) slot.engine->SetNotifyTarget(queue, notify);
}

int CCheckScheduler::JobLimit() const {
  int jobs = m_jobLimit ? m_jobLimit() : EngineCount();
  return std::clamp(jobs, 1, EngineCount());
}

bool CCheckScheduler::IsBusy() {
  bool busy = false;
  for (EngineSlot& slot : m_slots) busy |= slot.engine->IsBusy();
  return busy;
}

bool CCheckScheduler::IsUnderCheck(unsigned id) {
  for (EngineSlot& slot : m_slots) {
    if (id != 0 && slot.id == id && slot.engine->IsBusy()) return true;
  }
  return false;
}

bool CCheckScheduler::HasOutstandingCheck() {
  bool outstanding = false;
  for (EngineSlot& slot : m_slots) outstanding |= slot.engine->IsChecking();
  return outstanding;
}

void CCheckScheduler::SetShuttingDown() {
  for (EngineSlot& slot : m_slots) slot.engine->SetShuttingDown();
}

void CCheckScheduler::CancelAll() {
  for (EngineSlot& slot : m_slots) slot.engine->Cancel();
}

bool CCheckScheduler::StopFor(unsigned id) {
  bool ran = false;
  for (EngineSlot& slot : m_slots) {
    if (id != 0 && slot.id == id) ran |= slot.engine->Stop();
  }
  return ran;
}

bool CCheckScheduler::CancelRunning(unsigned id) {
  EngineSlot* slot = id != 0 ? SlotOf(id) : nullptr;
  return slot && slot->engine->IsChecking() && !slot->engine->Cancel();
}

// The slot whose engine checks the item with that identity (0: the midnight wake-up of the
// first engine).
CCheckScheduler::EngineSlot* CCheckScheduler::SlotOf(unsigned id) {
  if (id == 0) return &m_slots.front();
  for (EngineSlot& slot : m_slots) {
    if (slot.id == id) return &slot;
  }
  return nullptr;
}

bool CCheckScheduler::Dispatch(Items& items) {
  // A finished check's result reaches the list before its engine takes its next item: its
  // report dispatches again. An engine that only waits for a later time is stopped, as its
  // item may no longer be the next one.
  const int jobs = JobLimit();
  EndPauses();
  std::vector<unsigned> taken;
  std::vector<std::string> hosts;
  std::vector<EngineSlot*> free;
  for (int i = 0; i < EngineCount(); ++i) {
    EngineSlot& slot = m_slots[i];
    if (slot.engine->IsChecking() || slot.engine->Stop()) {
      if (slot.id != 0) {
        taken.push_back(slot.id);
        int position = PositionOfId(items, slot.id);
        if (position >= 0 && HasOtherEngines()) hosts.push_back(HostOfUrl(items[position].m_url));
      }
    } else if (i < jobs) {
      free.push_back(&slot);
    } else {
      slot.id = 0;
    }
  }
  if (free.empty()) return false;  // a check-now stays pending until an engine is free

  if (m_checkNowPending) {
    for (WatchItem& item : items) {
      if (m_checkNowId == 0 ? item.m_active == 1 : item.m_id == m_checkNowId) item.m_nextCheck = 0;
    }
    m_due.Invalidate();
    m_checkNowPending = false;
  }

  const bool othersChecking = !taken.empty();
  bool waiterGiven = false;
  bool immediate = false;
  for (EngineSlot* slot : free) {
    immediate |= AssignSlot(items, *slot, othersChecking, waiterGiven, taken, hosts);
  }
  return immediate;
}

// Gives a free engine the earliest item no other engine has and whose host no other engine
// checks. Only one engine is given an item that is not due yet, or, when no engine checks,
// the midnight wake-up; the others stay asleep. true when the engine checks at once.
bool CCheckScheduler::AssignSlot(Items& items, EngineSlot& slot, bool othersChecking,
                                 bool& waiterGiven, std::vector<unsigned>& taken,
                                 std::vector<std::string>& hosts) {
  slot.id = 0;
  if (waiterGiven) return false;
  int next = m_due.Select(items, m_eligible, taken, hosts, m_pauseEnds);
  std::time_t start = next >= 0 ? StartTime(items[next]) : 0;
  if (next >= 0 && start != 0 && start > platform::Now()) {
    waiterGiven = true;
  } else if (next < 0) {
    if (othersChecking || &slot != &m_slots.front()) return false;
    // Nothing to check: wake at the next midnight, when the schedules turn to a new day.
    waiterGiven = true;
    WatchItem wakeUp;
    wakeUp.m_nextCheck = static_cast<int>(NextMidnight());
    slot.engine->Start(wakeUp);
    return false;
  }
  slot.id = items[next].m_id;
  taken.push_back(slot.id);
  if (HasOtherEngines()) hosts.push_back(HostOfUrl(items[next].m_url));
  if (start == items[next].m_nextCheck) {
    slot.engine->Start(items[next]);
  } else {
    WatchItem paused = items[next];  // the engine waits for the end of its host's pause
    paused.m_nextCheck = static_cast<int>(start);
    slot.engine->Start(paused);
  }
  return !waiterGiven;
}

// When the item's check may start: its next check time, or the end of its host's pause
// when that is later.
std::time_t CCheckScheduler::StartTime(const WatchItem& item) const {
  if (m_pauseEnds.empty()) return item.m_nextCheck;
  auto pause = m_pauseEnds.find(HostOfUrl(item.m_url));
  if (pause == m_pauseEnds.end()) return item.m_nextCheck;
  return std::max<std::time_t>(item.m_nextCheck, pause->second);
}

// A check of the host of `checked` has ended now. Its server's wish to be called later
// holds for every item of that host, the checked one included.
void CCheckScheduler::Checked(WatchItem& checked) {
  checked.m_nextCheck = -2;
  if (checked.m_url.empty()) return;
  int seconds = m_hostInterval ? m_hostInterval() : 0;
  std::time_t end = seconds > 0 ? platform::Now() + seconds : 0;
  end = std::max<std::time_t>(end, checked.m_retryAt);
  if (end > platform::Now()) m_pauseEnds[HostOfUrl(checked.m_url)] = end;
}

// A server's wish to be called later outlives the program: the hosts of loaded items that
// still wait are paused until then.
void CCheckScheduler::ResumeServerPauses(const Items& items) {
  m_pauseEnds.clear();
  std::time_t now = platform::Now();
  for (const WatchItem& item : items) {
    if (item.m_retryAt <= now || item.m_url.empty()) continue;
    std::time_t& end = m_pauseEnds[HostOfUrl(item.m_url)];
    end = std::max<std::time_t>(end, item.m_retryAt);
  }
}

void CCheckScheduler::EndPauses() {
  std::time_t now = platform::Now();
  std::erase_if(m_pauseEnds, [now](const auto& pause) { return pause.second <= now; });
}

void CCheckScheduler::CheckNow(unsigned id) {
  m_checkNowId = id;
  m_checkNowPending = true;
}

void CCheckScheduler::Release(unsigned id) {
  EngineSlot* slot = SlotOf(id);
  if (!slot) return;
  slot->id = 0;
  slot->engine->SignalIdle();
}

// Only items whose time is negative are rescheduled, and their new time depends on the
// day: after a plain check only the checked item can have changed. Every item is gone
// through when the list changed, at the midnight wake-up and on a new day.
bool CCheckScheduler::Reschedule(Items& items, int position, bool all) {
  long long day = static_cast<long long>(TodayMidnight());
  if (all || day != m_rescheduledDay) {
    for (WatchItem& item : items) item.Reschedule();
    m_rescheduledDay = day;
    m_due.Invalidate();
    return true;
  }
  if (position >= 0 && position < static_cast<int>(items.size())) {
    items[position].Reschedule();
    m_due.Update(items, position, m_eligible);
  }
  return false;
}
