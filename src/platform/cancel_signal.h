// A cancellation that reaches a blocking wait at once: a thread that waits on a socket or a
// transfer also watches the signal's descriptor, so a cancel from another thread ends that
// wait without waiting for a time-out.
//
// Threads: Cancel and IsCancelled from any thread; Reset by the owner between two uses,
// while nothing waits on it. Shared through std::shared_ptr by the owner and the waits.
#pragma once

namespace platform {

class CCancelSignal {
 public:
  CCancelSignal();
  ~CCancelSignal();
  CCancelSignal(const CCancelSignal&) = delete;
  CCancelSignal& operator=(const CCancelSignal&) = delete;

  void Cancel();
  void Reset();
  bool IsCancelled() const;
  // Waits up to `milliseconds`; true as soon as the signal is cancelled.
  bool WaitFor(int milliseconds) const;
  // Readable while cancelled; for poll() beside the descriptor waited on.
  int Descriptor() const { return m_fd; }

 private:
  int m_fd;  // eventfd
};

}  // namespace platform
