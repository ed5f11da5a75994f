// The rules of the link update dialog ("リンク更新"), without the display: which folder
// is open, what each row shows, what the buttons may do while links are being updated,
// renaming with its file-name checks, removing, sorting, changing the folder and closing.
// Row r always shows link r of the list (sorting reorders the list itself).
//
// Threads: UI thread only. The reports of a run of "全て更新" arrive on the UI thread
// through the queue given to the constructor (its Send); `rowChanged` and `runEnded` are
// then called on the UI thread.
//
// Ownership: the list, the prompter and the queue belong to the caller. The model is the
// list's notify target: the list must be idle, or be destroyed first (which ends its run),
// before the model goes.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/fetch/fetch_request.h"
#include "core/links/link_notify.h"

class CLinkList;
class IPrompter;
namespace platform {
class IUiQueue;
}

// The state pictures of the rows.
enum LinkRowImage {
  kImageFilePresent = 2,  // not updated in this dialog yet
  kImageUpdated = 3,
  kImageNotUpdated = 4,
  kImageFileMissing = 5,
  kImageError = 6,
};

class CLinkUpdateModel : public ILinkNotify {
 public:
  CLinkUpdateModel(CLinkList& list, IPrompter& prompter, platform::IUiQueue* queue);
  ~CLinkUpdateModel() override;

  // Opens `folder` (empty: the user's home folder). A lock held elsewhere is asked about;
  // false when the user declined to use the list by force (the dialog then ends).
  bool Open(const std::string& folder);
  const std::string& Folder() const { return m_folder; }

  int RowCount() const;
  static constexpr int kColumnCount = 3;  // file, name, link address
  std::string RowText(int row, int column) const;
  int RowImage(int row) const;
  // The column captions, the sorted one with "▽" (descending) or "△" (ascending).
  std::string ColumnCaption(int column) const;

  // A run of "全て更新" is going: removing, sorting, updating by double click, changing
  // the folder and closing are refused.
  bool IsBusy() const;
  std::string UpdateButtonCaption() const { return m_updateCaption; }

  // Double click: updates the row's link now; its result (NotRun when refused or out of
  // range).
  LinkResult UpdateRow(int row);
  // "全て更新": starts a run, or asks a running one to stop after its current link.
  void ToggleUpdateAll();
  // "リンク削除" / "ファイル削除" on the selected rows; the rows removed (ascending).
  std::vector<int> RemoveRows(std::vector<int> rows, bool withFiles);
  // The end of label editing: true when the row's file name became `name`.
  bool ApplyFileName(int row, const std::string& name);
  // "リンク編集" ended with OK: applies what changed; false when nothing was applied.
  bool ApplyItemEdit(int row, const std::string& fileName, const std::string& name,
                     const std::string& url);
  // "ウォッチアイテム": the row's request, naming its file by full path.
  FetchRequest WatchItemRequest(int row) const;
  // A click on a column header: sorts the rows (and the list) by that column.
  bool SortBy(int column);
  // The folder edit's text committed (Enter, or a folder chosen with "保存フォルダ"): the
  // text the edit should show afterwards (the new folder, or the current one after a
  // refusal, whose message has been shown).
  std::string CommitFolder(const std::string& text);
  // "閉じる": saves the list; false (nothing done) while busy.
  bool Close();

  // Called on the UI thread when a row's texts or picture changed, and when a run ended.
  void SetRowChanged(std::function<void(int row)> rowChanged) { m_rowChanged = std::move(rowChanged); }
  void SetRunEnded(std::function<void()> runEnded) { m_runEnded = std::move(runEnded); }
  // Called after the rows were refilled (another folder, sorting).
  void SetRowsReset(std::function<void()> rowsReset) { m_rowsReset = std::move(rowsReset); }

  void OnLinkItemDone(int index, LinkResult result, const FetchRequest& item) override;
  void OnLinkAllDone() override;

 private:
  bool OpenList(const std::string& folder);
  void FillImages();
  bool FileNameUsable(const std::string& name, const std::string& current);
  void RowsReset();

  CLinkList& m_list;
  IPrompter& m_prompter;
  platform::IUiQueue* m_queue;
  std::string m_folder;
  std::vector<int> m_images;  // one per row
  bool m_running = false;     // a run of "全て更新" has started and its end not come
  int m_sortedColumn = -1;
  std::array<int, kColumnCount> m_descending = {0, 0, 0};
  std::string m_updateCaption;
  std::function<void(int)> m_rowChanged;
  std::function<void()> m_runEnded;
  std::function<void()> m_rowsReset;
};
