#include "core/ui/page_data_form.h"

#include <algorithm>
#include <cctype>

#include "core/common/version.h"
#include "platform/text_codec.h"
#include "platform/proxy_address.h"
#include "platform/wire_url.h"

namespace {

bool IsPort(const std::string& text) {
  if (text.empty() || text.size() > 5) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  int port = std::stoi(text);
  return port >= 1 && port <= 65535;
}

}  // namespace

VirtualBrowser BrowserOfAgent(const std::string& userAgent) {
  if (userAgent.find("Firefox") != std::string::npos) return VirtualBrowser::Firefox;
  if (userAgent.find("Netscape") != std::string::npos) return VirtualBrowser::Netscape;
  if (userAgent.find("MSIE") != std::string::npos) return VirtualBrowser::Msie;
  return VirtualBrowser::Pagewarden;
}

std::string AgentOfBrowser(VirtualBrowser browser) {
  switch (browser) {
    case VirtualBrowser::Msie: return kMsieAgent;
    case VirtualBrowser::Netscape: return kNetscapeAgent;
    case VirtualBrowser::Firefox: return kFirefoxAgent;
    case VirtualBrowser::Pagewarden: break;
  }
  return kAgentText;
}

PageDataFields LoadPageData(const FetchRequest& request, const std::string& globalProxy) {
  PageDataFields fields;
  fields.name = request.m_name;
  fields.url = request.m_url;
  fields.referer = request.m_referer;
  fields.user = request.m_user;
  fields.password = request.m_password;
  // A proxy equal to the global one (or its address) is no proxy of the page's own.
  if (request.m_proxy != globalProxy &&
      request.m_proxy != platform::ParseProxy(globalProxy).HostPort()) {
    std::size_t colon = request.m_proxy.find(':');
    if (colon != std::string::npos) {
      fields.proxyHost = request.m_proxy.substr(0, colon);
      fields.proxyPort = request.m_proxy.substr(colon + 1);
    }
  }
  fields.browser = BrowserOfAgent(request.m_userAgent);
  return fields;
}

void StorePageData(const PageDataFields& fields, const std::string& globalProxy,
                   FetchRequest& request) {
  request.m_referer = fields.referer;
  request.m_url = fields.url;
  request.m_name = fields.name;
  request.m_user = fields.user;
  request.m_password = fields.password;
  if (!fields.proxyHost.empty() && !fields.proxyPort.empty()) {
    request.m_proxy = fields.proxyHost + ":" + fields.proxyPort;
  } else if (!globalProxy.empty()) {
    // The login stays in the settings; the retriever adds it for this address.
    request.m_proxy = platform::ParseProxy(globalProxy).HostPort();
  } else {
    request.m_proxy.clear();
  }
  request.m_userAgent = AgentOfBrowser(fields.browser);
}

std::string ForeignCharacterMessage(const std::vector<std::pair<std::string, std::string>>& typed) {
  for (const auto& [caption, utf8] : typed) {
    if (std::optional<platform::ForeignCharacter> found = platform::FindForeignCharacter(utf8)) {
      return "「" + caption + "」の" + platform::ForeignCharacterText(*found) +
             " は保存できません。\n別の文字に置き換えてください。";
    }
  }
  return std::string();
}

std::string PageDataRefusal(const PageDataFields& fields) {
  if (fields.url.empty()) return kNoUrl;
  if (std::string fault = platform::UrlFault(fields.url); !fault.empty()) return fault + "。";
  // A port without a host stores no proxy of the page's own and is not looked at.
  if (!fields.proxyHost.empty() && !fields.proxyPort.empty() && !IsPort(fields.proxyPort)) {
    return kBadPageProxyPort;
  }
  return {};
}
