#include "gui/wx_ui_queue.h"

#include <algorithm>
#include <wx/app.h>
#include <wx/thread.h>

void CWxUiQueue::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_closed || !wxTheApp) return;
  // CallAfter is safe from any thread: it queues an event on the application object.
  wxTheApp->CallAfter([task = std::move(task)] { task(); });
}

void CWxUiQueue::Send(std::function<void()> task) { SendAndTell(std::move(task)); }

bool CWxUiQueue::SendAndTell(std::function<void()> task) {
  if (wxIsMainThread()) {
    if (IsClosed()) return false;
    task();
    return true;
  }
  auto waiter = std::make_shared<Waiter>();
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_closed || !wxTheApp) return false;
  m_waiters.push_back(waiter);
  wxTheApp->CallAfter([this, waiter, task = std::move(task)] {
    {
      std::lock_guard<std::mutex> guard(m_mutex);
      if (waiter->dropped) return;
      waiter->started = true;
    }
    task();
    std::lock_guard<std::mutex> guard(m_mutex);
    waiter->done = true;
    m_changed.notify_all();
  });
  m_changed.wait(lock, [&] { return waiter->done || waiter->dropped; });
  m_waiters.erase(std::remove(m_waiters.begin(), m_waiters.end(), waiter), m_waiters.end());
  return waiter->done;
}

void CWxUiQueue::Close() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_closed = true;
  // A task already running (a dialog on the UI thread below us) finishes and wakes its
  // worker itself; the others will never run.
  for (auto& waiter : m_waiters) {
    if (!waiter->started) waiter->dropped = true;
  }
  m_changed.notify_all();
}

bool CWxUiQueue::IsClosed() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_closed;
}
