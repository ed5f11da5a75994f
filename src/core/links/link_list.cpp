#include "core/links/link_list.h"

#include <cstdio>

#include "core/common/app_settings.h"
#include "core/common/prompter.h"
#include "core/common/version.h"
#include "core/check/compare_page.h"
#include "core/fetch/fetch_job.h"
#include "core/common/path_utils.h"
#include "core/links/link_folder.h"
#include "core/links/link_notify.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/ui_queue.h"

namespace {

constexpr const char* kAppendBusy =
    "更新データファイルが他の作業で使用中です。\nデータを強制的に書き出しますか？\n";
constexpr const char* kCannotWrite = "リンクリストを書き出せませんでした。";
constexpr const char* kDiskFault = "ディスクの異常を検知しました。\n保存できませんでした。";

// The file name a record names: lists made on Windows hold full paths with backslashes.
std::string FileNameOf(const std::string& savePath) {
  return AfterLast(AfterLast(savePath, '\\'), '/');
}

long long FileSize(const std::string& path) {
  platform::FileStatus status;
  return platform::StatFile(path, status) ? status.size : -1;
}

}  // namespace

CLinkList::CLinkList(LinkListEnvironment environment) : m_environment(std::move(environment)) {}

CLinkList::~CLinkList() {
  StopUpdate();
  if (m_worker.joinable()) m_worker.join();
  if (m_holdsDialogLock) ReleaseLock(kDialogLock);
}

IPrompter& CLinkList::Prompter() const { return *m_environment.m_prompter; }

FetchSettings CLinkList::SettingsForFetch() const {
  FetchSettings settings = m_environment.m_fetch;
  if (m_environment.m_settings) {
    settings.m_proxy = m_environment.m_settings->m_proxy;
    settings.m_noProxyForLocal = m_environment.m_settings->m_noProxyForLocal;
  }
  return settings;
}

std::string CLinkList::LockPath(int kind) const {
  return m_folder + (kind == kDialogLock ? "/dialog.lock" : "/append.lock");
}

std::string CLinkList::ListPath() const { return m_folder + "/" + kLinkListName; }

int CLinkList::TakeLock(int kind) {
  std::string path = LockPath(kind);
  if (platform::FileExists(path)) return kLockHeld;
  // Created only if still absent: of two programs taking the lock at once, one gets it.
  FILE* file = platform::OpenFile(path, "wbx");
  if (!file) return platform::FileExists(path) ? kLockHeld : kLockFailed;
  std::string text = std::string(kProductName) + "[" + std::to_string(platform::Now()) + "]";
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return kLockTaken;
}

void CLinkList::ReleaseLock(int kind) {
  if (!m_folder.empty()) platform::RemoveFile(LockPath(kind));
}

int CLinkList::Open(const std::string& folder, bool force) {
  // A lock of the folder opened before is not left behind for ever.
  if (m_holdsDialogLock) ReleaseLock(kDialogLock);
  m_holdsDialogLock = false;
  m_folder = TrimFolderText(folder);
  {
    std::lock_guard lock(m_mutex);
    m_items.clear();
    m_modified = false;
  }
  m_sizeAtLoad = 0;

  int dialog = TakeLock(kDialogLock);
  if (dialog == kLockHeld) {
    if (!force) return 0;
    platform::RemoveFile(LockPath(kDialogLock));
    dialog = TakeLock(kDialogLock);
  }
  int append = TakeLock(kAppendLock);
  if (append == kLockHeld) {
    if (!force) {
      if (dialog == kLockTaken) ReleaseLock(kDialogLock);
      return 0;
    }
    platform::RemoveFile(LockPath(kAppendLock));
    append = TakeLock(kAppendLock);
  }
  ReadList();
  if (append == kLockTaken) ReleaseLock(kAppendLock);
  m_holdsDialogLock = dialog == kLockTaken;
  return 1;
}

void CLinkList::ReadList() {
  FILE* file = platform::OpenFile(ListPath(), "r");
  if (!file) return;
  std::vector<FetchRequest> items;
  FetchRequest request;
  // Only whole records count as read: a record the companion is still writing belongs to
  // the part that is copied unchanged when the list is saved.
  while (request.Read(file) == 1) {
    request.m_savePath = FileNameOf(request.m_savePath);
    items.push_back(request);
    m_sizeAtLoad = std::ftell(file);
  }
  std::fclose(file);
  std::lock_guard lock(m_mutex);
  m_items = std::move(items);
}

int CLinkList::Save() {
  if (!IsModified()) {
    if (m_holdsDialogLock) ReleaseLock(kDialogLock);
    m_holdsDialogLock = false;
    return 0;
  }
  bool appendTaken = false;
  for (;;) {
    int taken = TakeLock(kAppendLock);
    appendTaken = taken == kLockTaken;
    // A lock that cannot be made is no other program's: the write below tells the fault.
    if (taken != kLockHeld) break;
    IPrompter::Answer answer = Prompter().ShowMessage(kAppendBusy, IPrompter::Buttons::YesNoCancel,
                                                      IPrompter::Icon::Question);
    if (answer == IPrompter::Answer::Yes) break;
    if (answer != IPrompter::Answer::No) return -1;
  }

  std::string temporary = UniqueFileName(m_folder + "/tmp.hlk");
  if (!WriteItems(temporary)) {
    platform::RemoveFile(temporary);
    Prompter().ShowMessage(kCannotWrite, IPrompter::Buttons::Ok, IPrompter::Icon::Error);
    ReleaseSaveLocks(appendTaken);
    return -1;
  }
  // The new list takes the old one's name only when it is complete, appended records
  // included: at no moment is there no list, or a list without them.
  if (!CopyAppended(temporary) || !platform::RenameFile(temporary, ListPath())) {
    platform::RemoveFile(temporary);
    Prompter().ShowMessage(kDiskFault, IPrompter::Buttons::Ok, IPrompter::Icon::Error);
    ReleaseSaveLocks(appendTaken);
    return -1;
  }
  m_sizeAtLoad = FileSize(ListPath());
  ReleaseSaveLocks(appendTaken);
  std::lock_guard lock(m_mutex);
  m_modified = false;
  return 0;
}

void CLinkList::ReleaseSaveLocks(bool appendTaken) {
  // Another program's append lock, passed by the user's leave, stays its own.
  if (appendTaken) ReleaseLock(kAppendLock);
  if (m_holdsDialogLock) ReleaseLock(kDialogLock);
  m_holdsDialogLock = false;
}

bool CLinkList::WriteItems(const std::string& path) {
  FILE* file = platform::OpenFile(path, "w");
  if (!file) return false;
  bool written = true;
  {
    std::lock_guard lock(m_mutex);
    for (const FetchRequest& item : m_items) written = item.Write(file) == 0 && written;
  }
  written = std::fflush(file) == 0 && !std::ferror(file) && written;
  return std::fclose(file) == 0 && written;
}

// Appends the records another program added to the list since it was read, until the
// list stops growing; then puts the new file on the disk.
bool CLinkList::CopyAppended(const std::string& path) {
  FILE* target = platform::OpenFile(path, "ab");
  if (!target) return false;
  bool copied = true;
  long long from = m_sizeAtLoad;
  for (long long size; copied && (size = FileSize(ListPath())) > from;) {
    FILE* source = platform::OpenFile(ListPath(), "rb");
    if (!source || std::fseek(source, static_cast<long>(from), SEEK_SET) != 0) {
      if (source) std::fclose(source);
      copied = false;
      break;
    }
    char block[1024];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, source)) > 0;) {
      if (std::fwrite(block, 1, got, target) != got) copied = false;
      from += static_cast<long long>(got);
    }
    if (std::ferror(source)) copied = false;
    std::fclose(source);
  }
  copied = platform::FlushToDisk(target) && copied;
  return std::fclose(target) == 0 && copied;
}

std::string CLinkList::FilePath(int index) const {
  std::lock_guard lock(m_mutex);
  if (index < 0 || index >= static_cast<int>(m_items.size())) return "";
  return m_folder + "/" + m_items[index].m_savePath;
}

int CLinkList::GetCount() const {
  std::lock_guard lock(m_mutex);
  return static_cast<int>(m_items.size());
}

FetchRequest CLinkList::GetItem(int index) const {
  std::lock_guard lock(m_mutex);
  if (index < 0 || index >= static_cast<int>(m_items.size())) return FetchRequest();
  return m_items[index];
}

void CLinkList::SetItem(int index, const FetchRequest& request) {
  std::lock_guard lock(m_mutex);
  if (index < 0 || index >= static_cast<int>(m_items.size())) return;
  m_items[index] = request;
  m_modified = true;
}

int CLinkList::RemoveItem(int index) {
  std::lock_guard lock(m_mutex);
  if (index < 0 || index >= static_cast<int>(m_items.size())) return 1;
  m_items.erase(m_items.begin() + index);
  m_modified = true;
  return 0;
}

int CLinkList::RemoveItemAndFile(int index) {
  std::string path = FilePath(index);
  if (path.empty()) return 1;
  platform::RemoveFile(path);
  return RemoveItem(index);
}

void CLinkList::Reorder(const std::vector<int>& order) {
  std::lock_guard lock(m_mutex);
  if (order.size() != m_items.size()) return;
  std::vector<FetchRequest> items;
  items.reserve(order.size());
  for (int old : order) items.push_back(m_items[old]);
  m_items = std::move(items);
  m_modified = true;
}

bool CLinkList::IsModified() const {
  std::lock_guard lock(m_mutex);
  return m_modified;
}

void CLinkList::SetNotify(platform::IUiQueue* queue, ILinkNotify* target) {
  m_queue = queue;
  m_notify = target;
}

LinkResult CLinkList::UpdateItem(int index) {
  if (index < 0 || index >= GetCount()) return LinkResult::NotRun;
  FetchRequest item = GetItem(index);
  bool download = true;
  bool compareMode = false;
  LinkResult result = LinkResult::NotRun;
  if (platform::FileExists(FilePath(index))) {
    FetchJob job;
    static_cast<FetchRequest&>(job) = item;
    CFetch fetch(Prompter(), SettingsForFetch());
    std::time_t modified = fetch.FetchLastModified(job);
    if (job.m_user != item.m_user || job.m_password != item.m_password) {
      // Typed in the authentication dialog: the download and later updates use them.
      item.m_user = job.m_user;
      item.m_password = job.m_password;
      SetItem(index, item);
    }
    if (job.m_outcome != FetchOutcome::Fetched) {
      result = LinkResult::Error;
      download = false;
    } else if (modified == 0) {
      compareMode = true;  // no date to go by: the content decides
    } else if (modified == item.m_lastModified) {
      result = LinkResult::NotUpdated;
      download = false;
    }
  }
  if (download) {
    if (m_environment.m_settings && m_environment.m_settings->m_linkOverwrite) compareMode = true;
    result = Download(index, compareMode);
  }
  Report(index, result);
  return result;
}

LinkResult CLinkList::Download(int index, bool compareMode) {
  std::string target = FilePath(index);
  if (target.empty()) return LinkResult::Error;
  FetchJob job;
  static_cast<FetchRequest&>(job) = GetItem(index);
  // The retriever takes the first free variant of this name (temp_1.tmp, ...) and tells it.
  job.m_savePath = m_folder + "/temp.tmp";
  // The name the retriever will take; a failure must not leave a part of a file behind.
  std::string expected = UniqueFileName(StripNumberSuffix(job.m_savePath));
  CFetch fetch(Prompter(), SettingsForFetch());
  if (fetch.Fetch(job) != FetchOutcome::Fetched) {
    platform::RemoveFile(expected);
    return LinkResult::Error;
  }
  std::string saved = job.m_savedPath;

  if (compareMode) {
    if (CompareFiles(saved, target) == 0) {
      platform::RemoveFile(saved);
      return LinkResult::NotUpdated;
    }
  } else {
    // The older version stays beside the new one.
    target = UniqueFileName(StripNumberSuffix(target));
  }
  if (!platform::RenameFile(saved, target)) {
    platform::RemoveFile(saved);
    return LinkResult::Error;
  }

  std::lock_guard lock(m_mutex);
  if (index >= static_cast<int>(m_items.size())) return LinkResult::Error;
  // Only what the download found changes: an edit made meanwhile (name, address) stays.
  FetchRequest& item = m_items[index];
  item.m_savePath = AfterLast(target, '/');
  item.m_load = static_cast<int>(platform::Now());
  item.m_lastModified = job.m_lastModified;
  item.m_user = job.m_user;
  item.m_password = job.m_password;
  m_modified = true;
  return LinkResult::Updated;
}

void CLinkList::Report(int index, LinkResult result) {
  if (!m_notify) return;
  ILinkNotify* target = m_notify;
  FetchRequest item = GetItem(index);
  auto task = [target, index, result, item] { target->OnLinkItemDone(index, result, item); };
  if (m_queue) {
    m_queue->Send(task);
  } else {
    task();
  }
}

bool CLinkList::StartUpdateAll() {
  if (IsBusy()) return false;
  if (m_worker.joinable()) m_worker.join();
  m_stop.ResetEvent();
  m_finished.ResetEvent();
  m_worker = std::thread(&CLinkList::WorkerProc, this);
  return true;
}

void CLinkList::WorkerProc() {
  for (int index = 0; index < GetCount(); ++index) {
    if (m_stop.TryWait()) break;
    UpdateItem(index);
  }
  if (m_notify) {
    ILinkNotify* target = m_notify;
    if (m_queue) {
      m_queue->Send([target] { target->OnLinkAllDone(); });
    } else {
      target->OnLinkAllDone();
    }
  }
  m_finished.Set();
}
