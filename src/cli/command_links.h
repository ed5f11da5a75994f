// pagewarden-cli links [DIR] [--force]: the links of the link folder DIR (default: the
// folder the desktop program's link update last used) as rows of number (from 1), file,
// name, address and state ("ファイルあり" or "ファイルなし").
// pagewarden-cli links [DIR] [--force] update [N]: updates every link, or link N, as the
// link update dialog does, prints a row per link with its result, and saves the list.
//
// The folder's dialog lock is taken as the dialog takes it; a lock held by another program
// refuses the command unless --force is given. SIGINT and SIGTERM stop an update after the
// link being updated; the list is still saved. Exit status 0 when the list was saved (or
// had nothing to save), 1 otherwise, 2 for bad arguments.
#pragma once

#include <string>
#include <vector>

// `arguments`: what follows "links" on the command line.
int RunLinksCommand(const std::string& homeArgument, const std::vector<std::string>& arguments);
