// Wall-clock time for everything that schedules: seconds since 1970-01-01 UTC. Tests
// install a clock they can set; the default is the system clock.
#pragma once

#include <atomic>
#include <ctime>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t Now() const = 0;
};

class SystemClock : public Clock {
 public:
  std::time_t Now() const override;
};

// A clock that stands still until it is set or advanced. Safe to use from any thread.
class ManualClock : public Clock {
 public:
  explicit ManualClock(std::time_t start = 0) : m_now(start) {}
  std::time_t Now() const override { return m_now.load(); }
  void Set(std::time_t now) { m_now.store(now); }
  void Advance(std::time_t seconds) { m_now.fetch_add(seconds); }

 private:
  std::atomic<std::time_t> m_now;
};

// The clock in use; `clock` stays owned by the caller, nullptr restores the system clock.
void SetCurrentClock(Clock* clock);
Clock& CurrentClock();
inline std::time_t Now() { return CurrentClock().Now(); }

// Names the system's time zone for the process unless TZ is set, before any thread starts:
// without it the C library looks at /etc/localtime again at every calendar conversion,
// and the scheduler makes thousands of them.
void NameSystemTimeZone();

}  // namespace platform
