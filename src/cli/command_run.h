// pagewarden-cli run: the resident checker without a window. Loads the list (start-up
// rule), checks on schedule and prints each result row as it arrives, until SIGINT or
// SIGTERM; then lets a running check finish, saves and ends.
#pragma once

#include <string>

// `actions` false: no actions on update.
int RunResidentCommand(const std::string& homeArgument, bool actions = true);
