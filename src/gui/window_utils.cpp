#include "gui/window_utils.h"

#include <wx/toplevel.h>
#include <wx/window.h>

void BringToForeground(wxTopLevelWindow* window) {
  if (!window) return;
  if (window->IsIconized()) window->Iconize(false);
  window->Show();
  // gtk_window_present: raises the window and asks for the focus with the current time,
  // which the window manager honours even while another program is active.
  window->Raise();
}

void AlignRight(int rightEdge, wxWindow* control, int margin) {
  if (!control) return;
  wxPoint position = control->GetPosition();
  int width = control->GetSize().GetWidth();
  control->Move(rightEdge - margin - width, position.y);
}
