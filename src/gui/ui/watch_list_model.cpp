#include "gui/ui/watch_list_model.h"

#include <ctime>

#include "core/watch/calendar.h"
#include "core/watch/watch_list.h"

namespace {

// The picture of an update mark; a mark the program does not know shows as an error.
WatchListRow::Image ImageOf(UpdateMark mark) {
  switch (mark) {
    case UpdateMark::None:
      return WatchListRow::kNoUpdate;
    case UpdateMark::Updated:
      return WatchListRow::kUpdated;
    default:
      return WatchListRow::kError;
  }
}

}  // namespace

std::string CWatchListModel::TimeText(int time) {
  if (time == -1) return {};
  std::tm local = LocalTime(static_cast<std::time_t>(time));
  char text[32];
  if (std::strftime(text, sizeof text, "%y/%m/%d %H:%M:%S", &local) == 0) return {};
  return text;
}

std::string CWatchListModel::LastUpdateText(const WatchItem& item) {
  if (item.m_lastUpdate != 0 && item.m_lastUpdate != -1) return TimeText(item.m_lastUpdate);
  if (item.m_lastModified != 0 && item.m_lastModified != -1) {
    return TimeText(item.m_lastModified);
  }
  // Neither an update seen nor a date from the server (or never fetched): unknown.
  return "不明";
}

std::string CWatchListModel::LastCheckText(const WatchItem& item) {
  return item.m_lastCheck == 0 ? std::string("未確認") : TimeText(item.m_lastCheck);
}

std::string CWatchListModel::LastCheckText(const WatchItem& item, int alertAfter) {
  std::string text = LastCheckText(item);
  if (alertAfter > 0 && item.m_errorCount >= alertAfter) {
    text += " (" + std::to_string(item.m_errorCount) + " 回続けて失敗)";
  }
  return text;
}

WatchListRow CWatchListModel::MakeRow(const WatchItem& item, int alertAfter) {
  WatchListRow row;
  row.m_itemId = item.m_id;
  row.m_image = ImageOf(item.m_renewMark);
  // An item without a name is known by its address.
  row.m_texts = {item.m_name.empty() ? item.m_url : item.m_name, LastUpdateText(item),
                 LastCheckText(item, alertAfter), item.ScheduleText(), item.m_url, item.m_tags};
  row.m_checked = item.m_active == 1;
  return row;
}

void CWatchListModel::Forget() {
  for (auto it = m_pendingDelete.begin(); it != m_pendingDelete.end();) {
    it = m_list.FindById(*it) < 0 ? m_pendingDelete.erase(it) : std::next(it);
  }
  for (auto it = m_pendingActive.begin(); it != m_pendingActive.end();) {
    int position = m_list.FindById(it->first);
    bool applied = position < 0 || (m_list.GetItemPtr(position)->m_active == 1) == it->second;
    it = applied ? m_pendingActive.erase(it) : std::next(it);
  }
}

std::vector<int> CWatchListModel::VisiblePositions() {
  Forget();
  std::vector<int> positions;
  for (int i = 0; i < m_list.GetCount(); ++i) {
    if (!m_pendingDelete.count(m_list.GetItemPtr(i)->m_id)) positions.push_back(i);
  }
  return positions;
}

bool CWatchListModel::Expected(const WatchItem& item) const {
  auto pending = m_pendingActive.find(item.m_id);
  return pending != m_pendingActive.end() ? pending->second : item.m_active == 1;
}

std::vector<WatchListRow> CWatchListModel::Rows() {
  std::vector<WatchListRow> rows;
  for (int position : VisiblePositions()) {
    const WatchItem& item = *m_list.GetItemPtr(position);
    rows.push_back(MakeRow(item, m_errorAlertAfter ? *m_errorAlertAfter : 0));
    rows.back().m_checked = Expected(item);
  }
  return rows;
}

WatchListRow CWatchListModel::RowOf(unsigned id) {
  Forget();
  int position = m_list.FindById(id);
  if (position < 0) return {};
  const WatchItem& item = *m_list.GetItemPtr(position);
  WatchListRow row = MakeRow(item, m_errorAlertAfter ? *m_errorAlertAfter : 0);
  row.m_checked = Expected(item);
  return row;
}

int CWatchListModel::PositionOf(unsigned id) const {
  if (m_pendingDelete.count(id)) return -1;
  return m_list.FindById(id);
}

bool CWatchListModel::Acknowledge(unsigned id) {
  int position = PositionOf(id);
  if (position < 0) return false;
  return m_list.Acknowledge(position);
}

bool CWatchListModel::SetMark(unsigned id) {
  int position = PositionOf(id);
  if (position < 0) return false;
  WatchItem* item = m_list.GetItemPtr(position);
  if (item->m_renewMark == UpdateMark::Updated) return false;
  item->m_renewMark = UpdateMark::Updated;
  m_list.MarkDirty();
  return true;
}

std::vector<unsigned> CWatchListModel::ClearAllMarks() {
  std::vector<unsigned> changed;
  for (int position : VisiblePositions()) {
    unsigned id = m_list.GetItemPtr(position)->m_id;
    if (Acknowledge(id)) changed.push_back(id);
  }
  return changed;
}

unsigned CWatchListModel::FirstMarked() {
  for (int position : VisiblePositions()) {
    const WatchItem& item = *m_list.GetItemPtr(position);
    if (item.m_renewMark == UpdateMark::Updated) return item.m_id;
  }
  return 0;
}

unsigned CWatchListModel::SyncCheckBoxes(const std::vector<bool>& boxes) {
  std::vector<int> positions = VisiblePositions();
  for (std::size_t row = 0; row < boxes.size() && row < positions.size(); ++row) {
    WatchItem item = *m_list.GetItemPtr(positions[row]);
    if (Expected(item) == boxes[row]) continue;
    unsigned id = item.m_id;
    if (m_list.IsUnderCheck(id)) {
      m_pendingActive[id] = boxes[row];
      m_deferred.insert(id);
      return id;
    }
    item.m_active = boxes[row] ? 1 : 0;
    m_list.ReplaceItem(positions[row], item);
    int now = m_list.FindById(id);
    if (now < 0 || (m_list.GetItemPtr(now)->m_active == 1) != boxes[row]) {
      m_pendingActive[id] = boxes[row];
    } else {
      m_pendingActive.erase(id);
    }
    return id;
  }
  return 0;
}

bool CWatchListModel::SubmitDeferred() {
  bool submitted = false;
  for (auto it = m_deferred.begin(); it != m_deferred.end();) {
    unsigned id = *it;
    int position = m_list.FindById(id);
    auto pending = m_pendingActive.find(id);
    if (position < 0 || pending == m_pendingActive.end() || m_pendingDelete.count(id)) {
      it = m_deferred.erase(it);  // gone, or ticked back meanwhile
      continue;
    }
    if (m_list.IsUnderCheck(id)) {
      ++it;
      continue;
    }
    bool wanted = pending->second;
    it = m_deferred.erase(it);
    WatchItem item = *m_list.GetItemPtr(position);
    if ((item.m_active == 1) == wanted) continue;
    item.m_active = wanted ? 1 : 0;
    m_list.ReplaceItem(position, item);
    submitted = true;
  }
  return submitted;
}

bool CWatchListModel::Delete(unsigned id) {
  int position = PositionOf(id);
  if (position < 0) return false;
  m_list.DeleteItem(position);
  if (m_list.FindById(id) >= 0) m_pendingDelete.insert(id);
  m_pendingActive.erase(id);
  return true;
}

void CWatchListModel::CheckNow(unsigned id) {
  int position = PositionOf(id);
  if (position >= 0) m_list.CheckNow(position);
}

void CWatchListModel::CheckAll() { m_list.CheckNow(-1); }

bool CWatchListModel::WidthsDiffer(const std::array<int, 5>& stored,
                                   const std::array<int, 5>& now) {
  return stored != now;
}
