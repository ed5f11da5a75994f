// pagewarden-cli edit N: item N's fields in the show form (KEY<TAB>value, UTF-8) in the
// user's editor ($VISUAL, else $EDITOR, else vi). The text read back is checked whole; a
// bad line is shown with its number and the user edits again or gives up. Only the fields
// whose text changed are handed on, as one change of the item (command_items.h), so a check
// that ran meanwhile keeps what it wrote.
#pragma once

#include <string>
#include <vector>

#include "core/watch/item_fields.h"

// The exit status: 0 changed or nothing to change, 1 given up or failed, 2 no such item.
int RunEditCommand(const std::string& homeArgument, int position);

struct EditedFields {
  std::vector<ItemFieldLine> changed;  // the fields whose value differs from `shown`
  std::string error;                   // "N 行目: ..." for the first bad line
};
// Reads the edited text (CP932 lines) against the item it was made from.
EditedFields ReadEditedFields(const std::string& text, const WatchItem& item,
                              const std::vector<ItemFieldLine>& shown);
