#include "core/session/notify_actions.h"

#include <algorithm>

#include "core/check/check_results.h"
#include "core/notify/atom_feed.h"
#include "core/notify/notify_address.h"
#include "core/notify/notify_sender.h"
#include "platform/cancel_signal.h"
#include "platform/clock.h"

namespace {

bool Cancelled(const NotifyRun& run) { return run.cancel && run.cancel->IsCancelled(); }

// A text item's changed lines, else the result and the page.
std::string FeedContent(const NotifyRun& run) {
  if (run.lines.added.empty() && run.lines.removed.empty()) {
    return run.result + "\n" + run.item->m_url;
  }
  std::string content;
  for (const std::string& line : run.lines.added) content += "+ " + line + "\n";
  for (const std::string& line : run.lines.removed) content += "- " + line + "\n";
  return content;
}

}  // namespace

std::vector<std::string> ItemNotifyAddresses(const WatchItem& item, const AppSettings& settings) {
  if (item.m_notify == 0) return {};
  std::vector<std::string> own = NotifyAddressLines(item.m_notifyUrls);
  return own.empty() ? NotifyAddressLines(settings.m_notifyUrls) : own;
}

std::string NotifyFailedRowText(const std::string& address, const std::string& reason) {
  return std::string(kNotifyFailedText) + ": " + MaskedNotifyAddress(address) + ": " + reason;
}

bool RunNotifyActions(const NotifyRun& run) {
  const WatchItem& item = *run.item;
  NotifyMessage message;
  message.name = item.m_name.empty() ? item.m_url : item.m_name;
  message.url = item.m_url;
  message.result = run.result;
  message.time = platform::Now();
  message.lines = run.lines;
  NotifySendOptions options = NotifyOptionsFrom(*run.settings, &item);
  options.cancel = run.cancel;
  bool allSent = true;
  for (const std::string& address : ItemNotifyAddresses(item, *run.settings)) {
    if (Cancelled(run)) return allSent;
    NotifyOutcome outcome = SendNotification(address, message, options);
    // A send broken off by the cancel is no failure to tell.
    if (outcome.sent || Cancelled(run)) continue;
    allSent = false;
    if (run.failed) run.failed(NotifyFailedRowText(address, outcome.reason));
  }
  if (run.feedPath.empty() || Cancelled(run)) return allSent;
  FeedEntry entry{message.name, item.m_url, FeedContent(run), message.time};
  std::string unwritten = AddFeedEntry(run.feedPath, entry, run.settings->m_feedCopyPath);
  if (unwritten.empty()) return allSent;
  if (run.failed) run.failed("更新フィードを書けませんでした: " + unwritten);
  return false;
}
