// The layout rule of the main window's top buttons, without any window: each button keeps
// the distance of its right edge from the right edge of the client area that it had when
// the window opened, as long as the client area is at least the minimum width.
#pragma once

#include <vector>

class CButtonRow {
 public:
  explicit CButtonRow(int minimumWidth) : m_minimumWidth(minimumWidth) {}

  // At initialisation: the client width and each button's right edge, left to right.
  void Record(int clientWidth, const std::vector<int>& rightEdges);

  struct Move {
    int button;  // index, left to right
    int left;    // new left edge
  };
  // A resize to `clientWidth`: the moves in the order to make them (none below the
  // minimum width). When the width grew the right-most button moves first, otherwise the
  // left-most, so that no button passes over another. Remembers the width for next time.
  std::vector<Move> Resize(int clientWidth, const std::vector<int>& buttonWidths);

  int LastWidth() const { return m_lastWidth; }
  const std::vector<int>& Offsets() const { return m_offsets; }

 private:
  int m_minimumWidth;
  int m_lastWidth = 0;
  std::vector<int> m_offsets;
};
