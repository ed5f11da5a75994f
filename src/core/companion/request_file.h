// Request files exchanged with the companion helper: one fetch request block in a text
// file of its own. They may hold a password, so they are readable by their owner only.
#pragma once

#include <optional>
#include <string>

#include "core/fetch/fetch_request.h"

// Writes `request` into a new owner-only file: `basePath` when no file has that name,
// else the first free basePath_1, basePath_2, ... The path written, or nothing when no
// file could be created or written (nothing is then left behind).
std::optional<std::string> WriteNewRequestFile(const std::string& basePath,
                                               const FetchRequest& request);

// Reads the request file at `path` and deletes it whenever it could be opened.
// `opened` tells whether it could; the request when a complete block was read.
std::optional<FetchRequest> TakeRequestFile(const std::string& path, bool* opened = nullptr);
