#include "core/notify/notify_payload.h"

#include <nlohmann/json.hpp>

#include "platform/text_codec.h"

namespace {

using nlohmann::json;

constexpr const char* kJsonHeader = "Content-Type: application/json\r\n";
constexpr std::size_t kFieldLimit = 1024;  // one name, address or line in a JSON document
constexpr std::size_t kDiscordLimit = 1900;  // Discord takes 2000 characters
constexpr std::size_t kChatLimit = 4000;

// The first `limit` bytes of UTF-8 `text`, never cutting a character.
std::string CutUtf8(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string Utf8(const std::string& cp932, std::size_t limit = kFieldLimit) {
  return CutUtf8(platform::Cp932ToUtf8(cp932), limit);
}

std::string Dump(const json& document) {
  // Invalid bytes cannot arrive (the texts come through the code page layer); replaced all the same.
  return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

json LinesArray(const std::vector<std::string>& lines, std::size_t count) {
  json array = json::array();
  for (std::size_t index = 0; index < count && index < lines.size(); ++index) {
    array.push_back(Utf8(lines[index]));
  }
  return array;
}

std::string Summary(const NotifyMessage& message) {
  return Utf8(message.result) + "\n" + Utf8(message.url);
}

}  // namespace

std::string Iso8601Utc(std::time_t time) {
  std::tm utc{};
  gmtime_r(&time, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string PercentEncoded(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char ch : text) {
    if (std::isalnum(ch) || ch == '-' || ch == '_' || ch == '.' || ch == '~') {
      encoded += static_cast<char>(ch);
    } else {
      encoded += '%';
      encoded += kHex[ch >> 4];
      encoded += kHex[ch & 15];
    }
  }
  return encoded;
}

std::string ServiceBase(const NotifyAddress& address) {
  return std::string(address.secure ? "https://" : "http://") + address.host;
}

std::string MessageText(const NotifyMessage& message, std::size_t limit) {
  std::string text = Utf8(message.name) + "\n" + Summary(message);
  std::vector<std::string> lines;
  for (const std::string& line : message.lines.added) lines.push_back("+ " + Utf8(line));
  for (const std::string& line : message.lines.removed) lines.push_back("- " + Utf8(line));
  text = CutUtf8(text, limit);
  const std::string omittedNote = Utf8("\n(以下省略)");
  for (std::size_t index = 0; index < lines.size(); ++index) {
    bool last = index + 1 == lines.size();
    std::size_t room = limit - std::min(limit, text.size() + (last ? 0 : omittedNote.size()));
    if (lines[index].size() + 1 > room) {
      if (text.size() + omittedNote.size() <= limit) text += omittedNote;
      break;
    }
    text += "\n" + lines[index];
  }
  return text;
}

std::string JsonDocument(const NotifyMessage& message) {
  std::size_t added = message.lines.added.size();
  std::size_t removed = message.lines.removed.size();
  for (;;) {
    json document = {{"title", Utf8(message.name)},
                     {"message", Summary(message)},
                     {"name", Utf8(message.name)},
                     {"url", Utf8(message.url)},
                     {"result", Utf8(message.result)},
                     {"time", Iso8601Utc(message.time)}};
    bool hasLines = !message.lines.added.empty() || !message.lines.removed.empty();
    if (hasLines) {
      document["added"] = LinesArray(message.lines.added, added);
      document["removed"] = LinesArray(message.lines.removed, removed);
      if (added < message.lines.added.size() || removed < message.lines.removed.size()) {
        document["truncated"] = true;
      }
    }
    std::string text = Dump(document);
    if (text.size() <= kJsonDocumentLimit || (added == 0 && removed == 0)) return text;
    // The later lines give way first, the removed ones before the added.
    if (removed > 0) {
      --removed;
    } else {
      --added;
    }
  }
}

NotifyRequest BuildNotifyRequest(const NotifyAddress& address, const NotifyMessage& message,
                                 const NotifyEndpoints& endpoints) {
  NotifyRequest request;
  request.headers = kJsonHeader;
  request.user = address.user;
  request.password = address.password;
  switch (address.service) {
    case NotifyService::Json:
      request.url = ServiceBase(address) + address.target;
      request.body = JsonDocument(message);
      break;
    case NotifyService::Ntfy:
      // Publishing as JSON to the server's root carries a title in any script.
      request.url = ServiceBase(address) + "/";
      request.body = Dump({{"topic", address.target},
                           {"title", Utf8(message.name)},
                           {"message", MessageText(message, kChatLimit)},
                           {"click", Utf8(message.url)},
                           {"tags", json::array({"pagewarden"})}});
      break;
    case NotifyService::Gotify:
      request.url = ServiceBase(address) + address.target + "/message?token=" +
                    PercentEncoded(address.tokens[0]);
      {
        json document = {{"title", Utf8(message.name)},
                         {"message", MessageText(message, kChatLimit)},
                         {"priority", 5}};
        document["extras"]["client::notification"]["click"]["url"] = Utf8(message.url);
        request.body = Dump(document);
      }
      break;
    case NotifyService::Slack:
      request.url = endpoints.slack + "/services/" + address.tokens[0] + "/" + address.tokens[1] +
                    "/" + address.tokens[2];
      request.body = Dump({{"text", MessageText(message, kChatLimit)}});
      break;
    case NotifyService::Discord:
      request.url = endpoints.discord + "/api/webhooks/" + address.tokens[0] + "/" + address.tokens[1];
      request.body = Dump({{"username", "Pagewarden"}, {"content", MessageText(message, kDiscordLimit)}});
      break;
    case NotifyService::Telegram:
      request.url = endpoints.telegram + "/bot" + address.tokens[0] + "/sendMessage";
      request.body = Dump({{"chat_id", address.target}, {"text", MessageText(message, kChatLimit)}});
      break;
    case NotifyService::Matrix:
      break;
  }
  return request;
}
