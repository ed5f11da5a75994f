// The text of a proxy setting: "host:port", or "user:password@host:port" for a proxy that
// wants a Basic login. The user name ends at the first ':' and the login at the last '@',
// so a password may hold both.
#pragma once

#include <string>

namespace platform {

struct ProxyAddress {
  std::string user;      // empty: no login
  std::string password;
  std::string host;      // "host" of "host:port"
  std::string port;

  bool HasLogin() const { return !user.empty(); }
  // "host:port".
  std::string HostPort() const { return host + ":" + port; }
};

// The parts of `text`; a text without ':' after its login is all host.
ProxyAddress ParseProxy(const std::string& text);
// The stored form: "host:port", with "user:password@" before it when there is a user.
std::string ProxyText(const ProxyAddress& proxy);
// The text with the password shown as asterisks, for printing.
std::string MaskedProxyText(const std::string& text);

}  // namespace platform
