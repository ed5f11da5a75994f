// Test helpers for time: a time zone set for the life of the object (TZ plus tzset, restored
// afterwards) and a manual clock installed as the program's clock for the life of the object.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "platform/clock.h"

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const std::string& zone);  // e.g. "Europe/Berlin"
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> m_previous;
};

// Whether the zone's data is installed (a missing zone would silently act as UTC).
bool TimeZoneInstalled(const std::string& zone);

class ScopedManualClock {
 public:
  explicit ScopedManualClock(std::time_t start = 0);
  ~ScopedManualClock();
  ScopedManualClock(const ScopedManualClock&) = delete;
  ScopedManualClock& operator=(const ScopedManualClock&) = delete;

  platform::ManualClock& Clock() { return m_clock; }
  void Set(std::time_t now) { m_clock.Set(now); }

 private:
  platform::ManualClock m_clock;
};

// The local time of a date and time in the current zone (month 1 to 12), daylight saving
// decided by the calendar conversion.
std::time_t LocalTimeOf(int year, int month, int day, int hour = 0, int minute = 0,
                        int second = 0);
