// The dispatcher of CWatchList: which item each check engine works on next.
#include <algorithm>
#include <chrono>

#include "core/fetch/host_pacer.h"
#include "core/watch/calendar.h"
#include "core/watch/watch_list.h"
#include "platform/clock.h"

void CWatchList::Dispatch() {
  if (m_closing) {
    Save();
    return;
  }
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
        int position = FindSlotPosition(slot);
        if (position >= 0 && HasOtherEngines()) hosts.push_back(HostOfUrl(m_items[position].m_url));
      }
    } else if (i < jobs) {
      free.push_back(&slot);
    } else {
      slot.current = -1;
      slot.id = 0;
    }
  }
  if (free.empty()) {  // a check-now stays pending until an engine is free
    Save();
    return;
  }

  if (m_checkNowPending) {
    for (int i = 0; i < GetCount(); ++i) {
      if (m_checkNowIndex < 0 ? m_items[i].m_active == 1 : i == m_checkNowIndex) {
        m_items[i].m_nextCheck = 0;
      }
    }
    ListChanged();
    m_checkNowPending = false;
  }

  const bool othersChecking = !taken.empty();
  bool waiterGiven = false;
  bool immediate = false;
  for (EngineSlot* slot : free) {
    immediate |= AssignSlot(*slot, othersChecking, waiterGiven, taken, hosts);
  }
  SaveForDispatch(immediate);
}

// Gives a free engine the earliest item no other engine has and whose host no other engine
// checks. Only one engine is given an item that is not due yet, or, when no engine checks,
// the midnight wake-up; the others stay asleep. true when the engine checks at once.
bool CWatchList::AssignSlot(EngineSlot& slot, bool othersChecking, bool& waiterGiven,
                            std::vector<unsigned>& taken, std::vector<std::string>& hosts) {
  slot.current = -1;
  slot.id = 0;
  if (waiterGiven) return false;
  int next = SelectNext(taken, hosts);
  std::time_t start = next >= 0 ? StartTime(m_items[next]) : 0;
  if (next >= 0 && start != 0 && start > platform::Now()) {
    waiterGiven = true;
  } else if (next < 0) {
    if (othersChecking || &slot != &m_slots.front()) return false;
    // Nothing to check: wake at the next midnight, when the schedules turn to a new day.
    waiterGiven = true;
    WatchItem wakeUp;
    wakeUp.m_nextCheck = static_cast<int>(NextMidnight());
    slot.engine->Start(wakeUp, -1);
    return false;
  }
  slot.current = next;
  slot.id = m_items[next].m_id;
  taken.push_back(slot.id);
  if (HasOtherEngines()) hosts.push_back(HostOfUrl(m_items[next].m_url));
  if (start == m_items[next].m_nextCheck) {
    slot.engine->Start(m_items[next], next);
  } else {
    WatchItem paused = m_items[next];  // the engine waits for the end of its host's pause
    paused.m_nextCheck = static_cast<int>(start);
    slot.engine->Start(paused, next);
  }
  return !waiterGiven;
}

// When the item's check may start: its next check time, or the end of its host's pause
// when that is later.
std::time_t CWatchList::StartTime(const WatchItem& item) const {
  if (m_pauseEnds.empty()) return item.m_nextCheck;
  auto pause = m_pauseEnds.find(HostOfUrl(item.m_url));
  if (pause == m_pauseEnds.end()) return item.m_nextCheck;
  return std::max<std::time_t>(item.m_nextCheck, pause->second);
}

// A check of the host of `checked` has ended now. Its server's wish to be called later
// holds for every item of that host, the checked one included.
void CWatchList::StartPause(const WatchItem& checked) {
  if (checked.m_url.empty()) return;
  int seconds = m_hostInterval ? m_hostInterval() : 0;
  std::time_t end = seconds > 0 ? platform::Now() + seconds : 0;
  end = std::max<std::time_t>(end, checked.m_retryAt);
  if (end > platform::Now()) m_pauseEnds[HostOfUrl(checked.m_url)] = end;
}

// A server's wish to be called later outlives the program: the hosts of loaded items that
// still wait are paused until then.
void CWatchList::ResumeServerPauses() {
  m_pauseEnds.clear();
  std::time_t now = platform::Now();
  for (const WatchItem& item : m_items) {
    if (item.m_retryAt <= now || item.m_url.empty()) continue;
    std::time_t& end = m_pauseEnds[HostOfUrl(item.m_url)];
    end = std::max<std::time_t>(end, item.m_retryAt);
  }
}

void CWatchList::EndPauses() {
  std::time_t now = platform::Now();
  std::erase_if(m_pauseEnds, [now](const auto& pause) { return pause.second <= now; });
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

int CWatchList::SelectNext(const std::vector<unsigned>& taken,
                           const std::vector<std::string>& hosts) {
  return m_due.Select(m_items, m_eligible, taken, hosts, m_pauseEnds);
}

void CWatchList::CheckNow(int position) {
  m_checkNowIndex = position;
  m_checkNowPending = true;
  Dispatch();
}

void CWatchList::OnCheckDone() { OnCheckDone(m_slots.front().id); }

void CWatchList::OnCheckDone(unsigned checkedId) {
  EngineSlot* slot = SlotOf(checkedId);
  int position = slot ? FindSlotPosition(*slot) : -1;
  if (position >= 0) {
    m_items[position].m_nextCheck = -2;
    StartPause(m_items[position]);
  }
  FinishCheck(slot, position);
}

// The end of a check, reported or cancelled: the changes that waited for it, the new
// schedule, and the next dispatch.
void CWatchList::FinishCheck(EngineSlot* slot, int checkedPosition) {
  bool changed = !m_pending.empty();
  ApplyPending();
  if (changed) FollowSlots();
  Reschedule(changed ? -1 : checkedPosition, changed || !slot || slot->id == 0);
  m_dirty = true;
  if (slot) {
    slot->current = -1;
    slot->id = 0;
    slot->engine->SignalIdle();
  }
  Dispatch();
}

// Only items whose time is negative are rescheduled, and their new time depends on the
// day: after a plain check only the checked item can have changed. Every item is gone
// through when the list changed, at the midnight wake-up and on a new day.
void CWatchList::Reschedule(int checkedPosition, bool listChanged) {
  long long day = static_cast<long long>(TodayMidnight());
  if (listChanged || day != m_rescheduledDay) {
    for (WatchItem& item : m_items) item.Reschedule();
    m_rescheduledDay = day;
    ListChanged();
  } else if (checkedPosition >= 0 && checkedPosition < GetCount()) {
    m_items[checkedPosition].Reschedule();
    m_due.Update(m_items, checkedPosition, m_eligible);
  }
}
