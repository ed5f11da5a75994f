// The numeric edit control's value: decimal text of any length, stepped up and down by
// its spin buttons within a minimum and a maximum (also decimal texts). Typed text is not
// held to the limits; only the steps respect them.
//
// Threads: UI thread only.
#pragma once

#include <string>

class CNumField {
 public:
  const std::string& Text() const { return m_text; }
  void SetText(std::string text) { m_text = std::move(text); }

  // One up: unless the text equals the maximum (when one is set), the text plus one,
  // keeping its width.
  void StepUp();
  // One down: unless the text equals the minimum or is all zeros, the text minus one,
  // keeping its width.
  void StepDown();

  // 0 set, 1 refused: a non-empty maximum below the minimum is refused; an empty text
  // removes the maximum.
  int SetMaximum(const std::string& maximum);
  // 0 set, 1 refused: an empty minimum or one above the maximum is refused (with no
  // maximum only zeros pass: set the maximum first).
  int SetMinimum(const std::string& minimum);
  const std::string& Maximum() const { return m_maximum; }
  const std::string& Minimum() const { return m_minimum; }

 private:
  std::string m_text;
  std::string m_maximum;
  std::string m_minimum = "0";
};
