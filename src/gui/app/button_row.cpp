#include "gui/app/button_row.h"

#include <algorithm>

void CButtonRow::Record(int clientWidth, const std::vector<int>& rightEdges) {
  m_lastWidth = clientWidth;
  m_offsets.clear();
  for (int right : rightEdges) m_offsets.push_back(clientWidth - right);
}

std::vector<CButtonRow::Move> CButtonRow::Resize(int clientWidth,
                                                 const std::vector<int>& buttonWidths) {
  std::vector<Move> moves;
  if (clientWidth >= m_minimumWidth) {
    int count = static_cast<int>(std::min(buttonWidths.size(), m_offsets.size()));
    bool grew = clientWidth > m_lastWidth;
    for (int step = 0; step < count; ++step) {
      int button = grew ? count - 1 - step : step;
      moves.push_back({button, clientWidth - buttonWidths[button] - m_offsets[button]});
    }
  }
  m_lastWidth = clientWidth;
  return moves;
}
