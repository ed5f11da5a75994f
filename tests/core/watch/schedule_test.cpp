#include <gtest/gtest.h>

#include "core/watch/calendar.h"
#include "core/watch/schedule.h"
#include "core/watch/watch_item.h"
#include "support/time_zone.h"

namespace {

constexpr int kHour = 3600;

WatchItem Item(const char* checkKind, const char* timing, int date = 0, int time = 0) {
  WatchItem item;
  item.m_checkKind = checkKind;
  item.m_timing = timing;
  item.m_date = date;
  item.m_time = time;
  return item;
}

int At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return static_cast<int>(LocalTimeOf(year, month, day, hour, minute, second));
}

int AtStart(WatchItem item) {
  item.ScheduleAtStart();
  return item.m_nextCheck;
}

// The item as the dispatcher leaves it after a check, rescheduled.
int AfterCheck(WatchItem item) {
  item.m_nextCheck = -2;
  item.Reschedule();
  return item.m_nextCheck;
}

// Runs each case in a zone without daylight saving and in one with it; the dates used
// here are far from the clock changes, so both give the same local results.
class ScheduleTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_TRUE(TimeZoneInstalled(GetParam())) << "tzdata is missing"; }
  void SetNow(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    m_clock.Set(LocalTimeOf(year, month, day, hour, minute, second));
  }

  ScopedTimeZone m_zone{GetParam()};
  ScopedManualClock m_clock;
};

INSTANTIATE_TEST_SUITE_P(Zones, ScheduleTest,
                         ::testing::Values("Asia/Tokyo", "Europe/Berlin"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(info.param.find('/') + 1);
                         });

TEST(ScheduleKinds, ValuesSelectTheCaseOfTheSlotWhereTheyAreFirstFound) {
  EXPECT_EQ(ScheduleKindOf("daily"), ScheduleKind::Daily);
  EXPECT_EQ(ScheduleKindOf("weekly"), ScheduleKind::Weekly);
  EXPECT_EQ(ScheduleKindOf("monthly"), ScheduleKind::Monthly);
  EXPECT_EQ(ScheduleKindOf("once"), ScheduleKind::Once);
  EXPECT_EQ(ScheduleKindOf("week"), ScheduleKind::Weekly);
  EXPECT_EQ(ScheduleKindOf("ly"), ScheduleKind::Unknown);
  EXPECT_EQ(ScheduleKindOf("yearly"), ScheduleKind::Unknown);
  EXPECT_EQ(ScheduleKindOf("Daily"), ScheduleKind::Unknown);
  EXPECT_EQ(ScheduleKindOf(""), ScheduleKind::Daily);  // found at the very start

  EXPECT_EQ(TimingKindOf("open"), TimingKind::Open);
  EXPECT_EQ(TimingKindOf("inter"), TimingKind::Interval);
  EXPECT_EQ(TimingKindOf("define"), TimingKind::Define);
  EXPECT_EQ(TimingKindOf("defined"), TimingKind::Define);
  EXPECT_EQ(TimingKindOf("fine"), TimingKind::Unknown);
  EXPECT_EQ(TimingKindOf("once"), TimingKind::Unknown);
}

TEST_P(ScheduleTest, WeeklyFindsTheComingScheduledWeekday) {
  SetNow(2026, 6, 17, 10);  // a Wednesday
  std::time_t wednesday = TodayMidnight();
  EXPECT_EQ(Item("weekly", "open", 2).FirstScheduledDay(wednesday), At(2026, 6, 22));
  EXPECT_EQ(Item("weekly", "open", 8 | 2).FirstScheduledDay(wednesday), wednesday);
  EXPECT_EQ(Item("weekly", "open", 1).FirstScheduledDay(wednesday), At(2026, 6, 21));
  EXPECT_EQ(Item("weekly", "open", 128).FirstScheduledDay(wednesday), -1);

  for (const char* timing : {"open", "inter", "define"}) {
    EXPECT_EQ(AtStart(Item("weekly", timing, 0, 9 * kHour)), -1) << timing;
    EXPECT_EQ(AfterCheck(Item("weekly", timing, 0, 9 * kHour)), -1) << timing;
  }
  EXPECT_TRUE(Item("weekly", "open", 8).IsScheduledDay(At(2026, 6, 17, 23, 59, 59)));
  EXPECT_FALSE(Item("weekly", "open", 8).IsScheduledDay(At(2026, 6, 18)));
}

TEST_P(ScheduleTest, MonthlyRollsOverIntoTheNextMonthAndYear) {
  WatchItem tenth = Item("monthly", "open", 10);
  EXPECT_EQ(tenth.FirstScheduledDay(At(2026, 6, 20)), At(2026, 7, 10));
  EXPECT_EQ(tenth.FirstScheduledDay(At(2026, 12, 20)), At(2027, 1, 10));
  EXPECT_EQ(tenth.FirstScheduledDay(At(2026, 6, 10)), At(2026, 6, 10));
  // A day the month lacks goes to the calendar conversion as it is.
  EXPECT_EQ(Item("monthly", "open", 31).FirstScheduledDay(At(2026, 4, 20)), At(2026, 5, 1));
  EXPECT_EQ(Item("monthly", "open", 31).FirstScheduledDay(At(2026, 12, 31)), At(2026, 12, 31));

  SetNow(2026, 6, 10, 15);
  EXPECT_EQ(AtStart(tenth), 0);
  EXPECT_TRUE(tenth.IsScheduledDay(At(2026, 6, 10, 12)));
  SetNow(2026, 6, 11, 15);
  EXPECT_EQ(AtStart(tenth), -1);
  EXPECT_FALSE(tenth.IsScheduledDay(At(2026, 6, 11, 12)));
  EXPECT_EQ(AtStart(Item("monthly", "define", 10, 9 * kHour)), At(2026, 7, 10, 9));
  SetNow(2026, 12, 10, 9, 0, 30);
  EXPECT_EQ(AfterCheck(Item("monthly", "define", 10, 9 * kHour)), At(2027, 1, 10, 9));
}

TEST_P(ScheduleTest, StartUpItemsAreCheckedOnlyOnAScheduledDay) {
  SetNow(2026, 6, 17, 10);  // Wednesday
  EXPECT_EQ(AtStart(Item("daily", "open")), 0);
  EXPECT_EQ(AtStart(Item("weekly", "open", 8)), 0);
  EXPECT_EQ(AtStart(Item("weekly", "open", 2)), -1);
  // Never rescheduled later in the run, not even on the scheduled day.
  SetNow(2026, 6, 22, 0, 0, 1);
  EXPECT_EQ(AfterCheck(Item("weekly", "open", 2)), -1);
  EXPECT_EQ(AfterCheck(Item("daily", "open")), -1);
}

TEST_P(ScheduleTest, IntervalItems) {
  SetNow(2026, 6, 17, 10);
  WatchItem tooShort = Item("daily", "inter", 0, 5);
  tooShort.ScheduleAtStart();
  EXPECT_EQ(tooShort.m_nextCheck, 0);
  EXPECT_EQ(tooShort.m_time, 60);
  // On a later scheduled day the first check is at that day's midnight.
  EXPECT_EQ(AtStart(Item("weekly", "inter", 2, kHour)), At(2026, 6, 22));

  WatchItem hourly = Item("daily", "inter", 0, kHour);
  hourly.m_lastCheck = At(2026, 6, 17, 9, 50);
  EXPECT_EQ(AfterCheck(hourly), At(2026, 6, 17, 10, 50));
  hourly.m_lastCheck = At(2026, 6, 17, 8, 0);  // overdue: the start-up rule runs
  EXPECT_EQ(AfterCheck(hourly), 0);
  // An interval running past the last scheduled day waits for a later rescheduling...
  SetNow(2026, 6, 22, 23, 30);  // Monday
  WatchItem mondays = Item("weekly", "inter", 2, kHour);
  mondays.m_lastCheck = At(2026, 6, 22, 23, 20);
  EXPECT_EQ(AfterCheck(mondays), -1);
  // ...which the midnight wake-up of the next scheduled day gives it.
  SetNow(2026, 6, 29, 0, 0, 1);
  EXPECT_EQ(AfterCheck(mondays), 0);
  SetNow(2026, 6, 24, 0, 0, 1);
  EXPECT_EQ(AfterCheck(mondays), At(2026, 6, 29));
}

TEST_P(ScheduleTest, TimeOfDayItems) {
  WatchItem nine = Item("daily", "define", 0, 9 * kHour);
  SetNow(2026, 6, 17, 8);
  EXPECT_EQ(AtStart(nine), At(2026, 6, 17, 9));
  SetNow(2026, 6, 17, 10);
  EXPECT_EQ(AtStart(nine), At(2026, 6, 18, 9));
  SetNow(2026, 6, 17, 9, 0, 30);
  EXPECT_EQ(AfterCheck(nine), At(2026, 6, 18, 9));

  // Monday and Friday, started on a Friday after the time: the coming Monday.
  SetNow(2026, 6, 19, 10);
  EXPECT_EQ(AtStart(Item("weekly", "define", 2 | 32, 9 * kHour)), At(2026, 6, 22, 9));
  SetNow(2026, 6, 19, 9, 0, 5);
  EXPECT_EQ(AfterCheck(Item("weekly", "define", 2 | 32, 9 * kHour)), At(2026, 6, 22, 9));
  EXPECT_EQ(AfterCheck(Item("weekly", "define", 32, 9 * kHour)), At(2026, 6, 26, 9));
}

TEST_P(ScheduleTest, OnceItems) {
  SetNow(2026, 6, 17, 10);
  int today = At(2026, 6, 17);
  EXPECT_EQ(AtStart(Item("once", "define", today, 18 * kHour)), At(2026, 6, 17, 18));
  EXPECT_EQ(AtStart(Item("once", "open", today)), 0);
  SetNow(2026, 6, 17, 18, 0, 20);
  EXPECT_EQ(AfterCheck(Item("once", "define", today, 18 * kHour)), -1);

  int passed = At(2026, 6, 16);
  for (const char* timing : {"open", "inter", "define"}) {
    EXPECT_EQ(AtStart(Item("once", timing, passed, kHour)), -1) << timing;
    EXPECT_EQ(AfterCheck(Item("once", timing, passed, kHour)), -1) << timing;
  }
  int later = At(2026, 7, 1);
  EXPECT_EQ(AtStart(Item("once", "open", later)), -1);
  EXPECT_EQ(AtStart(Item("once", "define", later, 9 * kHour)), At(2026, 7, 1, 9));
  EXPECT_EQ(AfterCheck(Item("once", "define", later, 9 * kHour)), At(2026, 7, 1, 9));
}

TEST_P(ScheduleTest, UnknownKindsNeverScheduleARepeatedCheck) {
  SetNow(2026, 6, 17, 10);
  WatchItem unknownDay = Item("yearly", "define", 0, 9 * kHour);
  unknownDay.m_nextCheck = -2;
  unknownDay.Reschedule();
  EXPECT_EQ(unknownDay.m_nextCheck, -2);
  unknownDay.m_nextCheck = 1234;
  unknownDay.Reschedule();
  EXPECT_EQ(unknownDay.m_nextCheck, 1234);

  // An unknown time kind is checked at start-up on a scheduled day, and then not again at
  // once after every check.
  EXPECT_EQ(AtStart(Item("daily", "hourly")), At(2026, 6, 17));
  EXPECT_EQ(AfterCheck(Item("daily", "hourly")), -1);
  EXPECT_EQ(AfterCheck(Item("weekly", "hourly", 2)), At(2026, 6, 22));
}

TEST_P(ScheduleTest, DisplayTexts) {
  EXPECT_EQ(Item("daily", "open").ScheduleText(), "毎日起動時");
  EXPECT_EQ(Item("weekly", "define", 2 | 8 | 32, 9 * kHour).ScheduleText(),
            "毎週[月水金]09時00分00秒");
  EXPECT_EQ(Item("weekly", "open", 127).ScheduleText(), "毎週[日月火水木金土]起動時");
  EXPECT_EQ(Item("monthly", "inter", 15, 5400).ScheduleText(), "毎月15日01時間30分間隔");
  EXPECT_EQ(Item("once", "open", At(2006, 12, 31)).ScheduleText(), "06年12月31日起動時");
  EXPECT_EQ(Item("daily", "inter", 0, 86400).ScheduleText(), "毎日間隔");
  EXPECT_EQ(Item("daily", "inter", 0, 90061).ScheduleText(), "毎日01時間01分01秒間隔");
  EXPECT_EQ(Item("daily", "define", 0, 23 * kHour + 59 * 60 + 5).ScheduleText(),
            "毎日23時59分05秒");
  EXPECT_EQ(Item("yearly", "hourly").ScheduleText(), "");
}

// The days on which the clocks change. In Tokyo nothing changes on those dates, which
// checks that calendar stepping gives the same results as whole days of seconds there.
struct ClockChange {
  const char* zone;
  int springMonth, springDay, fallMonth, fallDay;
};

class ClockChangeTest : public ::testing::TestWithParam<ClockChange> {
 protected:
  void SetUp() override { ASSERT_TRUE(TimeZoneInstalled(GetParam().zone)) << "tzdata is missing"; }
  ScopedTimeZone m_zone{GetParam().zone};
  ScopedManualClock m_clock;
};

INSTANTIATE_TEST_SUITE_P(Zones, ClockChangeTest,
                         ::testing::Values(ClockChange{"Asia/Tokyo", 3, 29, 10, 25},
                                           ClockChange{"Europe/Berlin", 3, 29, 10, 25},
                                           ClockChange{"America/New_York", 3, 8, 11, 1}),
                         [](const ::testing::TestParamInfo<ClockChange>& info) {
                           std::string zone = info.param.zone;
                           return zone.substr(zone.find('/') + 1);
                         });

TEST_P(ClockChangeTest, DaysAreSteppedOnTheCalendar) {
  bool tokyo = std::string(GetParam().zone) == "Asia/Tokyo";
  int shortDays = 0;
  for (std::time_t day = At(2026, 1, 1); day < At(2027, 1, 1);) {
    std::time_t next = AddDays(day, 1);
    std::tm local = LocalTime(next);
    ASSERT_EQ(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec, 0);
    ASSERT_EQ(MidnightOf(next - 1), day);
    if (next - day != 86400) ++shortDays;
    day = next;
  }
  EXPECT_EQ(shortDays, tokyo ? 0 : 2);
  EXPECT_EQ(AddDays(At(2026, 12, 31), 1), At(2027, 1, 1));
  EXPECT_EQ(AddDays(At(2026, 3, 1), 40), At(2026, 4, 10));
}

TEST_P(ClockChangeTest, TimesOfDayAndDaysSurviveTheChange) {
  const ClockChange& change = GetParam();
  for (int month : {change.springMonth, change.fallMonth}) {
    int day = month == change.springMonth ? change.springDay : change.fallDay;
    SCOPED_TRACE(month);
    WatchItem nine = Item("daily", "define", 0, 9 * kHour);
    m_clock.Set(At(2026, month, day - 1, 9, 0, 30));
    EXPECT_EQ(AfterCheck(nine), At(2026, month, day, 9));
    m_clock.Set(At(2026, month, day, 9, 0, 30));
    EXPECT_EQ(AfterCheck(nine), At(2026, month, day + 1, 9));
    m_clock.Set(At(2026, month, day, 3, 30));
    EXPECT_EQ(AtStart(nine), At(2026, month, day, 9));

    // A one-time day right after the change is neither missed nor shifted.
    WatchItem once = Item("once", "define", At(2026, month, day + 1), 9 * kHour);
    m_clock.Set(At(2026, month, day, 12));
    EXPECT_EQ(AfterCheck(once), At(2026, month, day + 1, 9));
    m_clock.Set(At(2026, month, day, 23, 30));
    EXPECT_EQ(AtStart(Item("once", "open", At(2026, month, day))), 0);

    // A weekday a few days ahead, across the change.
    int weekdayBit = 1 << (WeekdayOf(At(2026, month, day + 1)) - 1);
    m_clock.Set(At(2026, month, day - 3, 10));
    EXPECT_EQ(AtStart(Item("weekly", "define", weekdayBit, 9 * kHour)),
              At(2026, month, day + 1, 9));
    EXPECT_EQ(AtStart(Item("weekly", "inter", weekdayBit, kHour)), At(2026, month, day + 1));
    m_clock.Set(At(2026, month, day, 23, 30));
    EXPECT_EQ(AtStart(Item("weekly", "open", 1 << (WeekdayOf(At(2026, month, day)) - 1))), 0);
  }
}

}  // namespace
