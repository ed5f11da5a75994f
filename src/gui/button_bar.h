// The row of buttons along the top of a window over a list that fills the rest, as the
// main window and the watch list window have it. The buttons keep their distance from the
// right edge by CButtonRow's rule.
//
// Threads: UI thread only.
#pragma once

#include <cstddef>
#include <vector>

#include "gui/app/button_row.h"

class wxButton;
class wxWindow;

struct ButtonSpec {
  int id;
  const char* label;
};

// Creates the buttons of `specs` (left to right) on `panel`, placed right to left from
// `designWidth` less `margin`, and records their offsets in `row`. A `designWidth` too
// narrow for the buttons (a large font) grows so that all of them fit right of `left`.
// Gives the bottom edge of the row, at least `bottom`.
int CreateButtonBar(wxWindow* panel, const ButtonSpec* specs, std::size_t count,
                    int& designWidth, int left, int margin, int bottom,
                    std::vector<wxButton*>& buttons, CButtonRow& row);

// After a resize: `list` fills the panel below its top, the buttons move by the row's rule.
void LayoutButtonBar(wxWindow* panel, wxWindow* list, const std::vector<wxButton*>& buttons,
                     CButtonRow& row);
