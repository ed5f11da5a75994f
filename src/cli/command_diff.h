// pagewarden-cli diff N: what changed on item N at its last update, as a unified diff of its
// kept previous version against its current one, in UTF-8. Coloured on a terminal; plain
// when piped or with --no-color. Reads the list; changes nothing.
#pragma once

#include <string>

// `position` from 0. Exit status 0 when a change is shown, 1 when the item has no previous
// version (or it cannot be read), 2 for an item number out of range.
int RunDiffCommand(const std::string& homeArgument, int position, bool colour);
