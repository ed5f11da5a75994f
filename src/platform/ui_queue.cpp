#include "platform/ui_queue.h"

#include <chrono>

namespace platform {

CLoopQueue::CLoopQueue() : m_uiThread(std::this_thread::get_id()) {}

void CLoopQueue::Post(std::function<void()> task) {
  {
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
  }
  m_changed.notify_all();
}

void CLoopQueue::Send(std::function<void()> task) {
  if (std::this_thread::get_id() == m_uiThread.load()) {
    task();
    return;
  }
  std::mutex doneMutex;
  std::condition_variable finished;
  bool done = false;
  Post([&] {
    task();
    std::lock_guard lock(doneMutex);
    done = true;
    finished.notify_all();
  });
  std::unique_lock lock(doneMutex);
  finished.wait(lock, [&] { return done; });
}

bool CLoopQueue::TakeTask(std::function<void()>& task) {
  std::lock_guard lock(m_mutex);
  if (m_tasks.empty()) return false;
  task = std::move(m_tasks.front());
  m_tasks.pop_front();
  return true;
}

bool CLoopQueue::Run(std::uint32_t timeoutMs) {
  bool quit = RunUntil([this] {
    std::lock_guard lock(m_mutex);
    return m_quit;
  }, timeoutMs);
  std::lock_guard lock(m_mutex);
  m_quit = false;
  return quit;
}

bool CLoopQueue::RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs) {
  m_uiThread.store(std::this_thread::get_id());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    std::function<void()> task;
    if (!TakeTask(task)) {
      std::unique_lock lock(m_mutex);
      auto woken = [&] { return !m_tasks.empty() || m_quit; };
      if (timeoutMs == kForever) {
        m_changed.wait(lock, woken);
      } else if (!m_changed.wait_until(lock, deadline, woken)) {
        return false;
      }
      continue;
    }
    task();
  }
  return true;
}

int CLoopQueue::RunPending() {
  m_uiThread.store(std::this_thread::get_id());
  int count = 0;
  for (std::function<void()> task; TakeTask(task); ++count) task();
  return count;
}

void CLoopQueue::Quit() {
  {
    std::lock_guard lock(m_mutex);
    m_quit = true;
  }
  m_changed.notify_all();
}

}  // namespace platform
