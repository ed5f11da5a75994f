// "カレンダー": a month calendar to pick the day of a one-time check.
#pragma once

#include <ctime>
#include <optional>
#include <wx/calctrl.h>
#include <wx/dialog.h>


class CCalendarDlg : public wxDialog {
 public:
  // Opens on the day of `midnight` (a local midnight).
  CCalendarDlg(wxWindow* parent, std::time_t midnight);
  // After OK: the local midnight of the day chosen.
  std::optional<std::time_t> Picked() const { return m_picked; }

 private:
  void Accept();

  wxCalendarCtrl* m_calendar = nullptr;
  std::optional<std::time_t> m_picked;
};
