#include "gui/ui/sheet/timing_page.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include "core/common/prompter.h"
#include "gui/ui/sheet/calendar_dialog.h"
#include "gui/ui/sheet/num_edit.h"
#include "gui/ui/sheet/sheet_layout.h"
#include "gui/wx_text.h"
#include "platform/clock.h"

namespace {

constexpr const char* kScheduleNames[] = {"毎日", "毎週", "毎月", "日付指定（１回のみ）"};
constexpr const char* kTimeNames[] = {"起動時", "間隔指定", "時刻指定"};
constexpr const char* kWeekdayNames[] = {"日", "月", "火", "水", "木", "金", "土"};

wxChoice* MakeChoice(wxWindow* parent, const char* const* names, std::size_t count) {
  auto* choice = new wxChoice(parent, wxID_ANY);
  for (std::size_t index = 0; index < count; ++index) choice->Append(ToWx(names[index]));
  return choice;
}

// A numeric edit followed by its unit ("06 年").
CNumEdit* AddNumber(wxSizer* row, wxWindow* parent, CNumField& field, const char* unit) {
  auto* edit = new CNumEdit(parent, field);
  row->Add(edit, 0, wxALIGN_CENTER_VERTICAL);
  row->Add(Label(parent, unit), 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, kGap);
  return edit;
}

}  // namespace

CTimingPage::CTimingPage(wxWindow* book, const SheetServices& services)
    : CSheetPage(book, services) {
  auto* top = new wxBoxSizer(wxVERTICAL);

  auto* scheduleBox = new wxStaticBoxSizer(wxVERTICAL, this, ToWx("チェックする日"));
  wxWindow* dayParent = scheduleBox->GetStaticBox();
  m_schedule = MakeChoice(dayParent, kScheduleNames, std::size(kScheduleNames));
  scheduleBox->Add(m_schedule, 0, wxALL, kGap);
  auto* dateRow = new wxBoxSizer(wxHORIZONTAL);
  m_year = AddNumber(dateRow, dayParent, m_form.Year(), "年");
  m_month = AddNumber(dateRow, dayParent, m_form.Month(), "月");
  m_day = AddNumber(dateRow, dayParent, m_form.Day(), "日");
  m_calendar = new wxButton(dayParent, wxID_ANY, ToWx("カレンダー"));
  dateRow->Add(m_calendar, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kGap);
  scheduleBox->Add(dateRow, 0, wxALL, kGap);
  auto* weekRow = new wxBoxSizer(wxHORIZONTAL);
  for (std::size_t day = 0; day < m_weekdays.size(); ++day) {
    m_weekdays[day] = new wxCheckBox(dayParent, wxID_ANY, ToWx(kWeekdayNames[day]));
    weekRow->Add(m_weekdays[day], 0, wxRIGHT, kGap);
    m_weekdays[day]->Bind(wxEVT_CHECKBOX, [this, day](wxCommandEvent& event) {
      m_form.SetWeekday(static_cast<int>(day), event.IsChecked());
    });
  }
  scheduleBox->Add(weekRow, 0, wxALL, kGap);
  top->Add(scheduleBox, 0, wxEXPAND | wxALL, kBorder);

  auto* timeBox = new wxStaticBoxSizer(wxVERTICAL, this, ToWx("チェックする時刻"));
  wxWindow* timeParent = timeBox->GetStaticBox();
  m_time = MakeChoice(timeParent, kTimeNames, std::size(kTimeNames));
  timeBox->Add(m_time, 0, wxALL, kGap);
  auto* timeRow = new wxBoxSizer(wxHORIZONTAL);
  m_hours = AddNumber(timeRow, timeParent, m_form.Hours(), "時（間）");
  m_minutes = AddNumber(timeRow, timeParent, m_form.Minutes(), "分");
  m_seconds = AddNumber(timeRow, timeParent, m_form.Seconds(), "秒");
  timeBox->Add(timeRow, 0, wxALL, kGap);
  top->Add(timeBox, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);
  SetSizer(top);

  m_schedule->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { ScheduleChosen(); });
  m_time->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { TimeChosen(); });
  m_calendar->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { RunCalendar(); });
}

void CTimingPage::OnFirstActivation(WatchItem& item) {
  m_keptPastDate = -1;
  std::string message = m_form.Load(item, platform::Now());
  ShowForm();
  if (!message.empty()) ShowMessage(message);
}

void CTimingPage::ShowForm() {
  m_schedule->SetSelection(m_form.ScheduleChoice());
  m_time->SetSelection(m_form.TimeChoice());
  for (std::size_t day = 0; day < m_weekdays.size(); ++day) {
    m_weekdays[day]->SetValue(m_form.Weekday(static_cast<int>(day)));
  }
  for (CNumEdit* edit : {m_year, m_month, m_day, m_hours, m_minutes, m_seconds}) {
    edit->ShowValue();
  }
  ApplyEnabling();
}

void CTimingPage::ApplyEnabling() {
  CTimingForm::Enabling enabled = m_form.Enabled();
  m_year->Enable(enabled.yearMonth);
  m_month->Enable(enabled.yearMonth);
  m_calendar->Enable(enabled.yearMonth);
  m_day->Enable(enabled.day);
  for (wxCheckBox* box : m_weekdays) box->Enable(enabled.weekdays);
  for (CNumEdit* edit : {m_hours, m_minutes, m_seconds}) edit->Enable(enabled.timeFields);
}

void CTimingPage::ScheduleChosen() {
  m_form.ChooseScheduleKind(m_schedule->GetSelection());
  ApplyEnabling();
}

void CTimingPage::TimeChosen() {
  std::string message = m_form.ChooseTimeKind(m_time->GetSelection());
  ShowForm();
  if (!message.empty()) ShowMessage(message);
}

void CTimingPage::ShowMessage(const std::string& text) {
  m_services.prompter.ShowMessage(text, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
}

bool CTimingPage::OnKillActive() {
  std::string message = m_form.LeaveMessage();
  if (!message.empty()) {
    ShowMessage(message);
    return false;
  }
  std::string question = m_form.PastDateQuestion(platform::Now());
  // A past date the user kept is not asked about again in the same run.
  if (question.empty() || m_keptPastDate == m_form.FieldsDate()) return true;
  IPrompter::Answer answer = m_services.prompter.ShowMessage(question, IPrompter::Buttons::YesNo,
                                                            IPrompter::Icon::Question);
  if (answer != IPrompter::Answer::Yes) return false;
  m_keptPastDate = m_form.FieldsDate();
  return true;
}

void CTimingPage::OnOK(WatchItem& item) { m_form.Store(item); }

void CTimingPage::RunCalendar() {
  CCalendarDlg calendar(this, m_form.FieldsDate());
  if (calendar.ShowModal() != wxID_OK || !calendar.Picked()) return;
  m_form.SetFieldsDate(*calendar.Picked());
  for (CNumEdit* edit : {m_year, m_month, m_day}) edit->ShowValue();
}
