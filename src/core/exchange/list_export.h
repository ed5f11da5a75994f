// The watch list written for other checkers: urlwatch's job file (what it can express of
// each item) or the plain list (each URL with its tags). The JSON export that keeps every
// field is item_document.h's. Text in UTF-8.
#pragma once

#include <string>
#include <vector>

#include "core/watch/watch_item.h"

enum class ExportFormat { Json, Urlwatch, List };

std::string UrlwatchJobsText(const std::vector<WatchItem>& items);
std::string PlainListText(const std::vector<WatchItem>& items);
