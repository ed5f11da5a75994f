// The dispatcher of CWatchList: which item the check engine works on next.
#include <chrono>

#include "core/watch/calendar.h"
#include "core/watch/watch_list.h"
#include "platform/clock.h"

void CWatchList::Dispatch() {
  // A finished check's result reaches the list before the engine takes its next item:
  // its report dispatches again (a check-now stays pending until then).
  if (m_closing || m_engine->IsChecking() || m_engine->Stop()) {
    Save();
    return;
  }

  if (m_checkNowPending) {
    for (int i = 0; i < GetCount(); ++i) {
      if (m_checkNowIndex < 0 ? m_items[i].m_active == 1 : i == m_checkNowIndex) {
        m_items[i].m_nextCheck = 0;
      }
    }
    m_checkNowPending = false;
  }

  m_current = SelectNext();
  SaveForDispatch();
  if (m_current < 0) {
    // Nothing to check: wake at the next midnight, when the schedules turn to a new day.
    WatchItem wakeUp;
    wakeUp.m_nextCheck = static_cast<int>(NextMidnight());
    m_engine->Start(wakeUp, -1);
  } else {
    m_engine->Start(m_items[m_current], m_current);
  }
}

// Every dispatch saves the list, except while checks follow one another at once (a check
// of all items): there the list is saved at most every kBurstSaveInterval and again when
// the run of checks ends, as rewriting the whole list after each of hundreds of quick
// checks would cost more than the checks.
void CWatchList::SaveForDispatch() {
  auto now = std::chrono::steady_clock::now();
  bool immediate = false;
  if (m_current >= 0) {
    int next = m_items[m_current].m_nextCheck;
    immediate = next == 0 || next <= platform::Now();
  }
  if (immediate && m_saved && now - m_lastSave < kBurstSaveInterval) return;
  Save();
}

int CWatchList::SelectNext() {
  // One pass: the earliest wins, and on equal times the first in list order.
  int best = -1;
  for (int i = 0; i < GetCount(); ++i) {
    const WatchItem& item = m_items[i];
    if (item.m_active != 1 || item.m_nextCheck < 0) continue;
    if (best >= 0 && item.m_nextCheck >= m_items[best].m_nextCheck) continue;
    if (m_eligible && !m_eligible(item)) continue;
    best = i;
  }
  return best;
}

void CWatchList::CheckNow(int position) {
  m_checkNowIndex = position;
  m_checkNowPending = true;
  Dispatch();
}

void CWatchList::OnCheckDone() {
  if (m_current >= 0 && m_current < GetCount()) m_items[m_current].m_nextCheck = -2;
  FinishCheck();
}

// The end of a check, reported or cancelled: the changes that waited for it, the new
// schedule, and the next dispatch.
void CWatchList::FinishCheck() {
  ApplyPending();
  for (WatchItem& item : m_items) item.Reschedule();
  m_dirty = true;
  m_engine->SignalIdle();
  Dispatch();
}
