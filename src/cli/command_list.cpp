#include "cli/command_list.h"

#include <ctime>

#include "cli/cli_session.h"
#include "cli/console.h"
#include "cli/item_json.h"
#include "core/watch/calendar.h"
#include "core/watch/item_tags.h"
#include "core/watch/watch_list.h"
#include "core/watch/watch_list_notice.h"

std::string ListLine(const WatchItem& item, int position) {
  std::string checked = "未確認";
  if (item.m_lastCheck != 0) {
    std::tm local = LocalTime(static_cast<std::time_t>(item.m_lastCheck));
    char text[32];
    std::strftime(text, sizeof text, "%y/%m/%d %H:%M:%S", &local);
    checked = text;
  }
  return std::to_string(position + 1) + "\t" + std::to_string(StoredNumber(item.m_renewMark)) +
         "\t" + std::to_string(item.m_active) + "\t" + item.ScheduleText() + "\t" + checked + "\t" +
         (item.m_name.empty() ? item.m_url : item.m_name);
}

int RunListCommand(const std::string& homeArgument, bool json, const std::string& tag) {
  CCliSession session;
  if (int status = session.Open(homeArgument, CCliSession::Access::Read)) return status;
  CWatchList list;
  list.Load();
  if (json) {
    nlohmann::json items = nlohmann::json::array();
    for (int i = 0; i < list.GetCount(); ++i) {
      if (HasTag(list.GetItem(i), tag)) items.push_back(ItemJson(list.GetItem(i), i));
    }
    PrintUtf8Line(items.dump(2));
    return 0;
  }
  for (int i = 0; i < list.GetCount(); ++i) {
    if (HasTag(list.GetItem(i), tag)) PrintLine(ListLine(list.GetItem(i), i));
  }
  CTerminalPrompter prompter;
  return ConfirmWatchListLoad(list, prompter, false) ? 0 : 1;
}
