#include "support/time_zone.h"

#include <cstdlib>
#include <filesystem>

ScopedTimeZone::ScopedTimeZone(const std::string& zone) {
  if (const char* previous = std::getenv("TZ")) m_previous = previous;
  setenv("TZ", zone.c_str(), 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (m_previous) {
    setenv("TZ", m_previous->c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

bool TimeZoneInstalled(const std::string& zone) {
  return std::filesystem::exists("/usr/share/zoneinfo/" + zone);
}

ScopedManualClock::ScopedManualClock(std::time_t start) : m_clock(start) {
  platform::SetCurrentClock(&m_clock);
}

ScopedManualClock::~ScopedManualClock() { platform::SetCurrentClock(nullptr); }

std::time_t LocalTimeOf(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}
