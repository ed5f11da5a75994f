// What the watch list window shows and does, without any window: the texts of each row,
// the update-mark commands, the check boxes and the deletions. The window draws the rows
// this model gives and hands it every command.
//
// Rows and queued changes. While a check runs the watch list queues changes and applies
// them when the check ends (core/watch/watch_list.h). The window must look as if they had
// happened: a deleted row goes at once, an un-ticked box stays un-ticked. The model
// therefore keeps the deletions and check-box changes it has queued, shows the list
// without the items waiting to be deleted, shows a waiting check-box state instead of the
// item's own, and forgets each of them once the list has applied it. Each row carries its
// item's identity (WatchItem::m_id), by which the model finds the item in the list.
//
// Threads: UI thread only. The list is owned by the caller and outlives the model.
#pragma once

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/watch/watch_item.h"

class CWatchList;

// One row of the watch list window.
struct WatchListRow {
  enum Image { kNoUpdate = 0, kUpdated = 1, kError = 2 };
  unsigned m_itemId = 0;
  int m_image = kNoUpdate;  // the update mark RnwM
  // "サイト名", "最終更新日時", "最終チェック日時", "スケジュール", "リンク先ＵＲＬ", "タグ"
  std::array<std::string, 6> m_texts;
  bool m_checked = false;  // takes part in scheduled checks

  bool operator==(const WatchListRow&) const = default;
};

class CWatchListModel {
 public:
  // `errorAlertAfter` (may be null) is the live "連続エラーの通知": items whose checks have
  // failed that many times in a row are marked.
  explicit CWatchListModel(CWatchList& list, const int* errorAlertAfter = nullptr)
      : m_list(list), m_errorAlertAfter(errorAlertAfter) {}

  // A time as the list shows it, local "%y/%m/%d %H:%M:%S"; empty for -1 (never fetched).
  static std::string TimeText(int time);
  // "最終更新日時": the last detected update, else the page's own last-modified time, else
  // "不明".
  static std::string LastUpdateText(const WatchItem& item);
  // "最終チェック日時": the start of the last check, or "未確認".
  static std::string LastCheckText(const WatchItem& item);
  // "最終チェック日時" with " (N 回続けて失敗)" after it when the item's checks have failed
  // `alertAfter` (above 0) times in a row or more.
  static std::string LastCheckText(const WatchItem& item, int alertAfter);
  // The row of an item as it stands in the list (its own check-box state); `alertAfter`
  // as in LastCheckText.
  static WatchListRow MakeRow(const WatchItem& item, int alertAfter = 0);

  // The rows as the window must show them now, top to bottom.
  std::vector<WatchListRow> Rows();
  // The row of the item with identity `id` as it must show now.
  WatchListRow RowOf(unsigned id);

  // Position in the list of the item with identity `id`, -1 when it is gone or waits to
  // be deleted (commands then do nothing).
  int PositionOf(unsigned id) const;

  // The update mark. Each gives true when the item's mark changed (its row needs
  // redrawing); the list is then marked modified.
  bool Acknowledge(unsigned id);  // a mark 1 becomes 0; any other mark stays
  bool SetMark(unsigned id);      // the mark becomes 1
  // Every item whose mark is 1 gets 0; the identities of the items changed.
  std::vector<unsigned> ClearAllMarks();
  // The first item in list order whose mark is 1; 0 when none.
  unsigned FirstMarked();

  // The check boxes as the window shows them, top to bottom: the first row whose box
  // differs from what the row should show has its item replaced by a copy with that
  // state (one change per call). The identity of the item changed, or 0.
  // The item a check is running on is not replaced while it runs: a copy made now would
  // put its state from before the check back over the check's result. Its change waits
  // and is handed to the list by SubmitDeferred once that check has ended.
  unsigned SyncCheckBoxes(const std::vector<bool>& boxes);
  // Hands the list the check-box changes that waited for the end of a check; call after
  // every check. true when one was handed over.
  bool SubmitDeferred();
  // Changes of the window's wait for the list (a delete, a check box, a deferred box).
  bool HasQueued() const {
    return !m_pendingDelete.empty() || !m_pendingActive.empty() || !m_deferred.empty();
  }
  // Deletes the item (queued while a check runs); false when it is not shown.
  bool Delete(unsigned id);
  // "直ちにチェック" for the item; CheckAll for every active item.
  void CheckNow(unsigned id);
  void CheckAll();

  // Whether the widths read from the control differ from the stored ones.
  static bool WidthsDiffer(const std::array<int, 5>& stored, const std::array<int, 5>& now);

 private:
  // Forgets queued changes that the list has applied.
  void Forget();
  std::vector<int> VisiblePositions();
  bool Expected(const WatchItem& item) const;

  CWatchList& m_list;
  const int* m_errorAlertAfter;
  std::set<unsigned> m_pendingDelete;
  std::map<unsigned, bool> m_pendingActive;
  std::set<unsigned> m_deferred;  // check-box changes waiting for the end of a check
};
