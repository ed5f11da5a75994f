// The check engine: checks one watch item at a time on a worker thread. It waits until
// the item's check time, fetches the page into a temporary file in "comp" (or the download
// folder), decides whether the page changed, moves or deletes the files, records the
// result in its own copy of the item, runs the actions on update and posts the completion
// (ICheckNotify::OnCheckDone with a copy of the item) through the UI queue.
//
// Threads: Start, Stop, IsBusy, SignalIdle and the setters are called on the UI thread
// only. One worker thread, started with the first check, runs the engine's checks one
// after another and sleeps between them. The worker owns m_item while a check runs; the UI
// thread sees results only as the copies posted to it. The events are the only
// synchronisation. The destructor cancels a waiting check, lets a running one finish and
// joins the worker; it never waits for the UI thread.
//
// Ownership: the environment's prompter, settings, converter, the notify target, the queue
// and the actions are owned by the caller and must outlive the engine (and, for the notify
// target, every task posted to the queue).
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>

#include "core/check/check_notify.h"
#include "core/fetch/fetch.h"
#include "core/watch/watch_item.h"
#include "platform/event.h"

struct AppSettings;
class IPrompter;
namespace platform {
class CCodePageConverter;
class IUiQueue;
}  // namespace platform

// What a check needs from the program. Read by the worker without a lock (the settings
// change only while no check runs, as the program-wide settings always have).
struct CheckEnvironment {
  IPrompter* m_prompter = nullptr;                           // authentication questions
  const AppSettings* m_settings = nullptr;                   // proxy, bypass for local addresses
  const platform::CCodePageConverter* m_converter = nullptr; // page text to CP932
  FetchSettings m_fetch;  // time-outs and trusted certificates; its proxy fields and page
                          // size limit are taken from m_settings at every check
};

class CReNew {
 public:
  explicit CReNew(CheckEnvironment environment);
  ~CReNew();
  CReNew(const CReNew&) = delete;
  CReNew& operator=(const CReNew&) = delete;

  // Where the reports go. Without a queue and target nothing is reported.
  void SetNotifyTarget(platform::IUiQueue* queue, ICheckNotify* target);
  // The actions on update; nullptr (the default): an update has no actions.
  void SetUpdateActions(IUpdateActions* actions) { m_actions = actions; }
  // The longest single wait against the clock (default a minute): a wait for a far check
  // time is carried out in such slices, so that it ends neither early after a clock change
  // nor more than one slice late after a suspend. Tests shorten it.
  void SetWaitSlice(std::uint32_t milliseconds) { m_waitSliceMs = milliseconds; }
  // The program is ending: a check that ends from now on reports nothing.
  void SetShuttingDown() { m_shuttingDown = true; }
  bool IsShuttingDown() const { return m_shuttingDown; }

  // Takes a copy of `item` (given from list position `position`, -1 for none) and has the
  // worker check it at its m_nextCheck (at once when that is 0 or past). A check that
  // still waits is stopped first.
  void Start(const WatchItem& item, int position);
  // Has the worker check the item in m_item.
  void StartThread();
  // Cancels a waiting check and waits for the worker to be done with it; a running check
  // is finished first. true when the worker ran the check (its completion has then been
  // posted, unless shutting down).
  bool Stop();
  // A check is running, or due exactly one second from now, or has ended and its
  // completion has not been taken up yet (SignalIdle).
  bool IsBusy();
  // A check has started and its completion has not been taken up yet.
  bool IsChecking();
  // The completion of the last check has been taken up; the engine no longer counts as busy.
  void SignalIdle() { m_hIdle.Set(); }

  // The worker's steps, public for tests that drive one check on their own thread.
  // RunCheck: one check with its frame (time, proxy, actions, report).
  void RunCheck();
  // One check of m_item: 2 updated, 1 not updated, -1 error.
  int Check();
  // The engine's copy of the item; read it only while no worker runs.
  const WatchItem& Item() const { return m_item; }
  WatchItem& Item() { return m_item; }

 private:
  enum State { kIdle, kWaiting, kCancelled, kChecking, kFinished };

  void WorkerLoop();
  void ThreadProc();
  bool WaitUntilDue();
  void Report(bool mailFailed);
  std::string TemporaryFolder() const;
  std::string PrivateCopyPath(const std::string& folder);
  void StoreUpdatedFile(const std::string& savedPath);

  CheckEnvironment m_environment;
  std::thread m_thread;
  std::atomic<bool> m_shuttingDown{false};
  std::atomic<bool> m_exiting{false};  // the destructor ends the worker
  bool m_running = false;  // a check was started and not yet stopped (UI thread only)
  WatchItem m_item;
  int m_position = -1;
  std::atomic<std::time_t> m_due{0};  // m_item's m_nextCheck, readable by the UI thread
  std::atomic<int> m_state{kIdle};
  std::uint32_t m_waitSliceMs = 60000;
  std::string m_copyFolder;  // where the last private copy's name was found (worker only)
  long long m_copyNumber = 0;
  platform::IUiQueue* m_queue = nullptr;
  ICheckNotify* m_notify = nullptr;
  IUpdateActions* m_actions = nullptr;
  platform::Event m_hGo{platform::Event::Reset::Auto};  // the worker takes m_item
  platform::Event m_hWake{platform::Event::Reset::Auto};
  platform::Event m_hCancel{platform::Event::Reset::Auto};
  platform::Event m_hDone{platform::Event::Reset::Manual};
  platform::Event m_hIdle{platform::Event::Reset::Manual, true};
};
