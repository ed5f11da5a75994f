// pagewarden-cli list: one line per watch item in list order, TAB-separated: position
// (from 1), update mark, active, schedule, last check time ("未確認" before the first),
// name or else URL. Reads the list; changes nothing.
#pragma once

#include <string>

class CWatchList;
struct WatchItem;

int RunListCommand(const std::string& homeArgument);
// The line for one item at `position` (from 0).
std::string ListLine(const WatchItem& item, int position);
