#include "gui/ui/sheet/calendar_dialog.h"

#include <wx/button.h>
#include <wx/calctrl.h>
#include <wx/sizer.h>

#include "core/watch/calendar.h"
#include "gui/ui/sheet/sheet_layout.h"
#include "gui/wx_text.h"

CCalendarDlg::CCalendarDlg(wxWindow* parent, std::time_t midnight)
    : wxDialog(parent, wxID_ANY, ToWx("カレンダー")) {
  std::tm day = LocalTime(midnight);
  wxDateTime shown(static_cast<wxDateTime::wxDateTime_t>(day.tm_mday),
                   static_cast<wxDateTime::Month>(day.tm_mon), day.tm_year + 1900);
  auto* top = new wxBoxSizer(wxVERTICAL);
  m_calendar = new wxCalendarCtrl(this, wxID_ANY, shown);
  top->Add(m_calendar, 1, wxEXPAND | wxALL, kBorder);

  wxButton* ok = AddOkCancel(this, top, "ｷｬﾝｾﾙ");
  SetSizerAndFit(top);
  CentreOnParent();

  ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Accept(); });
  m_calendar->Bind(wxEVT_CALENDAR_DOUBLECLICKED, [this](wxCalendarEvent&) { Accept(); });
}

void CCalendarDlg::Accept() {
  wxDateTime date = m_calendar->GetDate();
  if (date.IsValid()) {
    m_picked = DateMidnight(date.GetYear(), static_cast<int>(date.GetMonth()) + 1, date.GetDay());
  }
  EndModal(wxID_OK);
}
