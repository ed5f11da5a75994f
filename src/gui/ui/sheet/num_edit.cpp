#include "gui/ui/sheet/num_edit.h"

#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

#include "gui/wx_text.h"

namespace {

// The spin button only reports which arrow was used: it goes back to the middle of its
// range after every click, so neither end ever stops it. It goes back after its event has
// ended: wxGTK records the position it reported once the handler returns, and a position
// set inside the handler would leave the button comparing the next click with the wrong one.
constexpr int kSpinMiddle = 50;

}  // namespace

CNumEdit::CNumEdit(wxWindow* parent, CNumField& field, int digits)
    : wxPanel(parent), m_field(field) {
  m_text = new wxTextCtrl(this, wxID_ANY, ToWx(field.Text()), wxDefaultPosition, wxDefaultSize,
                          0, wxTextValidator(wxFILTER_DIGITS));
  m_text->SetInitialSize(
      m_text->GetSizeFromTextSize(m_text->GetTextExtent(wxString(digits + 1, '0')).GetWidth()));
  m_spin = new wxSpinButton(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
  m_spin->SetRange(0, 2 * kSpinMiddle);
  m_spin->SetValue(kSpinMiddle);

  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(m_text, 0, wxALIGN_CENTER_VERTICAL);
  row->Add(m_spin, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 2);
  SetSizerAndFit(row);

  m_text->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { OnText(); });
  m_text->Bind(wxEVT_KEY_DOWN, &CNumEdit::OnKey, this);
  m_spin->Bind(wxEVT_SPIN_UP, [this](wxSpinEvent&) {
    StepUp();
    CallAfter([this] { m_spin->SetValue(kSpinMiddle); });
  });
  m_spin->Bind(wxEVT_SPIN_DOWN, [this](wxSpinEvent&) {
    StepDown();
    CallAfter([this] { m_spin->SetValue(kSpinMiddle); });
  });
  // The wheel over the field steps as over the buttons.
  m_text->Bind(wxEVT_MOUSEWHEEL, [this](wxMouseEvent& event) {
    if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL || event.GetWheelRotation() == 0) {
      event.Skip();
    } else if (event.GetWheelRotation() > 0) {
      StepUp();
    } else {
      StepDown();
    }
  });
}

void CNumEdit::ShowValue() { m_text->ChangeValue(ToWx(m_field.Text())); }

void CNumEdit::StepUp() {
  m_field.StepUp();
  ShowValue();
}

void CNumEdit::StepDown() {
  m_field.StepDown();
  ShowValue();
}

void CNumEdit::OnText() { m_field.SetText(FromWx(m_text->GetValue())); }

void CNumEdit::OnKey(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_UP) {
    StepUp();
  } else if (event.GetKeyCode() == WXK_DOWN) {
    StepDown();
  } else {
    event.Skip();
  }
}
