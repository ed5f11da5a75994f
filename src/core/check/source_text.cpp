#include "core/check/source_text.h"

#include <algorithm>

#include "core/check/keyword_search.h"
#include "platform/cp932.h"

namespace {

const char kAnchorNotFound[] = "アンカーキーワードが見つかりませんでした。";
const char kNthAnchorNotFound[] =
    "番目のアンカーキーワードが見つからなかったので、最後に見つかった同じ文字列を採用します。";

// The last pair whose chosen side is at or before `position`, or nullptr.
const std::pair<int, int>* LastPairAtOrBefore(const std::vector<std::pair<int, int>>& pairs,
                                              int position, bool bySecond) {
  auto after = std::upper_bound(pairs.begin(), pairs.end(), position,
                                [bySecond](int value, const std::pair<int, int>& pair) {
                                  return value < (bySecond ? pair.second : pair.first);
                                });
  return after == pairs.begin() ? nullptr : &*(after - 1);
}

int Clamp(int position, const std::string& text) {
  return std::clamp(position, 0, static_cast<int>(text.size()));
}

}  // namespace

CSourceText::CSourceText(IPrompter& prompter) : m_prompter(prompter) {}

void CSourceText::SetText(std::string raw) {
  m_raw = std::move(raw);
  m_display.clear();
  m_display.reserve(m_raw.size() + m_raw.size() / 16);
  m_breaks.clear();
  m_anchorSel = {};
  m_areaSel = {};
  for (std::size_t pos = 0; pos < m_raw.size(); ++pos) {
    char byte = m_raw[pos];
    if (byte != '\r' && byte != '\n') {
      m_display += byte;
      continue;
    }
    m_display += "\r\n";
    if (byte == '\r' && pos + 1 < m_raw.size() && m_raw[pos + 1] == '\n') {
      ++pos;  // a CR LF pair stays as it is and needs no pair
      continue;
    }
    m_breaks.emplace_back(static_cast<int>(pos + 1), static_cast<int>(m_display.size()));
  }
  if (!m_breaks.empty() && (m_breaks.back().first >= static_cast<int>(m_raw.size()) ||
                            m_breaks.back().second >= static_cast<int>(m_display.size()))) {
    m_breaks.pop_back();
  }
}

int CSourceText::RawToDisplay(int position) const {
  const std::pair<int, int>* pair = LastPairAtOrBefore(m_breaks, position, false);
  return pair == nullptr ? position : pair->second + (position - pair->first);
}

int CSourceText::DisplayToRaw(int position) const {
  const std::pair<int, int>* pair = LastPairAtOrBefore(m_breaks, position, true);
  return pair == nullptr ? position : pair->first + (position - pair->second);
}

int CSourceText::FindAnchor(const std::string& keyword, int nth) {
  m_anchorSel = {};
  if (keyword.empty()) return 0;
  if (nth < 2) nth = 1;
  COccurrenceScan scan(m_display, keyword);
  std::size_t last = COccurrenceScan::npos;
  int found = 0;
  while (found < nth) {
    std::size_t position = scan.Next();
    if (position == COccurrenceScan::npos) break;
    last = position;
    ++found;
  }
  if (found == 0) {
    m_prompter.ShowMessage(kAnchorNotFound, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return 0;
  }
  if (found < nth) {
    m_prompter.ShowMessage(std::to_string(nth) + kNthAnchorNotFound, IPrompter::Buttons::Ok,
                           IPrompter::Icon::Warning);
  }
  m_anchorSel = {static_cast<int>(last), static_cast<int>(last + keyword.size())};
  return found;
}

int CSourceText::OccurrenceIndex(TextRange selection) const {
  int start = Clamp(selection.start, m_display);
  int end = std::max(start, Clamp(selection.end, m_display));
  std::string selected = m_display.substr(start, end - start);
  // Occurrences that begin before the selection count even where they overlap it, as
  // FindAnchor counts them.
  COccurrenceScan scan(m_display, selected);
  int before = 0;
  for (std::size_t position = scan.Next();
       position != COccurrenceScan::npos && position < static_cast<std::size_t>(start);
       position = scan.Next()) {
    ++before;
  }
  return before + 1;
}

std::optional<CheckArea> CSourceText::AreaFromSelection(const std::string& anchor, int nth,
                                                        TextRange selection) {
  std::size_t found = COccurrenceScan(m_display, anchor).Nth(nth < 2 ? 1 : nth);
  if (found == COccurrenceScan::npos) return std::nullopt;
  int start = Clamp(selection.start, m_display);
  int end = std::max(start, Clamp(selection.end, m_display));
  m_areaSel = {start, end};
  int anchorEnd = static_cast<int>(found + anchor.size());
  return CheckArea{DisplayToRaw(start) - DisplayToRaw(anchorEnd),
                   DisplayToRaw(end) - DisplayToRaw(start)};
}

bool CSourceText::FindArea(int offset, int size, const std::string& anchor, int nth) {
  m_areaSel = {};
  std::size_t found = COccurrenceScan(m_raw, anchor).Nth(nth < 2 ? 1 : nth);
  if (found == COccurrenceScan::npos || size <= 0) return false;
  // The same area ExtractArea takes at check time.
  long long start = static_cast<long long>(found + anchor.size()) + offset;
  long long rawSize = static_cast<long long>(m_raw.size());
  if (start >= rawSize) return false;
  start = std::max(start, 0LL);
  long long end = std::min(start + size, rawSize);
  int displayStart = RawToDisplay(static_cast<int>(start));
  int displayEnd = RawToDisplay(static_cast<int>(end));
  // An area cut in the middle of a double-byte character is shown from the next one.
  if (!platform::IsCharBoundary(m_display, static_cast<std::size_t>(displayStart))) {
    ++displayStart;
  }
  if (displayEnd <= displayStart) return false;
  m_areaSel = {displayStart, displayEnd};
  return true;
}
