#include "core/watch/calendar.h"

#include "platform/clock.h"

std::tm LocalTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

namespace {

// mktime of a local date and time, with daylight saving decided by the conversion.
std::time_t MakeLocal(int year, int month0, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year;
  local.tm_mon = month0;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return mktime(&local);
}

}  // namespace

std::time_t MidnightOf(std::time_t time) {
  std::tm local = LocalTime(time);
  return MakeLocal(local.tm_year, local.tm_mon, local.tm_mday, 0, 0, 0);
}

std::time_t TodayMidnight() { return MidnightOf(platform::Now()); }

std::time_t NextMidnight() { return AddDays(TodayMidnight(), 1); }

std::time_t AddDays(std::time_t midnight, int days) {
  std::tm local = LocalTime(midnight);
  return MakeLocal(local.tm_year, local.tm_mon, local.tm_mday + days, 0, 0, 0);
}

std::time_t DateMidnight(int year, int month, int day) {
  return MakeLocal(year - 1900, month - 1, day, 0, 0, 0);
}

std::time_t AtTimeOfDay(std::time_t midnight, int seconds) {
  std::tm local = LocalTime(midnight);
  if (seconds < 0) return MakeLocal(local.tm_year, local.tm_mon, local.tm_mday, 0, 0, seconds);
  return MakeLocal(local.tm_year, local.tm_mon, local.tm_mday, seconds / 3600,
                   seconds / 60 % 60, seconds % 60);
}

int WeekdayOf(std::time_t time) { return LocalTime(time).tm_wday + 1; }
