// What the user is told when a file the program owns and rewrites whole (the watch list,
// the settings archive) exists but could not be read whole.
//
// Threads: the UI thread.
#pragma once

#include <string>

#include "core/common/prompter.h"
#include "platform/replace_guard.h"

// Nothing to tell for Loaded and Missing: true. Otherwise the message names the file
// (`what`, e.g. "ウォッチリスト") and its path, with `detail` as a further line when given.
// With `ask` (the desktop program) the user chooses: "はい" goes on with what was read
// (the caller then lets the file be replaced; it is kept aside under a dated name first),
// "いいえ" ends without writing it. Without `ask` (the command line) it is only said, and
// the answer is false: the program must not go on.
bool ConfirmUnreadFile(IPrompter& prompter, bool ask, const std::string& what,
                       const std::string& path, platform::LoadOutcome outcome,
                       const std::string& detail = {});
