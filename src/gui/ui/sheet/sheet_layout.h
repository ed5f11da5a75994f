// Layout helpers the site definition pages share: the gaps and labels.
#pragma once

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/wx_text.h"

inline constexpr int kGap = 6;
inline constexpr int kBorder = 10;

inline wxStaticText* Label(wxWindow* parent, const char* text) {
  return new wxStaticText(parent, wxID_ANY, ToWx(text));
}

// A label and its control as two cells of a grid sizer; the control grows sideways.
inline void AddLabelled(wxSizer* grid, wxWindow* parent, const char* text, wxWindow* control) {
  grid->Add(Label(parent, text), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(control, 1, wxEXPAND);
}

class wxButton;
// "OK" (the default button) and the cancel button with `cancelLabel`, at the bottom right
// of a dialog's top sizer; the OK button.
wxButton* AddOkCancel(wxWindow* dialog, wxSizer* top, const char* cancelLabel);

// wxGTK's best height of a single-line text field does not grow with a larger font (at
// 144 DPI it is shorter than the text): every such field below `root` is made at least
// as tall as its text and the field's frame.
void FitTextHeights(wxWindow* root);
