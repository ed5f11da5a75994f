// Windows that open with the size the user last gave them, in this run or an earlier one.
#pragma once

#include <string>
#include <wx/gdicmn.h>

class wxTopLevelWindow;
namespace platform {
class CRegistryKey;
}

// Gives `window` the size stored as `name` in `key` (no smaller than its content needs, no
// larger than its screen), and stores its size there again whenever it is hidden or
// closed.
// Call once the window's sizers have set its minimum; `key` must outlive the window. Without
// a key the window keeps the size it has.
void KeepSizeBetweenRuns(wxTopLevelWindow* window, platform::CRegistryKey* key,
                         const std::string& name);

// The frame around `window` (window manager's frame and menu bar: its size less its client
// size) as stored as `name` in `key` at an earlier run, wxDefaultSize when none is; from now
// on the frame is stored there whenever it changes while the window is shown as a normal
// window. For PlaceWindow: call before the window is shown.
wxSize KeepFrameBetweenRuns(wxTopLevelWindow* window, platform::CRegistryKey* key,
                            const std::string& name);
