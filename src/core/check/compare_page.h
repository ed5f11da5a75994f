// Whether a watched page changed: the two decisions the check engine makes on its copy of
// the watch item. The date rule runs before any download (CheckDate); the other three
// rules run on the freshly fetched file (ComparePage):
//   full text       (m_compareAll = 1)         the file against the stored copy, byte by byte
//   simple keyword  (m_simpleKeyword set)      the keyword's count against m_simpleKeywordCount
//   anchor keyword  (m_anchorKeyword set)      the area after the anchor against m_compareData
//   date            (none of the three)        the last-modified time against m_lastModified
// Each rule updates what the item keeps for the next comparison.
//
// Threads: called on the check engine's worker thread on the engine's own item; nothing
// here shows a message (CheckDate's retriever may ask for credentials through its prompter).
#pragma once

#include <optional>
#include <string>

#include "core/fetch/fetch_job.h"
#include "core/watch/watch_item.h"

class CFetch;

namespace platform {
class CCodePageConverter;
}

// Compares the file `newPath` with the item's comparison base. 0 = not changed, 1 =
// changed, -1 or -2 = no comparison was possible (the engine takes every non-zero result
// as a change):
// - keyword rules: the page is read as CP932 with `converter` (-1 when it cannot be
//   loaded). The anchor rule stores the new area in m_compareData when it differs, and
//   deletes `newPath` when it does not. The simple keyword rule stores every new count in
//   m_simpleKeywordCount and gives 1 only for a rise with bit 0 or a fall with bit 1 of
//   m_simpleKeywordOptions.
// - full text (also used when no rule is chosen): CompareFiles(newPath, base), where the
//   base is m_savePath when m_download is not PrivateCopy, else m_hiddenPath; -2 when the
//   base does not exist yet; -1 when the base is `newPath` itself.
int ComparePage(WatchItem& item, const std::string& newPath,
                const platform::CCodePageConverter* converter);

// The same for a fetched page held in memory (`bytes`); the full text is compared with
// the base by CompareBytesWithFile, and the anchor rule has no file to delete.
int ComparePageBytes(WatchItem& item, const std::string& bytes,
                     const platform::CCodePageConverter* converter);

// 0 equal, 1 different (or a read error), -2 when `path` cannot be opened.
int CompareBytesWithFile(const std::string& bytes, const std::string& path);

// 0 equal, 1 different (or a read error), -1 when `first` cannot be opened, -2 when
// `second` cannot be opened. Binary comparison in blocks of 64 KiB.
int CompareFiles(const std::string& first, const std::string& second);

// The date rule, run before any download. `job` is the engine's fetch job (a copy of the
// item's fetch request); `fetch` asks the server with a HEAD request.
//   nothing = go on and fetch the page (no date known from last time, the HEAD request
//       failed, the server gives no date, or the page is downloaded, m_download not
//       PrivateCopy, after a new date)
//   NotUpdated;  Updated = changed, no download needed;  Error = the user refused to
//       authenticate, or the server asked to be called later (m_errorStatus and
//       m_errorText are set from the job).
// Stores a new date in the item's m_lastModified and, on Updated, in m_lastUpdate. A server
// without dates leaves 0 in the job's and the item's m_lastModified, which turns the rule
// off for later checks: the page is then compared as a whole, and a new item is reported
// updated by its first check only. On NotUpdated and Updated the job's user name and
// password (perhaps typed in the authentication dialog) are copied into the item.
std::optional<CheckResult> CheckDate(WatchItem& item, FetchJob& job, CFetch& fetch);
