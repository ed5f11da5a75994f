// The tags of a watch item: words separated by blanks in its Tags field, by which the
// commands and the watch list window pick a group of items. Plain functions; any thread.
#pragma once

#include <string>
#include <vector>

#include "core/watch/watch_item.h"

// The words of a tag text, in order, each once.
std::vector<std::string> TagWords(const std::string& tags);
// The words joined by single blanks: the form the Tags field is stored in.
std::string JoinTags(const std::vector<std::string>& words);
// Whether the item carries `tag` (exact case); every item carries the empty tag.
bool HasTag(const WatchItem& item, const std::string& tag);
// `tag` added to the tag text, unless it is already there.
std::string AddTag(const std::string& tags, const std::string& tag);
