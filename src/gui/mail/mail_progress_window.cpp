#include "gui/mail/mail_progress_window.h"

#include <mutex>
#include <utility>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include "core/mail/loop_dialog_host.h"
#include "gui/wx_text.h"

namespace {

class CMailProgressWindow : public wxDialog {
 public:
  CMailProgressWindow(wxWindow* parent, CMailProgressDialog& dialog, CWxUiQueue& queue)
      : wxDialog(parent, wxID_ANY, ToWx(dialog.Caption()), wxDefaultPosition, wxDefaultSize,
                 wxCAPTION),
        m_dialog(dialog),
        m_queue(queue),
        m_blink(this) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    m_status = new wxStaticText(this, wxID_ANY, ToWx(kConnectingText), wxDefaultPosition,
                                wxSize(320, -1), wxST_NO_AUTORESIZE);
    top->Add(m_status, 0, wxALL | wxEXPAND, 12);
    m_bar = new wxGauge(this, wxID_ANY, CMailProgressDialog::kRangeMax, wxDefaultPosition,
                        wxSize(320, -1));
    top->Add(m_bar, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 12);
    SetSizerAndFit(top);
    CentreOnParent();
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      m_dialog.OnBlinkTimer();
      Redraw();
    });
    Bind(wxEVT_INIT_DIALOG, &CMailProgressWindow::OnInit, this);
    // The conversation cannot be broken off from the window; its time-outs end it.
    Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent& event) {
      if (event.CanVeto()) event.Veto();
    });
  }

 private:
  void OnInit(wxInitDialogEvent& event) {
    event.Skip();
    m_dialog.SetChangeListener([this] { Redraw(); });
    m_blink.Start(1000);
    m_dialog.OnInitDialog(m_queue);
    Redraw();
  }

  void Redraw() {
    m_status->SetLabel(ToWx(m_dialog.StatusText()));
    m_bar->SetValue(std::min(m_dialog.Position(), CMailProgressDialog::kRangeMax));
    if (m_dialog.IsFinished() && IsModal() && !m_ending) {
      m_ending = true;
      m_blink.Stop();
      CallAfter([this] { EndModal(wxID_OK); });
    }
  }

  CMailProgressDialog& m_dialog;
  CWxUiQueue& m_queue;
  wxTimer m_blink;
  wxStaticText* m_status = nullptr;
  wxGauge* m_bar = nullptr;
  bool m_ending = false;
};

}  // namespace

void CMailProgressHost::RunModal(CMailProgressDialog& dialog) {
  bool ran = false;
  {
    // Workers take turns: a second window would open inside the first one's modal loop,
    // and the first would then close under it.
    std::unique_lock<std::mutex> turn(m_turn, std::defer_lock);
    if (!wxIsMainThread()) turn.lock();
    ran = m_queue.SendAndTell([&] { RunOnUiThread(dialog); });
  }
  if (!ran) {
    // No window any more: the conversation runs to its end on this thread.
    CLoopDialogHost loop;
    loop.RunModal(dialog);
  }
}

void CMailProgressHost::RunOnUiThread(CMailProgressDialog& dialog) {
  wxWindow* owner = m_owner ? m_owner() : nullptr;
  if (owner && !owner->IsShown()) owner = nullptr;
  {
    CMailProgressWindow window(owner, dialog, m_queue);
    m_showing = true;
    window.ShowModal();
    m_showing = false;
    dialog.SetChangeListener(nullptr);
  }
  dialog.Join();
  // After the modal loop has unwound.
  if (m_whenClosed) m_queue.Post(std::exchange(m_whenClosed, nullptr));
}
