// Local calendar arithmetic for the schedule. Days are stepped on the calendar (date plus
// n days, midnight found by the calendar conversion), never by adding 86400 seconds, so
// that the days on which daylight saving begins or ends land on the right midnight.
// Uses the process's time zone (TZ); safe to call from any thread.
#pragma once

#include <ctime>

// The local midnight of the current day of platform::Now().
std::time_t TodayMidnight();
// The local midnight of the day after today (where the dispatcher's idle wait ends).
std::time_t NextMidnight();
// The local midnight of the day that holds `time`.
std::time_t MidnightOf(std::time_t time);
// The local midnight `days` days after (or before) the day of `midnight`.
std::time_t AddDays(std::time_t midnight, int days);
// The local midnight of a date (month 1 to 12); out-of-range days and months roll over as
// the calendar conversion does (day 31 of April is 1 May, month 13 is January of the next
// year).
std::time_t DateMidnight(int year, int month, int day);
// The wall-clock time `seconds` after the start of the day of `midnight`: 09:00 stays
// 09:00 on the days the clocks change.
std::time_t AtTimeOfDay(std::time_t midnight, int seconds);
// Weekday of the local day of `time`: Sunday 1 ... Saturday 7.
int WeekdayOf(std::time_t time);
// The local broken-down time of `time`.
std::tm LocalTime(std::time_t time);
