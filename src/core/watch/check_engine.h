// What the watch list needs of a check engine, and how the engine reports back. The watch
// list owns the engine through this interface, so the list and its dispatcher know nothing
// of fetching and comparing (the real engine is CReNew, core/check/renew.h; tests give a
// scripted one).
//
// Threads: every call of ICheckEngine is made on the UI thread. ICheckNotify is called on
// the UI thread too: the engine posts its reports through the UI queue, each with a copy of
// the item, so a report never points into data another thread changes.
#pragma once

#include <cstdint>
#include <string>

#include "core/watch/watch_item.h"

namespace platform {
class IUiQueue;
}

// Receiver of the engine's reports.
class ICheckNotify {
 public:
  virtual ~ICheckNotify() = default;
  // WM_CHECK_DONE: a check ended; `item` is the engine's copy with its result (Resu),
  // known to the list by its identity (m_id; 0 for the midnight wake-up).
  virtual void OnCheckDone(const WatchItem& item) = 0;
  // WM_MAIL_FAILED: the notification mail of this update could not be sent. Arrives before
  // the same check's OnCheckDone.
  virtual void OnMailFailed(const WatchItem& item) = 0;
  // A notification to an address, or the feed of changes, could not be written: `text` is
  // the row's text. Arrives before the same check's OnCheckDone.
  virtual void OnNotifyFailed(const WatchItem& item, const std::string& text) {
    (void)item, (void)text;
  }
};

class ICheckEngine {
 public:
  virtual ~ICheckEngine() = default;

  // Where the reports go (both outlive the engine and every task it posted).
  virtual void SetNotifyTarget(platform::IUiQueue* queue, ICheckNotify* target) = 0;
  // The longest single wait against the clock (tests shorten it).
  virtual void SetWaitSlice(std::uint32_t milliseconds) = 0;
  // The program is ending: a check that ends from now on reports nothing.
  virtual void SetShuttingDown() = 0;

  // Checks a copy of `item` at its m_nextCheck, at once when that is 0 or past. A check
  // that still waits is stopped first.
  virtual void Start(const WatchItem& item) = 0;
  // Cancels a waiting check; a running one is finished first. true when a check ran and
  // its report is on the way.
  virtual bool Stop() = 0;
  // Cancels a waiting or a running check; a running fetch is aborted and the check records
  // nothing. true when the check had ended all the same and its report is on the way.
  virtual bool Cancel() = 0;
  // A check runs, is due one second from now, or has ended unreported (see SignalIdle).
  virtual bool IsBusy() = 0;
  // A check has started and its report has not been taken up yet.
  virtual bool IsChecking() = 0;
  // The report of the last check has been taken up.
  virtual void SignalIdle() = 0;
};
