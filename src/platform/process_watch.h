// Waiting for another process to end: a descriptor (a Linux pidfd) that becomes readable
// when the process has ended, so that a wait for its answer can also wait for its end
// instead of asking whether it still lives.
//
// Threads: one owner thread.
#pragma once

namespace platform {

class CProcessWatch {
 public:
  // Watches the process `pid`. A process that is gone already counts as ended; one that
  // cannot be watched (no pidfd support, another user's process) never ends for the watch.
  explicit CProcessWatch(int pid);
  ~CProcessWatch();
  CProcessWatch(const CProcessWatch&) = delete;
  CProcessWatch& operator=(const CProcessWatch&) = delete;

  // The descriptor to wait on for reading; -1 when there is none to wait on.
  int Descriptor() const { return m_descriptor; }
  // Whether the process has ended, without waiting.
  bool Ended() const;

 private:
  int m_descriptor = -1;
  bool m_goneAtStart = false;
};

}  // namespace platform
