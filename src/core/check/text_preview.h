// What a text item would compare right now: its page fetched into memory and its text as
// the check takes it, every line marked as selected or ignored. For `pagewarden-cli select`
// and the check options page's "テスト", so that a user can try a selector before
// relying on it.
//
// Threads: any; the fetch blocks the caller (its time-outs bound it).
#pragma once

#include <string>

#include "core/fetch/fetch.h"
#include "core/text/selection.h"
#include "core/watch/watch_item.h"

namespace platform {
class CCodePageConverter;
}

struct TextPreview {
  std::string error;  // why the page could not be fetched or read; empty when it was
  text::ShownText text;
  // The lines the check would compare: the selected ones (all without a selection) that
  // no ignore rule matches.
  std::vector<std::string> ComparedLines() const;
};

// The preview of a page already fetched and read as CP932 text.
TextPreview PreviewText(const WatchItem& item, const std::string& pageCp932);
// Fetches the item's page with `fetch` and previews it. A large page passes through a
// temporary file in `folder`, removed after.
TextPreview FetchTextPreview(const WatchItem& item, CFetch& fetch,
                             const platform::CCodePageConverter* converter, const std::string& folder);
