// The authentication dialog "インターネット認証": the page's address, the user ID and the
// password (hidden). With a non-zero time-out it closes itself as cancelled when the time
// has passed without an answer.
//
// Threads: UI thread only (the prompter brings callers from other threads there).
#pragma once

#include <cstdint>
#include <string>
#include <wx/dialog.h>
#include <wx/timer.h>

class wxTextCtrl;

class CAuthDialog : public wxDialog {
 public:
  // `url`: CP932; `timeoutMs` 0: no time-out.
  CAuthDialog(wxWindow* parent, const std::string& url, std::uint32_t timeoutMs);

  // The dialog's answer after ShowModal returned wxID_OK (CP932).
  std::string User() const;
  std::string Password() const;
  // The time-out closed the dialog.
  bool TimedOut() const { return m_timedOut; }

  wxTextCtrl* UserField() const { return m_user; }
  wxTextCtrl* PasswordField() const { return m_password; }

 private:
  void OnTimer(wxTimerEvent& event);
  void OnShow(wxShowEvent& event);

  wxTextCtrl* m_user = nullptr;
  wxTextCtrl* m_password = nullptr;
  wxTimer m_timer;
  std::uint32_t m_timeoutMs;
  bool m_timedOut = false;
};
