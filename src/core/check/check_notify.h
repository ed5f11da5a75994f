// The actions the engine runs on an update. The receiver of its reports (ICheckNotify)
// belongs to the watch list: core/watch/check_engine.h.
#pragma once

#include <string>

#include "core/common/app_settings.h"
#include "core/watch/check_engine.h"

// The all-clear after an alarm for checks that kept failing.
inline constexpr const char* kWorksAgainText = "チェックが再びできるようになりました";

// The actions on update (sound, main window, page, program, mail). Called on the engine's
// worker thread, once per updated item, before the completion is posted; it may block that
// thread (a mail exchange) and may Send to the UI thread.
class IUpdateActions {
 public:
  virtual ~IUpdateActions() = default;
  // false when the notification mail could not be sent. `settings` is the check's own
  // snapshot of the program-wide settings (mail server, account), taken when the check
  // was given to the engine.
  virtual bool OnUpdate(const WatchItem& item, const AppSettings& settings) {
    (void)settings;
    return OnUpdate(item);
  }
  // The alarm for an item whose checks keep failing, or the all-clear when it works again:
  // `text` goes out by the item's mail, a desktop notification and the item's notification
  // addresses, and into the feed of changes. false when the mail could not be sent.
  virtual bool OnAlert(const WatchItem& item, const AppSettings& settings,
                       const std::string& text) {
    (void)item, (void)settings, (void)text;
    return true;
  }
  // For actions that need no settings.
  virtual bool OnUpdate(const WatchItem& item) {
    (void)item;
    return true;
  }
};
