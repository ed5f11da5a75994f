// SIGINT and SIGTERM ask the headless checker to finish. They are taken by a thread of its
// own through a signalfd (no handler interrupts other code), which records the request and
// wakes the command's loop through its queue; the loop itself sleeps until a task comes.
//
// Threads: construct on the command's main thread before any other thread starts (threads
// started later inherit the blocked signals); the destructor ends and joins the thread and
// unblocks the signals.
#pragma once

#include <csignal>
#include <thread>

namespace platform {
class IUiQueue;
}

class CStopSignals {
 public:
  // `wake` (may be null) is the queue of the loop to wake when a stop comes.
  explicit CStopSignals(platform::IUiQueue* wake = nullptr);
  ~CStopSignals();
  CStopSignals(const CStopSignals&) = delete;
  CStopSignals& operator=(const CStopSignals&) = delete;

 private:
  void Watch();

  platform::IUiQueue* m_wake;
  sigset_t m_signals;
  int m_signalFd = -1;
  int m_endFd = -1;  // eventfd: the destructor ends the thread
  std::thread m_thread;
};

// A stop was asked for (any thread).
bool StopRequested();
