// Small helpers for windows that several windows use.
#pragma once

#include <string>
#include <wx/gdicmn.h>

class wxKeyEvent;
class wxTopLevelWindow;
class wxWindow;
struct WindowRect;

// Makes `window` the active window even when another program's window is active: shows
// it, restores it when minimised and asks the window manager to give it the focus.
void BringToForeground(wxTopLevelWindow* window);

// Moves the child `control` sideways, keeping its size and vertical position, so that its
// right edge lies at `rightEdge` minus `margin` (client coordinates of its parent).
void AlignRight(int rightEdge, wxWindow* control, int margin);

// Puts `window` where `rect` says, when the rectangle is known and not empty. The rectangle
// holds the window with its frame, but the window manager's frame is known only once the
// window is on the screen, and an outer size set before that makes GTK lay the content out
// in less room than it asks for. So the client area gets the rectangle less `frame`: the
// frame (with menu bar) the window had when the rectangle was stored, or, when that is not
// known (wxDefaultSize), the menu bar alone (the window then grows by the window manager's
// frame once).
void PlaceWindow(wxTopLevelWindow* window, const WindowRect& rect, wxSize frame = wxDefaultSize);

// Keeps the window's rectangle in `rect`; a minimised or hidden window has none worth
// keeping, and `rect` is then left as it was.
void RememberWindowRect(const wxTopLevelWindow* window, WindowRect& rect);

// Whether the key of `event` was pressed in `window` itself, not in another top-level
// window it owns (key hooks reach the owners of a window too).
bool PressedIn(const wxKeyEvent& event, const wxWindow* window);

// `designPixels` laid out for the desktop font at 96 dpi, in the font `window` has now: the
// same room for the same text at any dpi and font size.
int FontScaled(const wxWindow* window, int designPixels);

// The width a list column opens with: `stored` when the user chose it (it differs from the
// built-in `builtIn`), else the built-in width in the list's font, wide enough for the
// column's caption and for `sample`, its longest usual value.
int ColumnWidthFor(const wxWindow* list, int stored, int builtIn, const std::string& caption,
                   const std::string& sample);
