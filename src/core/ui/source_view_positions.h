// Between the byte positions of CSourceText's display text and the positions of a text
// control that shows it: the control counts characters (a CP932 double-byte character is
// one, as is a half-width katakana byte) and shows each CR LF as one line break.
//
// Threads: any; a value.
#pragma once

#include <string>
#include <vector>

class CSourceViewPositions {
 public:
  // `display`: CP932 text whose line breaks are all CR LF.
  explicit CSourceViewPositions(const std::string& display);

  // The display text with every CR LF as LF: what the control is given (still CP932).
  const std::string& ViewText() const { return m_viewText; }
  // A control position (0 to the number of characters) as a display byte position.
  int ToDisplay(int viewPosition) const;
  // A display byte position as a control position; a position inside a character or a
  // CR LF counts as that character's start.
  int ToView(int displayPosition) const;

 private:
  std::string m_viewText;
  std::vector<int> m_starts;  // display position of each character, and the end
};
