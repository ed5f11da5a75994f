#include "core/ui/source_view_positions.h"

#include <algorithm>

namespace {

bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

}  // namespace

CSourceViewPositions::CSourceViewPositions(const std::string& display) {
  m_viewText.reserve(display.size());
  std::size_t at = 0;
  while (at < display.size()) {
    m_starts.push_back(static_cast<int>(at));
    unsigned char byte = static_cast<unsigned char>(display[at]);
    std::size_t length = 1;
    if (byte == '\r' && at + 1 < display.size() && display[at + 1] == '\n') {
      m_viewText += '\n';
      at += 2;
      continue;
    }
    if (IsLeadByte(byte) && at + 1 < display.size()) length = 2;
    m_viewText.append(display, at, length);
    at += length;
  }
  m_starts.push_back(static_cast<int>(display.size()));
}

int CSourceViewPositions::ToDisplay(int viewPosition) const {
  int last = static_cast<int>(m_starts.size()) - 1;
  return m_starts[std::clamp(viewPosition, 0, last)];
}

int CSourceViewPositions::ToView(int displayPosition) const {
  auto after = std::upper_bound(m_starts.begin(), m_starts.end(), displayPosition);
  if (after == m_starts.begin()) return 0;
  return static_cast<int>(after - m_starts.begin()) - 1;
}
