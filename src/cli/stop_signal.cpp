#include "cli/stop_signal.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "platform/ui_queue.h"

namespace {

std::atomic<bool> g_stopRequested{false};

}  // namespace

CStopSignals::CStopSignals(platform::IUiQueue* wake) : m_wake(wake) {
  sigemptyset(&m_signals);
  sigaddset(&m_signals, SIGINT);
  sigaddset(&m_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
  m_signalFd = signalfd(-1, &m_signals, SFD_CLOEXEC);
  m_endFd = eventfd(0, EFD_CLOEXEC);
  m_thread = std::thread([this] { Watch(); });
}

CStopSignals::~CStopSignals() {
  std::uint64_t one = 1;
  ssize_t written = write(m_endFd, &one, sizeof one);
  (void)written;
  m_thread.join();
  close(m_signalFd);
  close(m_endFd);
  pthread_sigmask(SIG_UNBLOCK, &m_signals, nullptr);
}

void CStopSignals::Watch() {
  pollfd watched[2] = {{m_signalFd, POLLIN, 0}, {m_endFd, POLLIN, 0}};
  for (;;) {
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[1].revents) return;
    signalfd_siginfo info;
    if (read(m_signalFd, &info, sizeof info) == sizeof info) {
      g_stopRequested = true;
      // Wakes the loop, which then sees the request.
      if (m_wake) m_wake->Post([] {});
    }
  }
}

bool StopRequested() { return g_stopRequested; }
