// What the check engine reports to the user-interface thread, and the actions it runs on an
// update. The engine posts its reports through the UI queue (platform/ui_queue.h); each
// report carries a copy of the item, so it never points into data another thread changes.
#pragma once

#include "core/watch/watch_item.h"

// The engine's two messages, by the numbers the program has always used for them.
constexpr int WM_USER_BASE = 0x400;
constexpr int WM_CHECK_DONE = WM_USER_BASE + 1005;
constexpr int WM_MAIL_FAILED = WM_USER_BASE + 1011;
constexpr int WM_REDISPATCH = WM_USER_BASE + 1012;

// Receiver of the engine's reports; called on the UI thread only.
class ICheckNotify {
 public:
  virtual ~ICheckNotify() = default;
  // WM_CHECK_DONE: a check ended; `item` is the engine's copy with its result (Resu), and
  // `position` the list position it was given with (-1 for the midnight wake-up).
  virtual void OnCheckDone(const WatchItem& item, int position) = 0;
  // WM_MAIL_FAILED: the notification mail of this update could not be sent. Arrives before
  // the same check's OnCheckDone.
  virtual void OnMailFailed(const WatchItem& item) = 0;
};

// The actions on update (sound, main window, page, program, mail). Called on the engine's
// worker thread, once per updated item, before the completion is posted; it may block that
// thread (a mail exchange) and may Send to the UI thread.
class IUpdateActions {
 public:
  virtual ~IUpdateActions() = default;
  // false when the notification mail could not be sent.
  virtual bool OnUpdate(const WatchItem& item) = 0;
};
