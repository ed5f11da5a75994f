// pagewarden-cli check all | check N: the watch list window's check-now ("全てのアイテムを
// 直ちにチェック", or "直ちにチェック" on item N counted from 1) through the real dispatcher,
// checking only what was asked; prints a result row per finished check, saves, ends. An
// update runs the item's actions as far as they make sense without a window.
#pragma once

#include <string>

// The exit status when every asked check ran but at least one of them failed.
inline constexpr int kCheckFailedStatus = 3;

// `position` from 0, or -1 for every active item. `json`: the rows as one JSON document at
// the end, an array (item_json.h); `actions` false: no actions on update; `jobs` the checks
// at once for this run (0: the program-wide setting). Gives the exit status: 0 when
// every check ran without error, kCheckFailedStatus when one failed, else the session's.
int RunCheckCommand(const std::string& homeArgument, int position, bool json = false,
                    bool actions = true, int jobs = 0, const std::string& tag = "");
