// The check engine: checks one watch item at a time on a worker thread. It waits until
// the item's check time, fetches the page into a temporary file in "comp" (or the download
// folder), decides whether the page changed, moves or deletes the files, records the
// result in its own copy of the item, runs the actions on update and posts the completion
// (ICheckNotify::OnCheckDone with a copy of the item) through the UI queue.
//
// Threads: Start, Stop, Cancel, IsBusy, SignalIdle and the setters are called on the UI
// thread only. One worker thread, started with the first check, runs the engine's checks one
// after another and sleeps between them. The worker owns m_item while a check runs; the UI
// thread sees results only as the copies posted to it. The events are the only
// synchronisation. Each check works on its own copy of the program-wide settings, taken by
// Start on the UI thread: changing the settings never touches a running check. The
// destructor cancels a waiting or running check (a fetch under way is aborted) and joins
// the worker; it never waits for the UI thread.
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
#include "core/common/app_settings.h"
#include "core/fetch/fetch.h"
#include "core/watch/check_engine.h"
#include "core/watch/watch_item.h"
#include "platform/cancel_signal.h"
#include "platform/event.h"

class IPrompter;
namespace platform {
class CCodePageConverter;
class IUiQueue;
}  // namespace platform

// What a check needs from the program.
struct CheckEnvironment {
  IPrompter* m_prompter = nullptr;                           // authentication questions
  // The program-wide settings as the UI thread keeps them; read only on the UI thread, when
  // a check is given to the engine. null: the defaults.
  const AppSettings* m_settings = nullptr;
  const platform::CCodePageConverter* m_converter = nullptr; // page text to CP932
  FetchSettings m_fetch;  // time-outs and trusted certificates; its proxy fields and page
                          // size limit are taken from the check's settings
};

class CReNew : public ICheckEngine {
 public:
  explicit CReNew(CheckEnvironment environment);
  ~CReNew() override;
  CReNew(const CReNew&) = delete;
  CReNew& operator=(const CReNew&) = delete;

  // Where the reports go. Without a queue and target nothing is reported.
  void SetNotifyTarget(platform::IUiQueue* queue, ICheckNotify* target) override;
  // The actions on update; nullptr (the default): an update has no actions.
  void SetUpdateActions(IUpdateActions* actions) { m_actions = actions; }
  // The longest single wait against the clock (default a minute): a wait for a far check
  // time is carried out in such slices, so that it ends neither early after a clock change
  // nor more than one slice late after a suspend. Tests shorten it.
  void SetWaitSlice(std::uint32_t milliseconds) override { m_waitSliceMs = milliseconds; }
  // The program is ending: a check that ends from now on reports nothing.
  void SetShuttingDown() override { m_shuttingDown = true; }
  bool IsShuttingDown() const { return m_shuttingDown; }

  // Takes a copy of `item` and of the program-wide settings, and has the worker check it
  // at its m_nextCheck (at once when that is 0 or past). A check that still waits is
  // stopped first.
  void Start(const WatchItem& item) override;
  // Has the worker check the item in m_item.
  void StartThread();
  // Cancels a waiting check and waits for the worker to be done with it; a running check
  // is finished first. true when the worker ran the check (its completion has then been
  // posted, unless shutting down).
  bool Stop() override;
  // As Stop, but a running check is cancelled too: its fetch is aborted within a moment,
  // its temporary file removed, and it reports nothing. A check that already has its
  // result is not waited for: its remaining actions (a mail exchange) are broken off and
  // its completion follows; true then, as when the check had ended all the same.
  bool Cancel() override;
  // A check is running, or due exactly one second from now, or has ended and its
  // completion has not been taken up yet (SignalIdle).
  bool IsBusy() override;
  // A check has started and its completion has not been taken up yet.
  bool IsChecking() override;
  // The completion of the last check has been taken up; the engine no longer counts as busy.
  void SignalIdle() override { m_hIdle.Set(); }

  // The worker's steps, public for tests that drive one check on their own thread.
  // RunCheck: one check with its frame (time, proxy, actions, report).
  void RunCheck();
  // One check of m_item: Updated, NotUpdated or Error.
  CheckResult Check();
  // Cancelled by Cancel while a check runs: the actions on update hand it to their mail
  // exchange so that a cancel reaches that too.
  const std::shared_ptr<platform::CCancelSignal>& AbortSignal() const { return m_abort; }
  // From the actions on the worker: a row with `text` for `item` (a notification that
  // could not be sent), posted ahead of the check's completion.
  void ReportNotifyFailure(const WatchItem& item, const std::string& text);
  // The settings the current check works with (the worker's; see Start).
  const AppSettings& CheckSettings() const { return m_checkSettings; }
  // The engine's copy of the item; read it only while no worker runs.
  const WatchItem& Item() const { return m_item; }
  WatchItem& Item() { return m_item; }

 private:
  enum State { kIdle, kWaiting, kCancelled, kChecking, kFinished };

  void WorkerLoop();
  void ThreadProc();
  bool WaitUntilDue();
  void Report(bool mailFailed);
  CheckResult Failed(const FetchJob& job);  // the fetch's failure taken into the item; Error
  void NoteRetryAfter(const FetchJob& job);
  // The item's count of checks failed in a row, and its alarm when the count reaches the
  // setting "連続エラーの通知" (and its all-clear when a check works again after that).
  void CountFailures();
  std::string TemporaryFolder() const;
  std::string MoveToPrivateCopy(const std::string& savedPath, const std::string& folder);
  // Replaces the held version with the new page; `keepPrevious`: the replaced one is kept
  // among the previous versions first.
  void StoreUpdatedFile(const std::string& savedPath, bool keepPrevious = true);
  CheckResult CheckText(FetchJob& job, const std::string& savedPath, const std::string& charset);

  CheckEnvironment m_environment;
  std::thread m_thread;
  std::atomic<bool> m_shuttingDown{false};
  std::atomic<bool> m_exiting{false};  // the destructor ends the worker
  bool m_running = false;  // a check was started and not yet stopped (UI thread only)
  WatchItem m_item;
  AppSettings m_checkSettings;  // the snapshot for m_item's check
  bool m_hasSettings = false;   // the environment gave settings (else the fetch's own stand)
  // Aborts the transfers of a running check; shared with its fetch and mail exchange.
  std::shared_ptr<platform::CCancelSignal> m_abort = std::make_shared<platform::CCancelSignal>();
  std::atomic<bool> m_cancelRequested{false};
  std::atomic<bool> m_acting{false};  // the running check has its result (worker sets it)
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
