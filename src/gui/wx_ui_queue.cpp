#include "gui/wx_ui_queue.h"

#include <algorithm>
#include <wx/app.h>
#include <wx/thread.h>

CWxUiQueue::CWxUiQueue() : m_state(std::make_shared<State>()) {}

void CWxUiQueue::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  if (m_state->closed || !wxTheApp) return;
  // CallAfter is safe from any thread: it queues an event on the application object.
  wxTheApp->CallAfter([state = m_state, task = std::move(task)] {
    {
      std::lock_guard<std::mutex> guard(state->mutex);
      if (state->closed) return;
    }
    task();
  });
}

void CWxUiQueue::Send(std::function<void()> task) { SendAndTell(std::move(task)); }

bool CWxUiQueue::SendAndTell(std::function<void()> task) {
  if (wxIsMainThread()) {
    if (IsClosed()) return false;
    task();
    return true;
  }
  auto waiter = std::make_shared<Waiter>();
  std::shared_ptr<State> state = m_state;
  std::unique_lock<std::mutex> lock(state->mutex);
  if (state->closed || !wxTheApp) return false;
  state->waiters.push_back(waiter);
  wxTheApp->CallAfter([state, waiter, task = std::move(task)] {
    {
      std::lock_guard<std::mutex> guard(state->mutex);
      if (waiter->dropped) return;
      waiter->started = true;
    }
    task();
    std::lock_guard<std::mutex> guard(state->mutex);
    waiter->done = true;
    state->changed.notify_all();
  });
  state->changed.wait(lock, [&] { return waiter->done || waiter->dropped; });
  auto& waiters = state->waiters;
  waiters.erase(std::remove(waiters.begin(), waiters.end(), waiter), waiters.end());
  return waiter->done;
}

void CWxUiQueue::Close() {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  m_state->closed = true;
  // A task already running (a dialog on the UI thread below us) finishes and wakes its
  // worker itself; the others will never run.
  for (auto& waiter : m_state->waiters) {
    if (!waiter->started) waiter->dropped = true;
  }
  m_state->changed.notify_all();
}

bool CWxUiQueue::IsClosed() {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->closed;
}
