// The check of a text item (m_textCompare): the fetched page's reader text (core/text)
// against the text of the version the item holds. That text is kept beside the version's
// page (TextCopyPath); a version without one (the item was a byte item until now, or the
// file is gone, or the selector changed since) has its text taken from its page with the
// item's present settings, so that switching an item to text comparison or changing its
// selector raises no alarm by itself.
//
// Threads: any, on the caller's copy of the item.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/check/page_diff.h"
#include "core/text/added_lines.h"
#include "core/text/selection.h"
#include "core/watch/watch_item.h"

namespace platform {
class CCodePageConverter;
}

// The result row of a text item whose selection matched nothing on the page: neither an
// update nor "not updated", so that a redesigned page is noticed.
inline constexpr const char* kNothingSelectedText = "選択した部分が見つかりません";

text::TextSettings TextSettingsOf(const WatchItem& item);

struct TextVerdict {
  enum Kind {
    kSame,             // the compared lines are those of the held version
    kUpdated,          // they changed (with m_addedOnly: lines were added)
    kQuietChange,      // m_addedOnly and lines only went away or moved: kept, not reported
    kNothingSelected,  // the selection matched nothing
    kFault,            // the item's settings cannot run (`error`)
  };
  Kind kind = kSame;
  std::vector<std::string> lines;  // the new page's compared lines (CP932)
  std::string error;
};

// Judges the new page (CP932 text as LoadPageText gives it) against the held version.
// A held version without any text to compare counts as changed.
TextVerdict JudgeText(const WatchItem& item, const std::string& pageCp932,
                      const platform::CCodePageConverter* converter);

// The compared lines of the version whose page is at `pagePath`: its kept text when that
// was taken with the item's present settings, else taken from the page. Nothing when
// neither can be read or the selection matches nothing.
std::optional<std::vector<std::string>> VersionText(const WatchItem& item, const std::string& pagePath,
                                                    const platform::CCodePageConverter* converter);

// Saves the lines as the text of the version at `pagePath` (atomically), marked with the
// item's present settings. false on failure.
bool SaveVersionText(const WatchItem& item, const std::string& pagePath,
                     const std::vector<std::string>& lines);

// The lines a text item's last update added and removed (its previous version's text
// against the current one's); nothing when either version or its text is not at hand.
std::optional<text::LineDelta> LoadTextDelta(const WatchItem& item,
                                             const platform::CCodePageConverter* converter);

// The change window's and `diff`'s change for a text item: the previous version's text
// lines against the current one's.
PageChange LoadTextChange(const WatchItem& item, const platform::CCodePageConverter* converter);
