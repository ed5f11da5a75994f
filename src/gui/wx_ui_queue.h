// The UI queue on wx's event loop: Post queues the task as a deferred call on the
// application object; Send does the same and blocks the calling worker until the task has
// run on the UI thread (on the UI thread itself it runs at once).
//
// Threads: Post and Send from any thread once wx is running. Shutdown: Close (UI thread)
// when the windows that tasks report to are ending. From then on every task not yet run is
// dropped, including those queued before, and a worker blocked in Send for a task that has
// not started returns without it having run (SendAndTell tells such a caller). Tasks that
// wx still holds keep the queue's state alive, so they may outlive the queue object.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ui_queue.h"

class CWxUiQueue : public platform::IUiQueue {
 public:
  CWxUiQueue();
  ~CWxUiQueue() override { Close(); }
  CWxUiQueue(const CWxUiQueue&) = delete;
  CWxUiQueue& operator=(const CWxUiQueue&) = delete;

  void Post(std::function<void()> task) override;
  void Send(std::function<void()> task) override;
  // Like Send; false when the task was dropped because the queue closed.
  bool SendAndTell(std::function<void()> task);

  void Close();
  bool IsClosed();

 private:
  struct Waiter {
    bool started = false;
    bool done = false;
    bool dropped = false;
  };
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
    std::vector<std::shared_ptr<Waiter>> waiters;
  };

  std::shared_ptr<State> m_state;
};
