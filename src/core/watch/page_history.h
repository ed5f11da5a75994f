// The previous versions of a watched page. When a check finds an update, the file the new
// page replaces (the comparison base) is kept in a folder of the item's own in "comp":
// "comp/hist_<n>/1" is the version before the current one, "2" the one before that, and
// so on up to the program-wide "変更履歴の数". The folder's name is stored in the item
// (m_historyName) and is never reused by another item; its files never share a name with
// the fetch's temporary pages or the private copies, and they never live in the user's
// download folder.
//
// Threads: any thread, on its own copy of the item. Several checks of different items may
// keep versions at once: each works in its own folder only, and a new folder is claimed by
// creating it (only one of two racing threads gets a name).
#pragma once

#include <set>
#include <string>

#include "core/watch/watch_item.h"

// The folder of the item's versions; empty when the item has none.
std::string HistoryFolder(const WatchItem& item);
// The file that holds the page as the item's last update left it: the private copy for
// download mode 0, else the download file. Empty when there is none.
std::string CurrentVersionPath(const WatchItem& item);
// The kept version `generation` updates back (1: the version before the current one), or
// an empty text when it is not kept.
std::string PreviousVersionPath(const WatchItem& item, int generation = 1);

// A text item keeps the reader text of each version beside the version's page, under the
// page's name with this suffix ("copy.tmp.txt", "comp/hist_3/1.txt").
inline constexpr char kTextSuffix[] = ".txt";
std::string TextCopyPath(const std::string& pagePath);

// Keeps the file `base` (and its text beside it, if any) as the newest previous version before the caller replaces it;
// the older versions move back one generation, and those beyond `count` are removed.
// `count` 0 removes every kept version. Claims the item's folder on first use (setting
// m_historyName). Called before the base is replaced: at every moment of it either the old
// versions or the new ones are in place, and `base` itself is never touched.
void KeepPreviousVersion(WatchItem& item, const std::string& base, int count);

// Removes every kept version of the item and its folder (the item is deleted or now
// watches another address).
void RemoveHistory(const WatchItem& item);
// Removes the version folders in "comp" that no item names in `inUse` (left behind when
// the program was killed between deleting an item and saving the list).
void RemoveUnusedHistory(const std::set<std::string>& inUse);
