// The one queue through which worker threads reach the UI thread, in place of posting
// and sending window messages. The GUI implements it on wx's event loop; the CLI and the
// tests use CLoopQueue with a loop of their own.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class IUiQueue {
 public:
  virtual ~IUiQueue() = default;
  // Runs `task` on the UI thread later; returns at once.
  virtual void Post(std::function<void()> task) = 0;
  // Runs `task` on the UI thread and returns when it has run. On the UI thread itself
  // it runs at once.
  virtual void Send(std::function<void()> task) = 0;
};

// A queue served by whichever thread calls Run...: that thread is the UI thread.
// Posting and sending are safe from any thread.
class CLoopQueue : public IUiQueue {
 public:
  static constexpr std::uint32_t kForever = 0xFFFFFFFF;  // a time-out that never comes
  CLoopQueue();
  void Post(std::function<void()> task) override;
  void Send(std::function<void()> task) override;

  // Runs tasks as they come until Quit, or until `timeoutMs` passes; false on time-out.
  // The calling thread becomes the UI thread.
  bool Run(std::uint32_t timeoutMs);
  // Runs tasks until `done` is true (checked after each task) or `timeoutMs` passes
  // (kForever: until `done`; the thread sleeps while no task comes).
  bool RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs);
  // Runs the tasks waiting now, without waiting for more; the number run.
  int RunPending();
  void Quit();

 private:
  bool TakeTask(std::function<void()>& task);

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<std::function<void()>> m_tasks;
  bool m_quit = false;
  std::atomic<std::thread::id> m_uiThread;
};

}  // namespace platform
