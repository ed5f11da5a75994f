// The text comparison of an item as the import and the export see it: the part of the
// page compared (a CSS selector or an XPath expression), the elements removed first, and
// the ignore rules. The item holds them in the text comparison fields, set and read by
// their keys (item_fields.h); where the item has no such fields the rules cannot be set,
// and Apply says so.
#pragma once

#include <string>
#include <vector>

#include "core/watch/watch_item.h"

struct TextRules {
  bool text = false;  // compare the page's text
  std::string css;
  std::string xpath;
  std::string excludeCss;
  std::vector<std::string> ignoreLines;  // PCRE2 expressions; a matching line is ignored

  bool Any() const {
    return text || !css.empty() || !xpath.empty() || !excludeCss.empty() || !ignoreLines.empty();
  }
  // Sets the item's text comparison to these rules (text in CP932). Empty when done, else
  // why not (the item is then unchanged).
  std::string Apply(WatchItem& item) const;
  // The rules the item holds (none when it does not compare text).
  static TextRules Of(const WatchItem& item);
};
