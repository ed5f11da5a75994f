// The link list of one folder: "lkr.hlk", one fetch request per downloaded file, which the
// companion downloader also reads and appends to at any time. CLinkList loads the list,
// re-downloads links whose page changed, and writes the list back without losing what the
// companion appended meanwhile. Two lock files in the folder keep the programs apart:
// "dialog.lock" while a link update dialog (or the command line) works on the list, and
// "append.lock" while a program reads the list file or writes into it. Each holds
// "Pagewarden[<seconds since 1970>]"; only its existence counts.
//
// Threads: everything is called on one thread (the UI thread), except the run of
// StartUpdateAll, which updates the links one after another on a worker thread. While it
// runs the caller may read and replace items (GetItem, SetItem) but must not open, save,
// remove or reorder them. Reports go to the notify target through the queue's Send (the
// worker waits until the target has handled each), or, without a queue, are made directly
// on the updating thread. The destructor stops a run after its current link and joins the
// worker; a queue that the destroying thread serves must be closed before, or the run be
// finished.
//
// Ownership: the prompter, the settings, the queue and the notify target belong to the
// caller and must outlive the object.
#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/fetch/fetch.h"
#include "core/fetch/fetch_request.h"
#include "core/links/link_notify.h"
#include "platform/event.h"

struct AppSettings;
class IPrompter;
namespace platform {
class IUiQueue;
}

inline constexpr const char* kLinkListName = "lkr.hlk";
inline constexpr const char* kLinkListInUse = "リンクファイルが他で使用されている可能性があります。";

// What the link list needs from the program.
struct LinkListEnvironment {
  IPrompter* m_prompter = nullptr;  // required: the save question, messages, credentials
  const AppSettings* m_settings = nullptr;   // proxy, bypass, m_linkOverwrite
  FetchSettings m_fetch;                     // time-outs, trusted certificates
};

class CLinkList {
 public:
  explicit CLinkList(LinkListEnvironment environment);
  ~CLinkList();
  CLinkList(const CLinkList&) = delete;
  CLinkList& operator=(const CLinkList&) = delete;

  enum LockKind { kDialogLock = 1, kAppendLock = 2 };
  enum LockResult { kLockFailed = -1, kLockHeld = 0, kLockTaken = 1 };

  // Takes the folder's dialog lock and reads the list. 1 opened, 0 refused: a lock is
  // held elsewhere (with `force` such locks are taken over). A folder in which no lock
  // can be made (missing, not writable) is opened without a lock: there is nothing to
  // protect there, and saving into it fails with its own message.
  int Open(const std::string& folder, bool force);
  // Writes the list when it changed and releases the dialog lock. 0 written or nothing
  // to write, -1 not written (cancelled at the question, or a failure that was shown).
  int Save();

  // kLockTaken, kLockHeld (the file exists) or kLockFailed (it cannot be created).
  int TakeLock(int kind);
  void ReleaseLock(int kind);

  const std::string& Folder() const { return m_folder; }
  // The folder, "/" and the item's file name; empty for an index out of range.
  std::string FilePath(int index) const;
  int GetCount() const;
  FetchRequest GetItem(int index) const;  // a default request for an index out of range
  void SetItem(int index, const FetchRequest& request);
  // 0 done, 1 index out of range. RemoveItemAndFile deletes the item's file first.
  int RemoveItem(int index);
  int RemoveItemAndFile(int index);
  // The items in the order given by their old indexes (a permutation of 0..count-1).
  void Reorder(const std::vector<int>& order);
  bool IsModified() const;
  bool HoldsDialogLock() const { return m_holdsDialogLock; }

  // Where the reports of UpdateItem and the run go; `queue` may be null (see above).
  void SetNotify(platform::IUiQueue* queue, ILinkNotify* target);
  // Updates one link on the calling thread and reports it; NotRun (nothing reported) for
  // an index out of range.
  LinkResult UpdateItem(int index);
  // Downloads the item's page into the folder. Updated: the item names the new file;
  // NotUpdated: the same content as the file in compare mode (nothing changed); Error: the
  // item and its file unchanged.
  LinkResult Download(int index, bool compareMode);

  // Starts updating every link on the worker; false when a run is still going.
  bool StartUpdateAll();
  // Asks the run to stop after the link being updated.
  void StopUpdate() { m_stop.Set(); }
  // A run of StartUpdateAll is going.
  bool IsBusy() { return !m_finished.TryWait(); }
  // Waits until no run is going; false when `timeoutMs` passed first.
  bool WaitUntilIdle(std::uint32_t timeoutMs = platform::Event::kInfinite) {
    return m_finished.Wait(timeoutMs);
  }

 private:
  std::string LockPath(int kind) const;
  std::string ListPath() const;
  void ReadList();
  bool WriteItems(const std::string& path);
  bool CopyAppended(const std::string& path);
  void ReleaseSaveLocks(bool appendTaken);
  FetchSettings SettingsForFetch() const;
  IPrompter& Prompter() const;
  void Report(int index, LinkResult result);
  void WorkerProc();

  LinkListEnvironment m_environment;
  std::string m_folder;
  mutable std::mutex m_mutex;  // guards m_items and m_modified (the worker replaces items)
  std::vector<FetchRequest> m_items;
  bool m_modified = false;
  long long m_sizeAtLoad = 0;  // where the records read end; what follows is copied on save
  bool m_holdsDialogLock = false;
  platform::IUiQueue* m_queue = nullptr;
  ILinkNotify* m_notify = nullptr;
  platform::Event m_stop{platform::Event::Reset::Auto};
  platform::Event m_finished{platform::Event::Reset::Manual, true};
  std::thread m_worker;
};
