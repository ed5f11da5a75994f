// The program folder and its "comp" hold copies of pages fetched with passwords, the mail
// log and the settings with the mail password: they are made for the user alone. A folder
// that already lets others in is left as the user set it, and said once.
//
// Threads: the UI thread, at start.
#pragma once

#include <string>
#include <vector>

#include "core/common/prompter.h"

namespace platform {
class CRegistryKey;
}

// One line for each of `folders` whose permissions let other users in (any group or other
// bit), naming the folder and its mode; empty when none does.
std::string WideFolderNotice(const std::vector<std::string>& folders);

// Shows WideFolderNotice unless the same notice was shown before, as remembered in `key`
// (may be null: then it is shown every time). A folder made private again clears it.
void ReportWideFolders(IPrompter& prompter, platform::CRegistryKey* key,
                       const std::vector<std::string>& folders);
