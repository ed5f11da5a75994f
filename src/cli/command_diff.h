// pagewarden-cli diff N: what changed on item N at its last update, as a unified diff of its
// kept previous version against its current one, in UTF-8. Coloured on a terminal; plain
// when piped or with --no-color. Reads the list; changes nothing.
#pragma once

#include <optional>
#include <string>

#include "core/watch/watch_item.h"

// `position` from 0. Exit status 0 when a change is shown, 1 when the item has no previous
// version (or it cannot be read), 2 for an item number out of range.
int RunDiffCommand(const std::string& homeArgument, int position, bool colour);

// Item `position` (from 0) of the list in the data folder, for a command that only reads
// it; nothing after telling why on standard error, with the exit status in `status`
// (1: the folder cannot be used, 2: no such item).
std::optional<WatchItem> ReadListItem(const std::string& homeArgument, int position, int& status);
