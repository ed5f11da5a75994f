// A watch item as a JSON document: every field under its name for scripts ("url",
// "tags", ...) and again under its four-letter key in "keys", text in UTF-8. The listing
// commands show it; the JSON export holds every key of every item (the password too), so
// that importing it gives the items back field for field.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/exchange/imported_job.h"
#include "core/watch/watch_item.h"

// The document of the item at `position` (0 from the top): "number", "schedule", the
// named fields and "keys". `everyKey`: also the stored keys that have no name (what the
// server said of the page, the kept versions' folder), under "keys" alone.
nlohmann::json ItemDocument(const WatchItem& item, int position, bool hidePassword,
                            bool everyKey);
// The JSON export of the items: an array of documents with every key, password included.
std::string ItemDocumentsText(const std::vector<WatchItem>& items,
                              const std::vector<int>& positions);

// Reads an array of documents (or a single one) back into items: from "keys" when the
// document has them, else from the named fields. A document without a usable URL is
// refused; the others are read all the same.
ImportReading ReadItemDocuments(const std::string& text);
