#include "core/ui/timing_form.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/watch/calendar.h"
#include "core/watch/schedule.h"
#include "core/watch/watch_item.h"

namespace {

constexpr const char* kScheduleKeywords[] = {"daily", "weekly", "monthly", "once"};
constexpr const char* kTimeKeywords[] = {"open", "inter", "define"};

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

void SetLimits(CNumField& field, const char* minimum, const char* maximum) {
  // The maximum first: a minimum above zero needs one to stand below.
  field.SetMaximum(maximum);
  field.SetMinimum(minimum);
}

// Whether the field's text lies within its limits (an empty text counts as zero).
bool WithinLimits(const CNumField& field) {
  long long value = std::atoll(field.Text().c_str());
  return value >= std::atoll(field.Minimum().c_str()) &&
         (field.Maximum().empty() || value <= std::atoll(field.Maximum().c_str())) &&
         field.Text().size() <= 9;
}

std::string RangeMessage(const char* label, const CNumField& field) {
  return std::string("「") + label + "」には " + field.Minimum() + " から " + field.Maximum() +
         " までの数を入力してください";
}

}  // namespace

CTimingForm::CTimingForm() {
  SetLimits(m_year, "0", "37");
  SetLimits(m_month, "1", "12");
  SetLimits(m_day, "1", "31");
  SetLimits(m_hours, "0", "23");
  SetLimits(m_minutes, "0", "59");
  SetLimits(m_seconds, "0", "59");
}

std::string CTimingForm::Load(const WatchItem& item, std::time_t now) {
  m_initialising = true;
  m_weekdays.fill(false);
  m_weekdays[WeekdayOf(now) - 1] = true;
  m_schedule = kDaily;
  m_time = kAtStart;

  ScheduleKind schedule = ScheduleKindOf(item.m_checkKind);
  if (schedule != ScheduleKind::Unknown) m_schedule = static_cast<int>(schedule);
  TimingKind timing = TimingKindOf(item.m_timing);
  int time = timing == TimingKind::Unknown ? kAtStart : static_cast<int>(timing);
  if (m_schedule == kWeekly) {
    for (int day = 0; day < 7; ++day) m_weekdays[day] = (item.m_date >> day) & 1;
  }

  std::tm today = LocalTime(now);
  m_year.SetText(TwoDigits(today.tm_year % 100));
  m_month.SetText(TwoDigits(today.tm_mon + 1));
  m_day.SetText(TwoDigits(today.tm_mday));
  m_hours.SetText(TwoDigits(today.tm_hour));
  m_minutes.SetText(TwoDigits(today.tm_min));
  m_seconds.SetText(TwoDigits(today.tm_sec));

  if (m_schedule == kMonthly) {
    // Two digits rather than a leading blank, which the steps would read as a digit.
    m_day.SetText(TwoDigits(item.m_date));
  } else if (m_schedule == kOnce) {
    SetFieldsDate(item.m_date);
  }
  if (time != kAtStart) {
    // The stored seconds as a duration: an interval's hours in full, a time's within the day.
    int hours = item.m_time / 3600;
    m_hours.SetText(TwoDigits(time == kInterval ? std::min(hours, std::atoi(kMaxIntervalHours))
                                                : hours % 24));
    m_minutes.SetText(TwoDigits(item.m_time / 60 % 60));
    m_seconds.SetText(TwoDigits(item.m_time % 60));
  }

  ChooseScheduleKind(m_schedule);
  std::string message = ChooseTimeKind(time);
  m_initialising = false;
  return message;
}

void CTimingForm::ChooseScheduleKind(int kind) {
  m_schedule = kind;
  m_enabled.yearMonth = kind == kOnce;
  m_enabled.day = kind == kOnce || kind == kMonthly;
  m_enabled.weekdays = kind == kWeekly;
}

std::string CTimingForm::ChooseTimeKind(int kind) {
  if (m_schedule == kOnce && kind == kInterval) {
    // The time fields keep their enabling.
    m_time = kAtStart;
    return kNoIntervalWithDate;
  }
  m_time = kind;
  m_enabled.timeFields = kind != kAtStart;
  m_hours.SetMaximum(kind == kInterval ? kMaxIntervalHours : "23");
  if (kind == kInterval && !m_initialising) {
    m_hours.SetText("00");
    m_minutes.SetText("00");
    m_seconds.SetText("00");
  }
  return {};
}

std::time_t CTimingForm::FieldsDate() const {
  return DateMidnight(2000 + std::atoi(m_year.Text().c_str()), std::atoi(m_month.Text().c_str()),
                      std::atoi(m_day.Text().c_str()));
}

void CTimingForm::SetFieldsDate(std::time_t midnight) {
  std::tm date = LocalTime(midnight);
  m_year.SetText(TwoDigits(date.tm_year % 100));
  m_month.SetText(TwoDigits(date.tm_mon + 1));
  m_day.SetText(TwoDigits(date.tm_mday));
}

int CTimingForm::IntervalSeconds() const {
  return std::atoi(m_hours.Text().c_str()) * 3600 + std::atoi(m_minutes.Text().c_str()) * 60 +
         std::atoi(m_seconds.Text().c_str());
}

std::string CTimingForm::LeaveMessage() const {
  struct Checked {
    bool enabled;
    const char* label;
    const CNumField& field;
  };
  const Checked fields[] = {{m_enabled.yearMonth, "年", m_year},
                            {m_enabled.yearMonth, "月", m_month},
                            {m_enabled.day, "日", m_day},
                            {m_enabled.timeFields, "時（間）", m_hours},
                            {m_enabled.timeFields, "分", m_minutes},
                            {m_enabled.timeFields, "秒", m_seconds}};
  for (const Checked& checked : fields) {
    if (checked.enabled && !WithinLimits(checked.field)) {
      return RangeMessage(checked.label, checked.field);
    }
  }
  if (m_time == kInterval && IntervalSeconds() < 10) return kIntervalTooShort;
  return {};
}

std::string CTimingForm::PastDateQuestion(std::time_t now) const {
  if (m_schedule == kOnce && FieldsDate() < MidnightOf(now)) return kPastOnceDate;
  return {};
}

void CTimingForm::Store(WatchItem& item) const {
  item.m_checkKind = kScheduleKeywords[m_schedule];
  if (m_schedule == kWeekly) {
    int bits = 0;
    for (int day = 0; day < 7; ++day) bits |= m_weekdays[day] ? 1 << day : 0;
    item.m_date = bits;
  } else if (m_schedule == kMonthly) {
    item.m_date = std::atoi(m_day.Text().c_str());
  } else if (m_schedule == kOnce) {
    item.m_date = static_cast<int>(FieldsDate());
  }
  item.m_timing = kTimeKeywords[m_time];
  if (m_time != kAtStart) item.m_time = IntervalSeconds();
}
