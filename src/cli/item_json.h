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
// One result row of a check: what the row shows ("time", "page", "result", "mark") and, for
// scripts, "outcome" ("updated", "unchanged", "error" or "mailFailed"), the
// item's "number", "name" and "url", "httpStatus" and "error" of a failure (null otherwise)
// and the times in ISO 8601. `item` is the checked item as the list holds it after the
// check, at `position`; nullptr for a row that carries no item.
nlohmann::json ResultRowJson(const ResultRow& row, const WatchItem* item, int position);
// Whether the row tells of a failed check (not of a notification mail that could not be
// sent).
bool IsFailedCheckRow(const ResultRow& row);
