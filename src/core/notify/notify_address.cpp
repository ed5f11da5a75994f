#include "core/notify/notify_address.h"

#include <cctype>
#include <cstring>

namespace {

constexpr const char* kMask = "****";

struct SchemeForm {
  const char* name;
  NotifyService service;
  bool secure;
};

constexpr SchemeForm kSchemes[] = {
    {"json", NotifyService::Json, false},      {"jsons", NotifyService::Json, true},
    {"ntfy", NotifyService::Ntfy, false},      {"ntfys", NotifyService::Ntfy, true},
    {"gotify", NotifyService::Gotify, false},  {"gotifys", NotifyService::Gotify, true},
    {"slack", NotifyService::Slack, true},     {"discord", NotifyService::Discord, true},
    {"matrix", NotifyService::Matrix, false},  {"matrixs", NotifyService::Matrix, true},
    {"tgram", NotifyService::Telegram, true},
};

std::string SchemeList() {
  std::string list;
  for (const SchemeForm& form : kSchemes) {
    if (!list.empty()) list += ", ";
    list += form.name;
  }
  return list;
}

std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

bool AllOf(const std::string& text, const char* extra) {
  if (text.empty()) return false;
  for (char ch : text) {
    bool plain = std::isalnum(static_cast<unsigned char>(ch)) != 0;
    if (!plain && !std::strchr(extra, ch)) return false;
  }
  return true;
}

// The parts between slashes; an empty last part (a trailing slash) is dropped.
std::vector<std::string> Segments(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t slash = text.find('/', start);
    if (slash == std::string::npos) slash = text.size();
    parts.push_back(text.substr(start, slash - start));
    start = slash + 1;
  }
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  return parts;
}

std::string CheckHost(const std::string& host) {
  if (host.empty()) return "ホスト名がありません";
  std::string name = host;
  std::string port;
  std::size_t colon = host.rfind(':');
  bool bracketed = host[0] == '[';
  if (colon != std::string::npos && (!bracketed || host.find(']') < colon)) {
    name = host.substr(0, colon);
    port = host.substr(colon + 1);
    bool digits = !port.empty() && port.size() <= 5 &&
                  port.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(port) < 1 || std::stoi(port) > 65535) {
      return "ポート「" + port + "」が正しくありません (1 から 65535)";
    }
  }
  bool valid = bracketed ? name.size() > 2 && name.back() == ']' &&
                               AllOf(name.substr(1, name.size() - 2), ":.")
                         : AllOf(name, "-.") && name.front() != '.' && name.front() != '-';
  if (!valid) return "ホスト名「" + name + "」が正しくありません";
  return {};
}

// "%40" and the like back to the character: a login may hold "@", ":" or "/" written so.
std::string PercentDecoded(const std::string& text) {
  std::string decoded;
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '%' && index + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[index + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[index + 2]))) {
      decoded += static_cast<char>(std::stoi(text.substr(index + 1, 2), nullptr, 16));
      index += 2;
    } else {
      decoded += text[index];
    }
  }
  return decoded;
}

// "user:pass" into the address; false when either part is missing.
bool TakeLogin(const std::string& login, NotifyAddress& address) {
  std::size_t colon = login.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == login.size()) return false;
  address.user = PercentDecoded(login.substr(0, colon));
  address.password = PercentDecoded(login.substr(colon + 1));
  return true;
}

// "[login@]host[:port]" and what follows it; the login stays in `login`.
std::string TakeAuthority(const std::string& rest, NotifyAddress& address, std::string& login,
                          std::string& path) {
  std::size_t slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  path = slash == std::string::npos ? std::string() : rest.substr(slash);
  std::size_t at = authority.rfind('@');
  if (at != std::string::npos) {
    login = authority.substr(0, at);
    authority = authority.substr(at + 1);
  }
  address.host = authority;
  return CheckHost(authority);
}

std::string ParseJson(const std::string& rest, NotifyAddress& address) {
  std::string login;
  if (std::string error = TakeAuthority(rest, address, login, address.target); !error.empty()) {
    return error;
  }
  if (!login.empty() && !TakeLogin(login, address)) {
    return "ログイン「ユーザー名:パスワード@」の形が正しくありません";
  }
  if (address.target.empty()) address.target = "/";
  if (address.target.find('#') != std::string::npos) return "パスに「#」は使えません";
  return {};
}

std::string ParseNtfy(const std::string& rest, NotifyAddress& address) {
  std::string login;
  std::string path;
  if (std::string error = TakeAuthority(rest, address, login, path); !error.empty()) return error;
  if (!login.empty() && !TakeLogin(login, address)) {
    return "ログイン「ユーザー名:パスワード@」の形が正しくありません";
  }
  std::vector<std::string> parts = Segments(path.empty() ? path : path.substr(1));
  if (parts.empty() || parts[0].empty()) return "トピックがありません (ntfy://ホスト名/トピック)";
  if (parts.size() > 1 || !AllOf(parts[0], "-_") || parts[0].size() > 64) {
    return "トピック「" + path.substr(1) + "」が正しくありません (英数字, - と _ で 64 文字まで)";
  }
  address.target = parts[0];
  return {};
}

std::string ParseGotify(const std::string& rest, NotifyAddress& address) {
  std::string login;
  std::string path;
  if (std::string error = TakeAuthority(rest, address, login, path); !error.empty()) return error;
  if (!login.empty()) return "gotify の通知先にはログイン「…@」を書けません";
  std::vector<std::string> parts = Segments(path.empty() ? path : path.substr(1));
  if (parts.empty() || parts.back().empty()) return "トークンがありません (gotify://ホスト名/トークン)";
  if (!AllOf(parts.back(), "-_.")) return "トークンが正しくありません";
  address.tokens = {parts.back()};
  parts.pop_back();
  for (const std::string& part : parts) {
    if (!AllOf(part, "-_.~")) return "パス「/" + part + "」が正しくありません";
    address.target += "/" + part;
  }
  return {};
}

std::string ParseMatrix(const std::string& rest, NotifyAddress& address) {
  std::string login;
  std::string path;
  if (std::string error = TakeAuthority(rest, address, login, path); !error.empty()) return error;
  if (login.empty()) {
    return "ログイン「ユーザー名:パスワード@」かアクセストークン「トークン@」がありません";
  }
  if (login.find(':') != std::string::npos) {
    if (!TakeLogin(login, address)) return "ログイン「ユーザー名:パスワード@」の形が正しくありません";
  } else {
    address.tokens = {login};
  }
  std::string room = path.empty() ? path : path.substr(1);
  if (room.size() < 2 || (room[0] != '#' && room[0] != '!')) {
    return "ルーム「/#ルーム名」か「/!ID」がありません";
  }
  if (!AllOf(room.substr(1), "-_.=:[]")) return "ルーム「" + room + "」が正しくありません";
  // A room alias without its server is one on the server given.
  if (room.find(':') == std::string::npos) {
    std::string server = address.host;
    std::size_t colon = server.rfind(':');
    if (colon != std::string::npos && server.find(']') == std::string::npos) server.resize(colon);
    room += ":" + server;
  }
  address.target = room;
  return {};
}

std::string ParseSlack(const std::string& rest, NotifyAddress& address) {
  std::vector<std::string> parts = Segments(rest);
  if (parts.size() != 3) return "slack の通知先は slack://TokenA/TokenB/TokenC です";
  static const char* const kNames[] = {"TokenA", "TokenB", "TokenC"};
  for (int index = 0; index < 3; ++index) {
    if (!AllOf(parts[index], "")) return std::string(kNames[index]) + " が正しくありません (英数字)";
  }
  address.tokens = parts;
  return {};
}

std::string ParseDiscord(const std::string& rest, NotifyAddress& address) {
  std::vector<std::string> parts = Segments(rest);
  if (parts.size() != 2) return "discord の通知先は discord://WebhookID/WebhookToken です";
  if (parts[0].empty() || parts[0].find_first_not_of("0123456789") != std::string::npos) {
    return "WebhookID「" + parts[0] + "」は数字だけです";
  }
  if (!AllOf(parts[1], "-_")) return "WebhookToken が正しくありません";
  address.tokens = parts;
  return {};
}

std::string ParseTelegram(const std::string& rest, NotifyAddress& address) {
  std::vector<std::string> parts = Segments(rest);
  if (parts.size() != 2) return "tgram の通知先は tgram://BotToken/ChatID です";
  const std::string& bot = parts[0];
  std::size_t colon = bot.find(':');
  bool botValid = colon != std::string::npos && colon > 0 &&
                  bot.find_first_not_of("0123456789") == colon && AllOf(bot.substr(colon + 1), "-_");
  if (!botValid) return "BotToken が正しくありません (数字:英数字)";
  const std::string& chat = parts[1];
  bool chatValid = chat[0] == '@' ? AllOf(chat.substr(1), "_")
                                  : AllOf(chat[0] == '-' ? chat.substr(1) : chat, "") &&
                                        chat.find_first_not_of("-0123456789") == std::string::npos;
  if (!chatValid) return "ChatID「" + chat + "」が正しくありません (数字か @チャンネル名)";
  address.tokens = {bot};
  address.target = chat;
  return {};
}

}  // namespace

std::string ParseNotifyAddress(const std::string& text, NotifyAddress& address) {
  address = NotifyAddress();
  std::string trimmed = Trim(text);
  if (trimmed.empty()) return "通知先が空です";
  std::size_t separator = trimmed.find("://");
  if (separator == std::string::npos) return "「種類://」がありません (使える種類: " + SchemeList() + ")";
  std::string scheme = trimmed.substr(0, separator);
  for (char& ch : scheme) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const SchemeForm* form = nullptr;
  for (const SchemeForm& known : kSchemes) {
    if (scheme == known.name) form = &known;
  }
  if (!form) return "種類「" + scheme + "」は使えません (使える種類: " + SchemeList() + ")";
  std::string rest = trimmed.substr(separator + 3);
  for (char ch : rest) {
    if (static_cast<unsigned char>(ch) <= 0x20 || ch == 0x7F) return "空白や制御文字は使えません";
    if (static_cast<unsigned char>(ch) >= 0x80) return "英数字と記号だけで書いてください";
  }
  // An address copied from what the program prints would keep the mask as its secret.
  if (rest.find(kMask) != std::string::npos) {
    return "伏せ字「****」のままです (パスワードやトークンを書いてください)";
  }
  address.service = form->service;
  address.scheme = scheme;
  address.secure = form->secure;
  switch (form->service) {
    case NotifyService::Json: return ParseJson(rest, address);
    case NotifyService::Ntfy: return ParseNtfy(rest, address);
    case NotifyService::Gotify: return ParseGotify(rest, address);
    case NotifyService::Matrix: return ParseMatrix(rest, address);
    case NotifyService::Slack: return ParseSlack(rest, address);
    case NotifyService::Discord: return ParseDiscord(rest, address);
    case NotifyService::Telegram: return ParseTelegram(rest, address);
  }
  return {};
}

std::string MaskedNotifyAddress(const NotifyAddress& address) {
  std::string text = address.scheme + "://";
  std::string login = address.user.empty() ? std::string() : address.user + ":" + kMask + "@";
  switch (address.service) {
    case NotifyService::Json: return text + login + address.host + address.target;
    case NotifyService::Ntfy: return text + login + address.host + "/" + address.target;
    case NotifyService::Gotify: return text + address.host + address.target + "/" + kMask;
    case NotifyService::Matrix:
      return text + (login.empty() ? std::string(kMask) + "@" : login) + address.host + "/" +
             address.target;
    case NotifyService::Slack:
      return text + address.tokens[0] + "/" + kMask + "/" + kMask;
    case NotifyService::Discord: return text + address.tokens[0] + "/" + kMask;
    case NotifyService::Telegram: return text + kMask + "/" + address.target;
  }
  return text;
}

std::string MaskedNotifyAddress(const std::string& text) {
  NotifyAddress address;
  if (ParseNotifyAddress(text, address).empty()) return MaskedNotifyAddress(address);
  std::string trimmed = Trim(text);
  std::size_t separator = trimmed.find("://");
  if (separator == std::string::npos) return kMask;
  return trimmed.substr(0, separator) + "://" + kMask;
}

std::vector<std::string> NotifyAddressLines(const std::string& list) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find('\n', start);
    if (end == std::string::npos) end = list.size();
    std::string line = Trim(list.substr(start, end - start));
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string CheckNotifyAddressList(const std::string& list) {
  for (const std::string& line : NotifyAddressLines(list)) {
    NotifyAddress address;
    std::string error = ParseNotifyAddress(line, address);
    if (!error.empty()) return MaskedNotifyAddress(line) + ": " + error;
  }
  return {};
}

std::string MaskedNotifyAddressList(const std::string& list) {
  std::string masked;
  for (const std::string& line : NotifyAddressLines(list)) {
    if (!masked.empty()) masked += '\n';
    masked += MaskedNotifyAddress(line);
  }
  return masked;
}
