// The notifications of an update or an alarm, run after the mail on the engine's worker:
// a message to each notification address of the item (its own list, else the program's)
// when the item sends to them ("通知先に送る"), then an entry in the feed of changes. Each
// send is bounded by its time-out and broken off by the check's cancel; one that fails is
// told by a row of its own and the others still go.
//
// Threads: the engine's worker (any thread that may block for the sends).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/common/app_settings.h"
#include "core/notify/notify_message.h"
#include "core/watch/watch_item.h"

namespace platform {
class CCancelSignal;
}

// The addresses an item's notifications go to: none unless it sends to them.
std::vector<std::string> ItemNotifyAddresses(const WatchItem& item, const AppSettings& settings);

// "通知を送れませんでした: <address without secrets>: <reason>".
std::string NotifyFailedRowText(const std::string& address, const std::string& reason);

struct NotifyRun {
  const WatchItem* item = nullptr;
  const AppSettings* settings = nullptr;
  std::string result;  // "更新されています" or the alarm's text
  ChangedLines lines;  // a text item's added and removed lines; empty otherwise
  std::shared_ptr<platform::CCancelSignal> cancel;
  std::string feedPath;  // the feed of changes; empty: none kept
  // Given the row text of each send (or feed write) that failed.
  std::function<void(const std::string& rowText)> failed;
};

// Sends and adds the feed entry; false when something failed (each told through `failed`).
bool RunNotifyActions(const NotifyRun& run);
