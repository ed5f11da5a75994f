// One change of the watch list asked for by the command line: add an item, change fields
// of one, remove, enable, disable, or clear update marks. The same value is applied to the
// list file directly or handed to the program that works on the data folder, which applies
// it among its queued list changes; either way ApplyListChange makes it and gives the
// answer the command prints.
//
// Plain values and functions; ApplyListChange runs where the list lives (its UI thread).
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/watch/item_fields.h"
#include "core/watch/watch_item.h"

class CWatchList;

struct ListChange {
  enum class Kind { Add, Set, Remove, Enable, Disable, Acknowledge };
  Kind kind = Kind::Add;
  std::vector<int> positions;          // 0-based; none with Acknowledge: every item
  WatchItem item;                      // Add
  std::vector<ItemFieldLine> fields;   // Set: the fields to change, in order

  // The change as a text block (CP932 lines "Key: value"), and back. Read gives nothing
  // for a block that is cut off or malformed.
  bool Write(FILE* file) const;
  static std::optional<ListChange> Read(FILE* file);
};

struct ListAnswer {
  enum Status { kDone = 0, kFailed = 1, kRefused = 2 };  // the command's exit status
  int status = kDone;
  std::string text;  // printed: on standard output when done, else on standard error

  std::string Encode() const;
  static std::optional<ListAnswer> Decode(const std::string& bytes);
};

// Makes the change on the list (positions as the list now has them) and gives the answer:
// the new item's number for Add, else a line per changed item. Refused, with nothing
// changed, for an item number out of range or a field value that does not fit. Does not
// save.
ListAnswer ApplyListChange(const ListChange& change, CWatchList& list);
