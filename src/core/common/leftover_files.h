// Temporary files the program leaves behind when it is killed mid-save or mid-fetch: the
// temporary copies of atomic saves ("WatchList.pgl.Ab3xYz"), the fetch's temporary pages in
// "comp" ("temp.tmp", "temp_3.html", ...) and the mail's work files ("tempMailBody.txt",
// "tempOutB64_2.txt") and the headless browser's profile folders in "comp"
// ("browser-Ab3xYz"). Only names the program makes are matched.
//
// Threads: the UI thread, at start, before any check or save can make such a file.
#pragma once

#include <set>
#include <string>

// `name` (a file name, no folder) is one the program makes only for the time of one save
// or fetch, in the program folder or in its "comp".
bool IsLeftoverInProgramFolder(const std::string& name);
bool IsLeftoverInComp(const std::string& name);

// Removes such files from `programFolder` and its "comp", sparing every path in `inUse`
// (an item's private copy may bear a temporary name). The number removed.
int RemoveLeftoverFiles(const std::string& programFolder, const std::set<std::string>& inUse);
