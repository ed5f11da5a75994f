#include "core/check/check_results.h"

#include <cstdio>
#include <ctime>

#include "core/watch/calendar.h"
#include "core/watch/watch_list.h"

namespace {

std::string HourMinute(int time) {
  std::tm local = LocalTime(static_cast<std::time_t>(time));
  char text[16];
  std::strftime(text, sizeof text, "%H:%M", &local);
  return text;
}

std::string PageOf(const WatchItem& item) { return item.m_name.empty() ? item.m_url : item.m_name; }

}  // namespace

void CCheckResults::OnCheckDone(const WatchItem& item) {
  if (!item.m_url.empty()) {
    ResultRow row = MakeRow(item);
    WatchItem checked = item;
    // The mark as the list has it now: the user may have acknowledged it during the check.
    UpdateMark mark = item.m_renewMark;
    if (const WatchItem* current = m_list.GetItemPtr(m_list.FindById(item.m_id))) {
      mark = current->m_renewMark;
    }
    checked.m_renewMark = NextRenewMark(mark, item.m_result);
    if (!m_list.TakeCheckResult(checked)) row.m_itemId = 0;  // the item left the list meanwhile
    m_view.AddResultRow(row);
  }
  m_list.OnCheckDone(item.m_id);
}

void CCheckResults::OnMailFailed(const WatchItem& item) { OnNotifyFailed(item, kMailFailedText); }

void CCheckResults::OnNotifyFailed(const WatchItem& item, const std::string& text) {
  ResultRow row;
  row.m_time = HourMinute(item.m_lastCheck);
  row.m_page = PageOf(item);
  row.m_text = text;
  row.m_image = ResultRow::kError;
  m_view.AddResultRow(row);
}

ResultRow CCheckResults::MakeRow(const WatchItem& item) {
  ResultRow row;
  row.m_time = HourMinute(item.m_lastCheck);
  row.m_page = PageOf(item);
  row.m_text = ResultText(item);
  row.m_image = item.m_result == CheckResult::Updated      ? ResultRow::kUpdated
                : item.m_result == CheckResult::NotUpdated ? ResultRow::kNotUpdated
                                                           : ResultRow::kError;
  row.m_itemId = item.m_id;
  return row;
}

std::string CCheckResults::ResultText(const WatchItem& item) {
  if (item.m_result == CheckResult::Updated) return kUpdatedText;
  if (item.m_result == CheckResult::NotUpdated) return "更新されていません";
  // Status 2 is the retriever's own failure, told by its message.
  if (item.m_errorStatus == 2) return item.m_errorText;
  char text[64];
  std::snprintf(text, sizeof text, "エラー(status=%d)", item.m_errorStatus);
  return text;
}

UpdateMark CCheckResults::NextRenewMark(UpdateMark mark, CheckResult result) {
  switch (result) {
    case CheckResult::Updated:
      return UpdateMark::Updated;
    case CheckResult::NotUpdated:
      return mark == UpdateMark::Unknown ? UpdateMark::None : mark;
    case CheckResult::Error:
      return mark == UpdateMark::None ? UpdateMark::Unknown : mark;
    default:
      return mark;
  }
}
