// Scrolling a multi-line text control so that a given line is its top line; wx itself only
// scrolls a position into view, as little as that takes.
#pragma once

class wxTextCtrl;

// `line` counts the control's lines from 0; a line past the end scrolls to the last.
void ScrollLineToTop(wxTextCtrl& text, long line);
