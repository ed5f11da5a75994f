// The text model behind the source view of the check options page, with which the user
// picks the anchor keyword and the check area in the fetched page instead of typing
// offsets. It holds the page twice: the raw text, in which the check searches (see
// ExtractArea), and the display text, in which every line break is written as CR LF, as
// the view shows it. It converts positions between the two, so that a selection made in
// the view becomes the raw offset and size the check uses, and a stored area becomes a
// selection to highlight.
//
// All positions are byte positions in CP932 text: display positions count the bytes of
// Display(). The window that draws the view maps them to its own positions (characters,
// its own line breaks); the model draws nothing.
//
// Threads: belongs to the check options page on the user interface thread. FindAnchor
// shows its messages through the prompter given at construction, which must outlive it.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/common/prompter.h"

// A selection from `start` up to, not including, `end`.
struct TextRange {
  int start = 0;
  int end = 0;
  bool Empty() const { return end <= start; }
  bool operator==(const TextRange&) const = default;
};

// The check area as stored in the watch item: bytes of the raw text counted from the end
// of the anchor keyword (offset) and from the area's start (size).
struct CheckArea {
  int offset = 0;
  int size = 0;
  bool operator==(const CheckArea&) const = default;
};

class CSourceText {
 public:
  explicit CSourceText(IPrompter& prompter);

  // Takes a new page text (CP932, as the page loader converted it) and builds the display
  // text; both selections are cleared.
  void SetText(std::string raw);

  const std::string& Raw() const { return m_raw; }
  const std::string& Display() const { return m_display; }
  // For each lone CR or LF that became CR LF: the raw and the display position just after
  // it, ascending. A break at the very end of the text has no pair.
  const std::vector<std::pair<int, int>>& Breaks() const { return m_breaks; }
  // The last highlighted anchor and area, in display positions; (0, 0) for none.
  TextRange AnchorSelection() const { return m_anchorSel; }
  TextRange AreaSelection() const { return m_areaSel; }

  int RawToDisplay(int position) const;
  int DisplayToRaw(int position) const;

  // Looks for the nth occurrence of `keyword` in the display text (nth below 2 counts as
  // 1) and makes it the anchor selection. With fewer occurrences the last one found is
  // used, and the user is told so; with none the user is told that the anchor keyword
  // was not found and the selection is (0, 0). Gives the number of occurrences found (at
  // most nth); 0 for an empty keyword, without a message.
  int FindAnchor(const std::string& keyword, int nth);

  // Which occurrence of its own text the display selection is: 1 + the number of
  // occurrences of that text beginning before the selection. With the text, this names
  // the selection for FindAnchor.
  int OccurrenceIndex(TextRange selection) const;

  // The stored form of an area the user selected in the display text: offset and size in
  // raw bytes from the end of the nth occurrence of `anchor` in the display text (nth
  // below 2 counts as 1), as ExtractArea uses them. Remembers the selection as the area
  // selection. Nothing when the anchor is empty or occurs fewer than nth times.
  std::optional<CheckArea> AreaFromSelection(const std::string& anchor, int nth,
                                             TextRange selection);

  // Makes the stored area the area selection, to be highlighted: the raw area ExtractArea
  // would take, mapped to display positions (beginning at a character's start). false,
  // with the selection (0, 0), when that area is empty, which includes an anchor that
  // occurs fewer than nth times.
  bool FindArea(int offset, int size, const std::string& anchor, int nth);

 private:
  IPrompter& m_prompter;
  std::string m_raw;
  std::string m_display;
  std::vector<std::pair<int, int>> m_breaks;
  TextRange m_anchorSel;
  TextRange m_areaSel;
};
