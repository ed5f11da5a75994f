// Small helpers for windows that several windows use.
#pragma once

class wxTopLevelWindow;
class wxWindow;
struct WindowRect;

// Makes `window` the active window even when another program's window is active: shows
// it, restores it when minimised and asks the window manager to give it the focus.
void BringToForeground(wxTopLevelWindow* window);

// Moves the child `control` sideways, keeping its size and vertical position, so that its
// right edge lies at `rightEdge` minus `margin` (client coordinates of its parent).
void AlignRight(int rightEdge, wxWindow* control, int margin);

// Puts `window` where `rect` says, when the rectangle is known and not empty.
void PlaceWindow(wxTopLevelWindow* window, const WindowRect& rect);

// Keeps the window's rectangle in `rect`; a minimised or hidden window has none worth
// keeping, and `rect` is then left as it was.
void RememberWindowRect(const wxTopLevelWindow* window, WindowRect& rect);
