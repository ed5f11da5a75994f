#include "gui/window_utils.h"

#include <algorithm>
#include <wx/event.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include "core/app/window_layout.h"
#include "gui/wx_text.h"

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

void PlaceWindow(wxTopLevelWindow* window, const WindowRect& rect, wxSize frame) {
  if (!rect.IsKnown() || rect.right <= rect.left || rect.bottom <= rect.top) return;
  if (frame == wxDefaultSize) frame = window->GetSize() - window->GetClientSize();
  window->Move(rect.left, rect.top);
  window->SetClientSize(std::max(rect.right - rect.left - frame.x, 1),
                        std::max(rect.bottom - rect.top - frame.y, 1));
}

void RememberWindowRect(const wxTopLevelWindow* window, WindowRect& rect) {
  if (window->IsIconized() || !window->IsShown()) return;
  wxRect shown = window->GetRect();
  rect = {shown.GetLeft(), shown.GetTop(), shown.GetRight() + 1, shown.GetBottom() + 1};
}

bool PressedIn(const wxKeyEvent& event, const wxWindow* window) {
  auto* pressedIn = wxDynamicCast(event.GetEventObject(), wxWindow);
  return pressedIn && wxGetTopLevelParent(pressedIn) == window;
}

namespace {

// The height of a line of the desktop font the windows were laid out with (10 points at
// 96 dpi).
constexpr int kDesignCharHeight = 17;
// Room beside a column's text: the cell's margins and the row's picture.
constexpr int kColumnPadding = 28;

}  // namespace

int FontScaled(const wxWindow* window, int designPixels) {
  int charHeight = window->GetCharHeight();
  if (charHeight <= kDesignCharHeight) return designPixels;
  return designPixels * charHeight / kDesignCharHeight;
}

int ColumnWidthFor(const wxWindow* list, int stored, int builtIn, const std::string& caption,
                   const std::string& sample) {
  if (stored != builtIn) return stored;
  int textWidth = std::max(list->GetTextExtent(ToWx(caption)).GetWidth(),
                           list->GetTextExtent(ToWx(sample)).GetWidth());
  return std::max(FontScaled(list, builtIn), textWidth + FontScaled(list, kColumnPadding));
}
