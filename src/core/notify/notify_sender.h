// Sends one notification to one address over HTTP(S) with libcurl (through the platform's
// HTTP session): certificates verified, the proxy of the item or of the program, bounded
// by a time-out and an answer size, and broken off at once by the check's cancel. A matrix
// address takes several requests (log in, join the room, send, log out); every other one
// takes one.
//
// Threads: any; each call makes its own sessions and blocks the calling thread until the
// exchange is over.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/common/app_settings.h"
#include "core/notify/notify_message.h"
#include "core/notify/notify_payload.h"

namespace platform {
class CCancelSignal;
}
struct FetchRequest;

struct NotifySendOptions {
  std::string proxy;  // "host:port" or "user:password@host:port"; empty: direct
  bool bypassLocal = true;
  std::string extraCaFile;
  std::string caFile;  // trusted instead of the system's store (tests)
  std::uint32_t connectTimeoutMs = 15000;
  std::uint32_t timeoutMs = 30000;  // one request and its answer, in all
  std::int64_t answerLimit = 1 << 20;  // bytes of an answer read; a longer one fails
  std::shared_ptr<platform::CCancelSignal> cancel;  // null: not cancellable
  NotifyEndpoints endpoints;
};

// The program's proxy, local bypass, extra CA, page size limit and the check's time limit
// (at most 30 seconds a send); the item's own proxy when `item` names one.
NotifySendOptions NotifyOptionsFrom(const AppSettings& settings, const FetchRequest* item);

struct NotifyOutcome {
  bool sent = false;
  std::string reason;  // why not (CP932), for the row "通知を送れませんでした"
  std::string answer;  // the service's answer: status line and body (CP932, bounded)
};

NotifyOutcome SendNotification(const std::string& address, const NotifyMessage& message,
                               const NotifySendOptions& options);

// The message of a test send.
NotifyMessage TestNotifyMessage();
