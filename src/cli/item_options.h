// The options of `add`: what the site definition sheet edits, as command-line options,
// made into a new watch item with the defaults of a new site (active unless --inactive).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/watch/watch_item.h"

struct ItemOptionsResult {
  WatchItem item;
  std::string error;  // empty when good, else the message naming the option
};

// `args` are the arguments after the URL. `passwordInput` gives the first line of
// standard input for --password-stdin.
ItemOptionsResult ParseItemOptions(const std::string& url, const std::vector<std::string>& args,
                                   const std::function<std::string()>& passwordInput);

// Whether `option` is one of the text comparison's (--text, --select, --xpath, --exclude,
// --ignore, --ignore-case, --added-only).
bool IsTextOption(const std::string& option);
// Why the given options (option to value) mix the text comparison with a byte-based one;
// empty when they do not.
std::string TextOptionConflict(const std::map<std::string, std::string>& given);
// Applies one text option to `item` and makes it a text item (the byte comparisons
// cleared). Empty on success, else the message naming the option. --ignore's value holds
// the rules one per line.
std::string ApplyTextOption(WatchItem& item, const std::string& option, const std::string& value);

// "HH:MM:SS" (also "H:MM:SS") to seconds; -1 when malformed.
int ParseClockTime(const std::string& text);
// The add options' help lines.
const std::vector<const char*>& ItemOptionsUsage();
