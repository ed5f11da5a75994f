// The schedule rules of a watch item. All calendar steps go through calendar.h, so the
// days on which daylight saving begins or ends keep their midnight and their times of day.
#include "core/watch/schedule.h"

#include <climits>
#include <cstdio>
#include <string_view>

#include "core/watch/calendar.h"
#include "core/watch/watch_item.h"
#include "platform/clock.h"

namespace {

int SlotOf(std::string_view keywords, int slotCount, const std::string& value) {
  std::size_t position = keywords.find(value);
  if (position == std::string_view::npos || position % 8 != 0) return -1;
  int slot = static_cast<int>(position / 8);
  return slot < slotCount ? slot : -1;
}

// Times are kept in the record's 32-bit fields.
int ToField(long long time) {
  if (time > INT_MAX) return INT_MAX;
  if (time < INT_MIN) return INT_MIN;
  return static_cast<int>(time);
}

std::string TwoDigits(int value, const char* unit) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text + std::string(unit);
}

std::string DayPart(const WatchItem& item) {
  switch (ScheduleKindOf(item.m_checkKind)) {
    case ScheduleKind::Daily:
      return "毎日";
    case ScheduleKind::Weekly: {
      static const char* const kLetters[7] = {"日", "月", "火", "水", "木", "金", "土"};
      std::string text = "毎週[";
      for (int day = 0; day < 7; ++day) {
        if (item.m_date & (1 << day)) text += kLetters[day];
      }
      return text + "]";
    }
    case ScheduleKind::Monthly:
      return "毎月" + std::to_string(item.m_date) + "日";
    case ScheduleKind::Once: {
      std::tm local = LocalTime(item.m_date);
      return TwoDigits((local.tm_year + 1900) % 100, "年") + TwoDigits(local.tm_mon + 1, "月") +
             TwoDigits(local.tm_mday, "日");
    }
    case ScheduleKind::Unknown:
      break;
  }
  return "";
}

std::string TimePart(const WatchItem& item) {
  switch (TimingKindOf(item.m_timing)) {
    case TimingKind::Open:
      return "起動時";
    case TimingKind::Interval:
      return IntervalText(item.m_time) + "間隔";
    case TimingKind::Define:
      return TimeOfDayText(item.m_time);
    case TimingKind::Unknown:
      break;
  }
  return "";
}

}  // namespace

ScheduleKind ScheduleKindOf(const std::string& checkKind) {
  int slot = SlotOf("daily   weekly  monthly once    ", 4, checkKind);
  return slot < 0 ? ScheduleKind::Unknown : static_cast<ScheduleKind>(slot);
}

TimingKind TimingKindOf(const std::string& timing) {
  int slot = SlotOf("open    inter   defined ", 3, timing);
  return slot < 0 ? TimingKind::Unknown : static_cast<TimingKind>(slot);
}

std::string IntervalText(int seconds) {
  std::string text;
  if (int hours = seconds / 3600 % 24) text += TwoDigits(hours, "時間");
  if (int minutes = seconds / 60 % 60) text += TwoDigits(minutes, "分");
  if (int rest = seconds % 60) text += TwoDigits(rest, "秒");
  return text;
}

std::string TimeOfDayText(int seconds) {
  return TwoDigits(seconds / 3600 % 24, "時") + TwoDigits(seconds / 60 % 60, "分") +
         TwoDigits(seconds % 60, "秒");
}

std::optional<std::time_t> WatchItem::FirstScheduledDay(std::time_t reference) const {
  switch (ScheduleKindOf(m_checkKind)) {
    case ScheduleKind::Daily:
      return reference;
    case ScheduleKind::Weekly: {
      int weekday = WeekdayOf(reference);
      for (int ahead = 0; ahead < 7; ++ahead) {
        int day = (weekday - 1 + ahead) % 7;  // 0 = Sunday
        if (m_date & (1 << day)) return ahead == 0 ? reference : AddDays(reference, ahead);
      }
      return -1;
    }
    case ScheduleKind::Monthly: {
      std::tm local = LocalTime(reference);
      int year = local.tm_year + 1900;
      int month = local.tm_mon + 1;
      std::time_t day = DateMidnight(year, month, m_date);
      return day >= reference ? day : DateMidnight(year, month + 1, m_date);
    }
    case ScheduleKind::Once:
      return m_date;
    case ScheduleKind::Unknown:
      break;
  }
  return std::nullopt;
}

bool WatchItem::IsScheduledDay(std::time_t time) const {
  std::time_t day = MidnightOf(time);
  switch (ScheduleKindOf(m_checkKind)) {
    case ScheduleKind::Daily:
      return true;
    case ScheduleKind::Weekly:
    case ScheduleKind::Monthly:
      return FirstScheduledDay(day) == day;
    case ScheduleKind::Once:
      return day == m_date;
    case ScheduleKind::Unknown:
      break;
  }
  return false;
}

void WatchItem::ScheduleAtStart() {
  std::time_t today = TodayMidnight();
  std::optional<std::time_t> first = FirstScheduledDay(today);
  std::time_t day = first ? *first : m_nextCheck;
  m_nextCheck = ToField(day);
  if (day < 0) return;
  switch (TimingKindOf(m_timing)) {
    case TimingKind::Open:
      m_nextCheck = day == today ? 0 : -1;
      break;
    case TimingKind::Interval:
      if (day == today) {
        if (m_time < 10) m_time = 60;
        m_nextCheck = 0;
      } else if (first && day < today) {
        m_nextCheck = -1;  // a one-time day that has passed
      }
      break;
    case TimingKind::Define:
      m_nextCheck = ToField(AtTimeOfDay(day, m_time));
      if (m_nextCheck < platform::Now()) {
        m_nextCheck = -1;
        Reschedule();
      }
      break;
    case TimingKind::Unknown:
      break;
  }
}

void WatchItem::Reschedule() {
  if (m_nextCheck >= 0) return;
  std::time_t now = platform::Now();
  std::time_t today = TodayMidnight();
  std::optional<std::time_t> first = FirstScheduledDay(today);
  if (!first) return;
  m_nextCheck = ToField(*first);
  if (*first < 0) return;
  switch (TimingKindOf(m_timing)) {
    case TimingKind::Open:
      m_nextCheck = -1;
      break;
    case TimingKind::Interval: {
      long long due = static_cast<long long>(m_lastCheck) + m_time;
      if (due < now) {
        ScheduleAtStart();
      } else {
        m_nextCheck = IsScheduledDay(static_cast<std::time_t>(due)) ? ToField(due) : -1;
      }
      break;
    }
    case TimingKind::Define: {
      std::time_t tomorrow = AddDays(today, 1);
      std::time_t day = -1;
      switch (ScheduleKindOf(m_checkKind)) {
        case ScheduleKind::Daily:
          day = tomorrow;
          break;
        case ScheduleKind::Weekly:
        case ScheduleKind::Monthly:
          day = FirstScheduledDay(tomorrow).value_or(-1);
          break;
        case ScheduleKind::Once:
          day = m_date >= tomorrow ? m_date : -1;
          break;
        case ScheduleKind::Unknown:
          break;
      }
      m_nextCheck = ToField(day > 0 ? AtTimeOfDay(day, m_time) : day);
      break;
    }
    case TimingKind::Unknown:
      // Left at a past midnight the item would be checked again at once after every check.
      if (*first <= now) m_nextCheck = -1;
      break;
  }
}

std::string WatchItem::ScheduleText() const { return DayPart(*this) + TimePart(*this); }
