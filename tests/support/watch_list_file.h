// The items of a data folder's watch list file, as the program loads them.
#pragma once

#include <string>
#include <vector>

#include "core/watch/watch_item.h"

// Makes `folder` the program folder of the test process and loads its list.
std::vector<WatchItem> ReadWatchListFile(const std::string& folder);
