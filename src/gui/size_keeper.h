// Windows that open with the size the user last gave them, in this run or an earlier one.
#pragma once

#include <string>

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
