// The timing page's rules without a display, in a zone without daylight saving and in one
// with it.
#include <gtest/gtest.h>

#include "core/ui/timing_form.h"
#include "core/watch/watch_item.h"
#include "support/time_zone.h"

namespace {

class TimingFormTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_TRUE(TimeZoneInstalled(GetParam())) << "tzdata is missing"; }
  ScopedTimeZone m_zone{GetParam()};
  // A Wednesday afternoon.
  std::time_t m_now = LocalTimeOf(2026, 3, 18, 14, 5, 9);
  CTimingForm m_form;
};

INSTANTIATE_TEST_SUITE_P(Zones, TimingFormTest, ::testing::Values("Asia/Tokyo", "Europe/Berlin"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(info.param.find('/') + 1);
                         });

TEST_P(TimingFormTest, ANewItemShowsTodayAndNowWithTheTimeFieldsDisabled) {
  EXPECT_EQ(m_form.Load(WatchItem(), m_now), "");
  EXPECT_EQ(m_form.ScheduleChoice(), CTimingForm::kDaily);
  EXPECT_EQ(m_form.TimeChoice(), CTimingForm::kAtStart);
  EXPECT_TRUE(m_form.Weekday(3));
  EXPECT_FALSE(m_form.Weekday(0));
  EXPECT_EQ(m_form.Year().Text() + m_form.Month().Text() + m_form.Day().Text(), "260318");
  EXPECT_EQ(m_form.Hours().Text() + m_form.Minutes().Text() + m_form.Seconds().Text(), "140509");
  CTimingForm::Enabling enabled = m_form.Enabled();
  EXPECT_FALSE(enabled.yearMonth || enabled.day || enabled.weekdays || enabled.timeFields);

  m_form.ChooseScheduleKind(CTimingForm::kMonthly);
  EXPECT_TRUE(m_form.Enabled().day);
  EXPECT_FALSE(m_form.Enabled().yearMonth);
  m_form.ChooseScheduleKind(CTimingForm::kWeekly);
  EXPECT_TRUE(m_form.Enabled().weekdays);
  EXPECT_FALSE(m_form.Enabled().day);
}

TEST_P(TimingFormTest, WeeklyBitsAndTimeOfDayRoundTrip) {
  WatchItem item;
  item.m_checkKind = "weekly";
  item.m_date = 42;
  item.m_timing = "define";
  item.m_time = 9 * 3600 + 30 * 60;
  m_form.Load(item, m_now);
  EXPECT_EQ(m_form.TimeChoice(), CTimingForm::kTimeOfDay);
  for (int day = 0; day < 7; ++day) EXPECT_EQ(m_form.Weekday(day), day % 2 == 1) << day;
  EXPECT_EQ(m_form.Hours().Text() + m_form.Minutes().Text() + m_form.Seconds().Text(), "093000");
  WatchItem stored = item;
  m_form.Store(stored);
  EXPECT_EQ(stored.m_date, 42);
  EXPECT_EQ(stored.m_time, item.m_time);
  EXPECT_EQ(stored.m_timing, "define");

  item.m_checkKind = "monthly";
  item.m_date = 5;
  m_form.Load(item, m_now);
  EXPECT_EQ(m_form.Day().Text(), "05");
  m_form.Day().StepDown();
  m_form.Day().StepDown();  // the first is the floor
  m_form.Store(stored);
  EXPECT_EQ(stored.m_date, 3);
}

TEST_P(TimingFormTest, IntervalsAreResetRefusedWithADateAndAtLeastTenSeconds) {
  m_form.Load(WatchItem(), m_now);
  EXPECT_EQ(m_form.ChooseTimeKind(CTimingForm::kInterval), "");
  EXPECT_EQ(m_form.Hours().Text() + m_form.Minutes().Text() + m_form.Seconds().Text(), "000000");
  EXPECT_TRUE(m_form.Enabled().timeFields);
  EXPECT_EQ(m_form.LeaveMessage(), kIntervalTooShort);
  m_form.Seconds().SetText("09");
  EXPECT_EQ(m_form.LeaveMessage(), kIntervalTooShort);
  m_form.Seconds().SetText("10");
  EXPECT_EQ(m_form.LeaveMessage(), "");
  WatchItem stored;
  m_form.Store(stored);
  EXPECT_EQ(stored.m_timing, "inter");
  EXPECT_EQ(stored.m_time, 10);

  m_form.ChooseTimeKind(CTimingForm::kTimeOfDay);
  m_form.ChooseScheduleKind(CTimingForm::kOnce);
  EXPECT_EQ(m_form.ChooseTimeKind(CTimingForm::kInterval), kNoIntervalWithDate);
  EXPECT_EQ(m_form.TimeChoice(), CTimingForm::kAtStart);
  EXPECT_TRUE(m_form.Enabled().timeFields);  // left as it was
  EXPECT_EQ(m_form.Seconds().Text(), "10");
}

TEST_P(TimingFormTest, AOnceDateIsTheLocalMidnightOfThatDay) {
  m_form.Load(WatchItem(), m_now);
  m_form.ChooseScheduleKind(CTimingForm::kOnce);
  m_form.Year().SetText("06");
  m_form.Month().SetText("12");
  m_form.Day().SetText("31");
  WatchItem stored;
  m_form.Store(stored);
  EXPECT_EQ(stored.m_checkKind, "once");
  EXPECT_EQ(stored.m_date, LocalTimeOf(2006, 12, 31));
  EXPECT_EQ(stored.m_timing, "open");

  // The days the clocks change in Europe: midnight is found on the calendar.
  for (std::time_t day : {LocalTimeOf(2026, 3, 29), LocalTimeOf(2026, 10, 25)}) {
    m_form.SetFieldsDate(day);
    EXPECT_EQ(m_form.FieldsDate(), day);
    m_form.Store(stored);
    EXPECT_EQ(stored.m_date, day);
    m_form.Load(stored, m_now);
    EXPECT_EQ(m_form.Month().Text() + m_form.Day().Text(), day == LocalTimeOf(2026, 3, 29) ? "0329" : "1025");
    EXPECT_TRUE(m_form.Enabled().yearMonth);
  }
}

TEST_P(TimingFormTest, TypedNumbersBeyondTheFieldsAreRefusedAndLongIntervalsShowInFull) {
  WatchItem item;
  item.m_timing = "inter";
  item.m_time = 48 * 3600 + 30;
  m_form.Load(item, m_now);
  EXPECT_EQ(m_form.Hours().Text() + m_form.Minutes().Text() + m_form.Seconds().Text(), "480030");
  EXPECT_EQ(m_form.LeaveMessage(), "");
  m_form.Hours().SetText("99999");
  EXPECT_EQ(m_form.LeaveMessage(), "「時（間）」には 0 から 999 までの数を入力してください");
  m_form.Hours().SetText("999");
  m_form.Seconds().SetText("75");
  EXPECT_EQ(m_form.LeaveMessage(), "「秒」には 0 から 59 までの数を入力してください");

  m_form.ChooseTimeKind(CTimingForm::kTimeOfDay);
  m_form.Seconds().SetText("00");
  EXPECT_EQ(m_form.LeaveMessage(), "「時（間）」には 0 から 23 までの数を入力してください");
  m_form.Hours().SetText("23");
  EXPECT_EQ(m_form.LeaveMessage(), "");

  m_form.ChooseScheduleKind(CTimingForm::kOnce);
  m_form.Month().SetText("13");
  EXPECT_EQ(m_form.LeaveMessage(), "「月」には 1 から 12 までの数を入力してください");
}

TEST_P(TimingFormTest, AOnceDateBeforeTodayIsAskedAbout) {
  m_form.Load(WatchItem(), m_now);
  EXPECT_EQ(m_form.PastDateQuestion(m_now), "") << "a daily schedule has no date";
  m_form.ChooseScheduleKind(CTimingForm::kOnce);
  EXPECT_EQ(m_form.PastDateQuestion(m_now), "") << "today";
  m_form.Day().SetText("17");
  EXPECT_EQ(m_form.PastDateQuestion(m_now), kPastOnceDate);
  m_form.Year().SetText("27");
  EXPECT_EQ(m_form.PastDateQuestion(m_now), "");
}

}  // namespace
