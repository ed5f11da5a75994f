// The two decisions inside a check, made on the engine's copy of the item: whether the
// page's last-modified date already decides (the date rule), and whether a fetched page
// differs from what the item keeps for comparison. Run on the check engine's worker.
#pragma once

#include <string>

#include "core/watch/watch_item.h"

class CFetch;
struct FetchJob;
namespace platform {
class CCodePageConverter;
}

// The date rule before any download: 0 fetch the page, 1 not updated, 2 updated without a
// download (the new date is stored in the item), -1 error (m_errorStatus and m_errorText set).
int CheckDateOf(WatchItem& item, FetchJob& job, CFetch& fetch);

// Compares the page fetched into `newPath` with the item's base by the item's rule: 0 not
// changed; any other value changed (-1, -2: no comparison was possible). Updates CmpD or
// SKyC as the rule requires.
int ComparePageOf(WatchItem& item, const std::string& newPath,
                  const platform::CCodePageConverter* converter);
