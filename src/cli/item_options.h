// The options of `add`: what the site definition sheet edits, as command-line options,
// made into a new watch item with the defaults of a new site (active unless --inactive).
#pragma once

#include <functional>
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

// "HH:MM:SS" (also "H:MM:SS") to seconds; -1 when malformed.
int ParseClockTime(const std::string& text);
// The add options' help lines.
const std::vector<const char*>& ItemOptionsUsage();
