#include "platform/proxy_address.h"

#include "platform/cp932.h"

namespace platform {

ProxyAddress ParseProxy(const std::string& text) {
  ProxyAddress proxy;
  std::string address = text;
  // CP932-aware: the trail byte of a Japanese character in the password may equal '@'.
  std::size_t at = FindLastChar(text, '@');
  if (at != std::string::npos) {
    std::string login = text.substr(0, at);
    address = text.substr(at + 1);
    std::size_t colon = FindFirstChar(login, ':');
    proxy.user = login.substr(0, colon);
    if (colon != std::string::npos) proxy.password = login.substr(colon + 1);
  }
  std::size_t colon = address.find(':');
  proxy.host = address.substr(0, colon);
  if (colon != std::string::npos) proxy.port = address.substr(colon + 1);
  return proxy;
}

std::string ProxyText(const ProxyAddress& proxy) {
  std::string login = proxy.HasLogin() ? proxy.user + ":" + proxy.password + "@" : "";
  return login + proxy.HostPort();
}

std::string MaskedProxyText(const std::string& text) {
  ProxyAddress proxy = ParseProxy(text);
  if (!proxy.HasLogin() || proxy.password.empty()) return text;
  proxy.password = "********";
  return ProxyText(proxy);
}

}  // namespace platform
