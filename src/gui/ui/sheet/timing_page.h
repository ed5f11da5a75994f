// "チェックするタイミング": the schedule kind with its date or weekdays, and the time kind
// with hours, minutes and seconds; "カレンダー" picks the date of a one-time check.
#pragma once

#include <array>

#include "core/ui/timing_form.h"
#include "gui/ui/sheet/sheet_page.h"

class CNumEdit;
class wxButton;
class wxCheckBox;
class wxChoice;

class CTimingPage : public CSheetPage {
 public:
  CTimingPage(wxWindow* book, const SheetServices& services);

  bool OnKillActive() override;
  void OnOK(WatchItem& item) override;

  // For tests and the calendar: the controls and the form behind them.
  CTimingForm& Form() { return m_form; }
  wxChoice* ScheduleChoice() const { return m_schedule; }
  wxChoice* TimeChoice() const { return m_time; }
  CNumEdit* HoursEdit() const { return m_hours; }
  CNumEdit* MinutesEdit() const { return m_minutes; }
  CNumEdit* SecondsEdit() const { return m_seconds; }
  // A choice made in a list, as the user makes it.
  void ScheduleChosen();
  void TimeChosen();

 private:
  void OnFirstActivation(WatchItem& item) override;
  void ShowForm();
  void ApplyEnabling();
  void ShowMessage(const std::string& text);
  void RunCalendar();

  CTimingForm m_form;
  wxChoice* m_schedule = nullptr;
  wxChoice* m_time = nullptr;
  CNumEdit* m_year = nullptr;
  CNumEdit* m_month = nullptr;
  CNumEdit* m_day = nullptr;
  CNumEdit* m_hours = nullptr;
  CNumEdit* m_minutes = nullptr;
  CNumEdit* m_seconds = nullptr;
  wxButton* m_calendar = nullptr;
  std::array<wxCheckBox*, 7> m_weekdays{};
  std::time_t m_keptPastDate = -1;  // a past once-only date the user chose to keep
};
