// The fields of a watch item by their four-letter file keys, as text: what the command
// line shows, changes one at a time and reads back from an edited text. The text of a
// field is its value as the watch list file holds it (CmpD, Head and TIgn form-escaped), so
// every field fits on one line and reads back unchanged.
//
// Plain functions on values; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/watch/watch_item.h"

struct ItemField {
  enum class Type { Text, Number };
  const char* key;   // "Targ"
  const char* name;  // what it means, for scripts: "url"
  Type type;
};

// Every field, the fetch request's first, in the order of the file.
const std::vector<ItemField>& ItemFields();
// The field with that key (exact case), or null.
const ItemField* FindItemField(const std::string& key);

struct ItemFieldLine {
  std::string key;
  std::string value;
};
// Every field of `item` as the file holds it. The password is shown as "********" when
// there is one and `hidePassword` is set.
std::vector<ItemFieldLine> ItemFieldLines(const WatchItem& item, bool hidePassword);

// Sets one field from its text. Gives an empty string on success, else why the value is
// refused (the item is then unchanged). Checks the value alone; CheckItem checks the
// item as a whole.
std::string SetItemField(WatchItem& item, const std::string& key, const std::string& value);
// Whether the item can be stored: a URL, at most one comparison, a schedule the timing
// can run, and what the chosen actions need. Empty when good, else the reason.
std::string CheckItem(const WatchItem& item);

// Text to a whole number: digits with an optional leading '-', within int; else nothing.
std::optional<int> ParseWholeNumber(const std::string& text);
