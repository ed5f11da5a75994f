// The numeric edit control: a digits-only text field with spin buttons beside it, drawn
// for a CNumField that holds the value and does the stepping. The up and down arrow keys
// and the mouse wheel in the field step as the buttons do.
//
// Threads: UI thread only. The field outlives the control.
#pragma once

#include <wx/panel.h>

#include "core/ui/num_field.h"

class wxSpinButton;
class wxSpinEvent;
class wxTextCtrl;

class CNumEdit : public wxPanel {
 public:
  // `digits`: how many digits the field is made wide enough for.
  CNumEdit(wxWindow* parent, CNumField& field, int digits = 2);

  // The field's text into the control (after the field changed outside).
  void ShowValue();
  void StepUp();
  void StepDown();
  wxTextCtrl* Text() const { return m_text; }
  wxSpinButton* Spin() const { return m_spin; }

 private:
  void OnText();
  void OnKey(wxKeyEvent& event);

  CNumField& m_field;
  wxTextCtrl* m_text = nullptr;
  wxSpinButton* m_spin = nullptr;
};
