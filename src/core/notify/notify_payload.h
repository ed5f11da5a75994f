// The requests that carry a notification to each service, built from the message as the
// service expects them: JSON bodies (UTF-8, made with nlohmann-json) and the address of
// the service's endpoint. Every text is bounded, so that no service refuses it for size.
//
// Threads: plain functions.
#pragma once

#include <string>
#include <vector>

#include "core/notify/notify_address.h"
#include "core/notify/notify_message.h"

// Where the services that have one fixed host are reached; tests give a loopback receiver.
struct NotifyEndpoints {
  std::string slack = "https://hooks.slack.com";
  std::string discord = "https://discord.com";
  std::string telegram = "https://api.telegram.org";
};

struct NotifyRequest {
  std::string verb = "POST";
  std::string url;
  std::string headers;  // lines ending in CR LF
  std::string body;
  std::string user;  // Basic login (CP932); empty: none
  std::string password;
};

// The largest JSON document a json:// address receives, and the most of a chat message.
inline constexpr std::size_t kJsonDocumentLimit = 4096;

// The request for every service but matrix, whose exchange takes several (notify_sender).
NotifyRequest BuildNotifyRequest(const NotifyAddress& address, const NotifyMessage& message,
                                 const NotifyEndpoints& endpoints);

// "http[s]://host" of an address that names its host.
std::string ServiceBase(const NotifyAddress& address);
// The message as one UTF-8 text of at most `limit` bytes: name, result, page and the
// changed lines ("+ " added, "- " removed), the lines that do not fit left off with a note.
std::string MessageText(const NotifyMessage& message, std::size_t limit);
// The JSON document of json:// addresses (at most kJsonDocumentLimit bytes).
std::string JsonDocument(const NotifyMessage& message);
// `text` with every byte but unreserved ones as %XX, for a part of a path.
std::string PercentEncoded(const std::string& text);
