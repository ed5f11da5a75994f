// The schedule fields of a watch item (Chec, Timi, Date, Time) as cases, and the texts the
// watch list shows for them. The rules themselves are WatchItem::ScheduleAtStart,
// WatchItem::Reschedule and WatchItem::ScheduleText. Safe to call from any thread.
#pragma once

#include <string>

enum class ScheduleKind { Daily, Weekly, Monthly, Once, Unknown };
enum class TimingKind { Open, Interval, Define, Unknown };

// A value selects the case at whose 8-character slot it is first found in the keyword
// string "daily   weekly  monthly once    " (or "open    inter   defined ", where "define"
// is found at the start of "defined"); found elsewhere or not at all, it selects none.
ScheduleKind ScheduleKindOf(const std::string& checkKind);
TimingKind TimingKindOf(const std::string& timing);

// An interval: the hours within the day, minutes and seconds, each shown only when not 0,
// e.g. 5400 gives "01時間30分" and 86400 gives "".
std::string IntervalText(int seconds);
// A time of day: "09時00分00秒".
std::string TimeOfDayText(int seconds);
