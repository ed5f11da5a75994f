#include "core/watch/watch_list_notice.h"

#include "core/common/unread_file_notice.h"
#include "core/watch/watch_list.h"

bool ConfirmWatchListLoad(CWatchList& list, IPrompter& prompter, bool ask) {
  std::string detail = "読み込めたアイテム: " + std::to_string(list.GetCount());
  if (!ConfirmUnreadFile(prompter, ask, "ウォッチリスト", CWatchList::FilePath(),
                         list.LoadOutcome(), detail)) {
    return false;
  }
  if (list.RefusesSave()) {
    list.SaveAnyway();
    list.Save();
  }
  return true;
}
