// pagewarden-cli list: one line per watch item in list order, TAB-separated: position
// (from 1), update mark, active, schedule, last check time ("未確認" before the first),
// name or else URL. Reads the list; changes nothing.
#pragma once

#include <string>

class CWatchList;
struct WatchItem;

// `json`: one JSON document, an array of every item's fields (item_json.h).
// `tag`: only the items carrying it (numbered as in the whole list); empty: every item.
int RunListCommand(const std::string& homeArgument, bool json = false, const std::string& tag = "");
// The line for one item at `position` (from 0).
std::string ListLine(const WatchItem& item, int position);
