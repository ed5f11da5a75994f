#include "core/links/link_update_model.h"

#include <algorithm>
#include <numeric>

#include "core/common/prompter.h"
#include "core/links/link_folder.h"
#include "core/links/link_list.h"
#include "platform/file_system.h"

namespace {

constexpr const char* kOpenByForce =
    "リンクファイルが他で使用されている可能性があります。\n更新ダイアログが開けません\n"
    "リンクファイルを強制的に使用しますか？\n";
constexpr const char* kUnusableName = "使用できないファイル名です\n他の名前にして下さい";
constexpr const char* kNameExists = "同名ファイルが存在しています\nファイル名を変更しますか？";
constexpr const char* kUpdateAll = "全て更新";
constexpr const char* kStopUpdate = "更新中止";
constexpr const char* kUpdateEnded = "リンク更新";
constexpr const char* kCaptions[CLinkUpdateModel::kColumnCount] = {"ファイル", "名前",
                                                                   "リンク先ＵＲＬ"};

const std::string& ColumnOf(const FetchRequest& item, int column) {
  return column == 0 ? item.m_savePath : column == 1 ? item.m_name : item.m_url;
}

LinkRowImage ImageOf(LinkResult result) {
  switch (result) {
    case LinkResult::Updated:
      return kImageUpdated;
    case LinkResult::NotUpdated:
      return kImageNotUpdated;
    case LinkResult::Error:
      return kImageError;
    case LinkResult::NotRun:
      break;
  }
  return kImageFilePresent;
}

}  // namespace

CLinkUpdateModel::CLinkUpdateModel(CLinkList& list, IPrompter& prompter, platform::IUiQueue* queue)
    : m_list(list), m_prompter(prompter), m_queue(queue), m_updateCaption(kUpdateAll) {
  m_list.SetNotify(m_queue, this);
}

CLinkUpdateModel::~CLinkUpdateModel() = default;

bool CLinkUpdateModel::Open(const std::string& folder) {
  m_folder = StartingLinkFolder(folder);
  bool opened = OpenList(m_folder);
  if (opened) FillImages();
  return opened;
}

// Opens the list, asking whether to take a lock held elsewhere.
bool CLinkUpdateModel::OpenList(const std::string& folder) {
  if (m_list.Open(folder, false)) return true;
  IPrompter::Answer answer =
      m_prompter.ShowMessage(kOpenByForce, IPrompter::Buttons::YesNo, IPrompter::Icon::Question);
  return answer == IPrompter::Answer::Yes && m_list.Open(folder, true);
}

void CLinkUpdateModel::FillImages() {
  m_images.clear();
  for (int row = 0; row < m_list.GetCount(); ++row) {
    m_images.push_back(platform::FileExists(m_list.FilePath(row)) ? kImageFilePresent
                                                                  : kImageFileMissing);
  }
}

void CLinkUpdateModel::RowsReset() {
  if (m_rowsReset) m_rowsReset();
}

int CLinkUpdateModel::RowCount() const { return static_cast<int>(m_images.size()); }

std::string CLinkUpdateModel::RowText(int row, int column) const {
  return ColumnOf(m_list.GetItem(row), column);
}

int CLinkUpdateModel::RowImage(int row) const {
  return row >= 0 && row < RowCount() ? m_images[row] : kImageFileMissing;
}

std::string CLinkUpdateModel::ColumnCaption(int column) const {
  std::string caption = kCaptions[column];
  if (column == m_sortedColumn) caption += m_descending[column] ? "▽" : "△";
  return caption;
}

// The run counts as over once its end has been told here: the worker itself ends a moment
// later, after that report has been handled.
bool CLinkUpdateModel::IsBusy() const { return m_running; }

LinkResult CLinkUpdateModel::UpdateRow(int row) {
  if (IsBusy() || row < 0 || row >= RowCount()) return LinkResult::NotRun;
  return m_list.UpdateItem(row);
}

void CLinkUpdateModel::ToggleUpdateAll() {
  if (IsBusy()) {
    m_list.StopUpdate();
    return;
  }
  if (m_list.StartUpdateAll()) {
    m_running = true;
    m_updateCaption = kStopUpdate;
  }
}

void CLinkUpdateModel::OnLinkItemDone(int index, LinkResult result, const FetchRequest&) {
  if (index < 0 || index >= RowCount()) return;
  m_images[index] = ImageOf(result);
  if (m_rowChanged) m_rowChanged(index);
}

void CLinkUpdateModel::OnLinkAllDone() {
  m_updateCaption = kUpdateEnded;
  m_running = false;
  if (m_runEnded) m_runEnded();
}

std::vector<int> CLinkUpdateModel::RemoveRows(std::vector<int> rows, bool withFiles) {
  std::vector<int> removed;
  if (IsBusy()) return removed;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  // From the last one, so that the rows still to go keep their numbers.
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    int failed = withFiles ? m_list.RemoveItemAndFile(*row) : m_list.RemoveItem(*row);
    if (failed) break;
    m_images.erase(m_images.begin() + *row);
    removed.insert(removed.begin(), *row);
  }
  return removed;
}

// The checks of a new file name for a link; shows their messages.
bool CLinkUpdateModel::FileNameUsable(const std::string& name, const std::string& current) {
  if (name == current) return true;
  int found = CheckLinkFileName(m_list.Folder(), name);
  if (found < 0) {
    m_prompter.ShowMessage(kUnusableName, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return false;
  }
  return found == 0 || m_prompter.ShowMessage(kNameExists, IPrompter::Buttons::YesNo,
                                               IPrompter::Icon::Question) == IPrompter::Answer::Yes;
}

bool CLinkUpdateModel::ApplyFileName(int row, const std::string& name) {
  if (row < 0 || row >= RowCount() || name.empty()) return false;
  FetchRequest item = m_list.GetItem(row);
  if (!FileNameUsable(name, item.m_savePath)) return false;
  // The file on disk keeps its name: the link now names the other file.
  if (name != item.m_savePath) {
    item.m_savePath = name;
    m_list.SetItem(row, item);
  }
  return true;
}

bool CLinkUpdateModel::ApplyItemEdit(int row, const std::string& fileName, const std::string& name,
                                     const std::string& url) {
  if (row < 0 || row >= RowCount()) return false;
  FetchRequest item = m_list.GetItem(row);
  bool changed = false;
  if (fileName != item.m_savePath) {
    if (fileName.empty() || !FileNameUsable(fileName, item.m_savePath)) return false;
    item.m_savePath = fileName;
    changed = true;
  }
  if (name != item.m_name) {
    item.m_name = name;
    changed = true;
  }
  if (url != item.m_url) {
    item.m_url = url;
    changed = true;
  }
  if (changed) {
    m_list.SetItem(row, item);
    if (m_rowChanged) m_rowChanged(row);
  }
  return changed;
}

FetchRequest CLinkUpdateModel::WatchItemRequest(int row) const {
  FetchRequest request = m_list.GetItem(row);
  request.m_savePath = m_list.FilePath(row);
  return request;
}

bool CLinkUpdateModel::SortBy(int column) {
  if (IsBusy() || column < 0 || column >= kColumnCount) return false;
  bool descending = !m_descending[column];
  m_descending = {0, 0, 0};
  m_descending[column] = descending;
  m_sortedColumn = column;

  std::vector<std::string> keys;
  for (int row = 0; row < RowCount(); ++row) keys.push_back(RowText(row, column));
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  // Byte-wise, as the texts are stored; equal texts keep their order.
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return descending ? keys[b] < keys[a] : keys[a] < keys[b];
  });
  std::vector<int> images;
  for (int old : order) images.push_back(m_images[old]);
  m_images = std::move(images);
  // The list takes the order shown, so that it is saved so.
  m_list.Reorder(order);
  RowsReset();
  return true;
}

std::string CLinkUpdateModel::CommitFolder(const std::string& text) {
  if (IsBusy()) return m_folder;
  std::string folder = text;
  bool changed = false;
  if (CommitFolderText(folder, m_folder, changed) != 0) {
    m_prompter.ShowMessage(folder, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return m_folder;
  }
  if (!changed) return m_folder;
  m_list.Save();
  std::string previous = m_folder;
  if (OpenList(folder)) {
    m_folder = folder;
  } else {
    // Back to the folder left; should another program hold it by now, its list stays
    // empty here and nothing of it can be harmed.
    m_list.Open(previous, false);
  }
  FillImages();
  RowsReset();
  return m_folder;
}

bool CLinkUpdateModel::Close() {
  if (IsBusy()) return false;
  // What the save shows is all the user learns; the dialog ends either way.
  m_list.Save();
  return true;
}
