#include "cli/command_check.h"

#include <set>

#include "cli/cli_session.h"
#include "cli/console.h"
#include "cli/console_results.h"
#include "cli/item_json.h"
#include "cli/stop_signal.h"
#include "core/watch/item_tags.h"
#include "core/watch/watch_list.h"
#include "core/watch/watch_list_notice.h"

int RunCheckCommand(const std::string& homeArgument, int position, bool json, bool actions,
                    int jobs, const std::string& tag) {
  CCliSession session;
  CStopSignals stopSignals(&session.Queue());
  if (int status = session.Open(homeArgument, CCliSession::Access::Work)) return status;

  std::set<unsigned> waiting;  // identities of the items still to be checked
  nlohmann::json rows = nlohmann::json::array();
  CWatchList* checked = nullptr;
  bool anyFailed = false;
  CConsoleResultView view(
      [&](const ResultRow& row) {
        waiting.erase(row.m_itemId);
        anyFailed = anyFailed || IsFailedCheckRow(row);
        if (!json) return;
        int position = row.m_itemId ? checked->FindById(row.m_itemId) : -1;
        rows.push_back(ResultRowJson(row, position >= 0 ? checked->GetItemPtr(position) : nullptr,
                                     position));
      },
      !json);
  CCheckSession& checks =
      session.StartChecks(view, actions ? CCliSession::Actions::OneShot : CCliSession::Actions::None,
                          jobs);
  CWatchList& list = checks.List();
  if (!ConfirmWatchListLoad(list, *checks.Host().prompter, false)) return 1;
  checked = &list;

  if (position >= list.GetCount()) {
    PrintLine("pagewarden-cli: アイテム " + std::to_string(position + 1) +
                  " はありません (アイテムの数: " + std::to_string(list.GetCount()) + ")",
              stderr);
    return 2;
  }
  for (int i = 0; i < list.GetCount(); ++i) {
    const WatchItem* item = list.GetItemPtr(i);
    if (item->m_active == 1 && (position < 0 || i == position) && HasTag(*item, tag)) {
      waiting.insert(item->m_id);
    }
  }
  if (waiting.empty()) {
    list.Save();
    if (json) PrintUtf8Line(rows.dump(2));
    return 0;
  }

  // Items due for other reasons (start-up, intervals) are left for the resident checker.
  list.SetEligibility([&waiting](const WatchItem& item) { return waiting.count(item.m_id) > 0; });
  list.CheckNow(position);
  session.Serve([&] { return waiting.empty() || StopRequested(); });
  int status = session.CloseWatchList();
  if (json) PrintUtf8Line(rows.dump(2));
  return status == 0 && anyFailed ? kCheckFailedStatus : status;
}
