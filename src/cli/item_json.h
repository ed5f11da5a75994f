// The command line's --json documents: UTF-8 JSON with the fields' meanings as names
// (ItemFields), the file's four-letter keys beside them, for scripts and jq.
#pragma once

#include <nlohmann/json.hpp>

#include "core/check/check_results.h"
#include "core/watch/watch_item.h"

// One item at `position` (from 0): "number" from 1, "schedule" as the list shows it, every
// field under its meaning's name (numbers as numbers, CmpD and Head as their real text, the
// password hidden), and "keys": the same values under the file's keys.
nlohmann::json ItemJson(const WatchItem& item, int position);
// One result row of a check.
nlohmann::json ResultRowJson(const ResultRow& row, int position);
