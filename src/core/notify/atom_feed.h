// The feed of changes "changes.atom" in the data folder: an Atom 1.0 document with one entry
// for every update and every alarm, newest first, the last 200 kept, saved atomically, and
// optionally copied to a path of the user's choosing (a local web server's folder, a synced
// folder). The feed is read back only as this program writes it: its id and its entries,
// which always stand between lines of their own.
//
// Threads: AddFeedEntry may be called from several check workers at once; the additions
// are made one after another.
#pragma once

#include <ctime>
#include <string>
#include <vector>

struct FeedEntry {
  std::string title;    // the item's name (CP932)
  std::string link;     // the page (CP932)
  std::string content;  // the changed lines or the result text (CP932)
  std::time_t time = 0;
};

inline constexpr const char* kFeedFileName = "changes.atom";
inline constexpr std::size_t kFeedEntryLimit = 200;

// "<data folder>/changes.atom".
std::string FeedPath();

// Adds `entry` on top of the feed at `path` (made when missing), keeping kFeedEntryLimit
// entries, then writes the same document to `copyPath` when that is not empty. "" on
// success, else what could not be written (CP932).
std::string AddFeedEntry(const std::string& path, const FeedEntry& entry,
                         const std::string& copyPath = {});

// The feed document for `entries` (already in UTF-8 XML, newest first).
std::string FeedDocument(const std::string& feedId, std::time_t updated,
                         const std::vector<std::string>& entries);
