#include "gui/window_utils.h"

#include <wx/toplevel.h>
#include <wx/window.h>

#include "core/app/window_layout.h"

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

void PlaceWindow(wxTopLevelWindow* window, const WindowRect& rect) {
  if (rect.IsKnown() && rect.right > rect.left && rect.bottom > rect.top) {
    window->SetSize(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  }
}

void RememberWindowRect(const wxTopLevelWindow* window, WindowRect& rect) {
  if (window->IsIconized() || !window->IsShown()) return;
  wxRect shown = window->GetRect();
  rect = {shown.GetLeft(), shown.GetTop(), shown.GetRight() + 1, shown.GetBottom() + 1};
}
