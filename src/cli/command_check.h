// pagewarden-cli check all | check N: the watch list window's check-now ("全てのアイテムを
// 直ちにチェック", or "直ちにチェック" on item N counted from 1) through the real dispatcher,
// checking only what was asked; prints a result row per finished check, saves, ends.
#pragma once

#include <string>

// `position` from 0, or -1 for every active item. Gives the exit status.
// `json`: the rows as one JSON document at the end, an array (item_json.h).
int RunCheckCommand(const std::string& homeArgument, int position, bool json = false);
