// What a finished check does on the user-interface thread: the result row, the update mark,
// the copy of the checked item back into the watch list (which tells the windows that show
// it), and the next dispatch. The rows go to whichever front end shows them (the desktop
// program's results list, the terminal).
//
// Threads: UI thread only (the engine's reports arrive through the UI queue). The list and
// the view are owned by the caller and outlive this object.
#pragma once

#include <string>

#include "core/check/check_notify.h"
#include "core/watch/watch_item.h"

class CWatchList;

inline constexpr const char* kUpdatedText = "更新されています";
inline constexpr const char* kMailFailedText = "更新通知メールが送れませんでした";
// The row of a notification that could not be sent begins so: "<text>: <address>: <reason>".
inline constexpr const char* kNotifyFailedText = "通知を送れませんでした";

// One row of the results list: time, page, result, and the result's icon.
struct ResultRow {
  enum Image { kNotUpdated = 0, kUpdated = 1, kError = 2 };
  std::string m_time;   // the check's start time, local, "%H:%M"
  std::string m_page;   // the page's name, else its URL
  std::string m_text;   // "更新されています", "更新されていません", "エラー(status=%d)", ...
  int m_image = kNotUpdated;
  unsigned m_itemId = 0;  // the item's identity in the list (CWatchList::FindById); 0 for a
                          // row that carries no item (a failed notification mail)
};

// The front end's side. Called on the UI thread.
class IResultView {
 public:
  virtual ~IResultView() = default;
  // A new row; the newest row goes on top.
  virtual void AddResultRow(const ResultRow& row) = 0;
};

class CCheckResults : public ICheckNotify {
 public:
  CCheckResults(CWatchList& list, IResultView& view) : m_list(list), m_view(view) {}

  // WM_CHECK_DONE: row, update mark, copy back, end of the check (next dispatch). The
  // midnight wake-up (an item without URL) adds no row and changes no item.
  void OnCheckDone(const WatchItem& item) override;
  // WM_MAIL_FAILED: the row "更新通知メールが送れませんでした", carrying no item.
  void OnMailFailed(const WatchItem& item) override;
  // A row with `text`, carrying no item, as for the mail.
  void OnNotifyFailed(const WatchItem& item, const std::string& text) override;

  // The row for a checked item.
  static ResultRow MakeRow(const WatchItem& item);
  // The result column's text for a checked item.
  static std::string ResultText(const WatchItem& item);
  // The update mark after a check: an update marks the item Updated; no update clears an
  // Unknown mark; an error marks Unknown an item that had None. An Updated mark stays until
  // the user has seen it.
  static UpdateMark NextRenewMark(UpdateMark mark, CheckResult result);

 private:
  CWatchList& m_list;
  IResultView& m_view;
};
