// The timing page's rules: the schedule kind ("毎日", "毎週", "毎月", "日付指定（１回のみ）")
// with its weekdays or date, the time kind ("起動時", "間隔指定", "時刻指定") with hours,
// minutes and seconds; what the page shows of the item when first shown in a run, which
// fields are enabled, its two messages, and what OK writes into the item's Chec, Timi,
// Date and Time.
//
// Threads: UI thread only. Dates are local calendar dates of the process's time zone.
#pragma once

#include <array>
#include <ctime>
#include <string>

#include "core/ui/num_field.h"

struct WatchItem;

inline constexpr const char* kNoIntervalWithDate = "絶対日付を選んでいるときは間隔は選べません";
inline constexpr const char* kIntervalTooShort = "10秒未満の間隔は受け付けられません";
inline constexpr const char* kPastOnceDate =
    "指定した日付はもう過ぎているため、このアイテムはチェックされません。このまま保存しますか？";
// The largest interval the hours field takes (the field shows three digits); a time of day
// takes hours up to 23.
inline constexpr const char* kMaxIntervalHours = "999";

class CTimingForm {
 public:
  // Combo positions.
  enum Schedule : int { kDaily = 0, kWeekly, kMonthly, kOnce };
  enum Time : int { kAtStart = 0, kInterval, kTimeOfDay };

  struct Enabling {
    bool yearMonth = false;  // the year and month fields and "カレンダー"
    bool day = false;
    bool weekdays = false;
    bool timeFields = false;
  };

  CTimingForm();

  // The first activation of a run: today's weekday ticked, the date fields today and the
  // time fields now, then what the item holds. Returns the message choosing the item's
  // time kind gave (a stored date with an interval), or empty.
  std::string Load(const WatchItem& item, std::time_t now);

  int ScheduleChoice() const { return m_schedule; }
  int TimeChoice() const { return m_time; }
  bool Weekday(int index) const { return m_weekdays[index]; }  // 0 Sunday ... 6 Saturday
  void SetWeekday(int index, bool ticked) { m_weekdays[index] = ticked; }
  CNumField& Year() { return m_year; }
  CNumField& Month() { return m_month; }
  CNumField& Day() { return m_day; }
  CNumField& Hours() { return m_hours; }
  CNumField& Minutes() { return m_minutes; }
  CNumField& Seconds() { return m_seconds; }
  Enabling Enabled() const { return m_enabled; }

  void ChooseScheduleKind(int kind);
  // Returns the message to show when the choice is refused (the time kind then goes back
  // to "起動時"), else empty.
  std::string ChooseTimeKind(int kind);

  // The date of the date fields (year 2000 plus the two digits) at local midnight, for the
  // calendar; and the calendar's pick back into the fields.
  std::time_t FieldsDate() const;
  void SetFieldsDate(std::time_t midnight);

  // Leaving the page: the message that keeps the user on it, or empty. A typed number
  // beyond what its field takes is refused rather than stored as something else.
  std::string LeaveMessage() const;
  // Leaving the page: the question to ask when a once-only date lies before `now`'s day
  // (the item would never be checked), or empty.
  std::string PastDateQuestion(std::time_t now) const;
  // OK: the fields into the item's schedule.
  void Store(WatchItem& item) const;

 private:
  int IntervalSeconds() const;

  int m_schedule = kDaily;
  int m_time = kAtStart;
  std::array<bool, 7> m_weekdays{};
  CNumField m_year, m_month, m_day, m_hours, m_minutes, m_seconds;
  Enabling m_enabled;
  bool m_initialising = false;
};
