#include "platform/wire_url.h"

#include <idn2.h>

#include <cctype>
#include <cstdlib>

#include "platform/http_url.h"
#include "platform/text_codec.h"

namespace platform {

namespace {

constexpr const char kNoIdnaHost[] = "URL のホスト名を国際化ドメイン名に変換できません";

bool HasNonAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return true;
  }
  return false;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Where the authority ("user@host:port") of a URL with "://" begins and ends.
struct Authority {
  std::size_t begin = 0;
  std::size_t end = 0;
};

Authority FindAuthority(const std::string& url, std::size_t schemeEnd) {
  Authority authority;
  authority.begin = schemeEnd + 3;
  authority.end = url.find_first_of("/?#", authority.begin);
  if (authority.end == std::string::npos) authority.end = url.size();
  return authority;
}

// The host inside an authority: after any "user@", before any ":port"; an IPv6 address
// keeps its brackets.
void SplitHost(const std::string& authority, std::size_t& hostBegin, std::size_t& hostEnd) {
  std::size_t at = authority.rfind('@');
  hostBegin = at == std::string::npos ? 0 : at + 1;
  if (hostBegin < authority.size() && authority[hostBegin] == '[') {
    std::size_t close = authority.find(']', hostBegin);
    hostEnd = close == std::string::npos ? authority.size() : close + 1;
    return;
  }
  std::size_t colon = authority.find(':', hostBegin);
  hostEnd = colon == std::string::npos ? authority.size() : colon;
}

bool IsAsciiHostCharacter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_';
}

// The punycode form of a UTF-8 host name; false when it is none. Names that only the
// older rules (IDNA 2003) allow, such as some symbols, are tried by those as well.
bool ToAsciiHost(const std::string& host, std::string& ascii) {
  char* converted = nullptr;
  int rc = idn2_to_ascii_8z(host.c_str(), &converted, IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
  if (rc != IDN2_OK) {
    rc = idn2_to_ascii_8z(host.c_str(), &converted, IDN2_NFC_INPUT | IDN2_TRANSITIONAL);
  }
  if (rc != IDN2_OK) return false;
  ascii = converted;
  idn2_free(converted);
  // The mapping may turn a wide blank or symbol into ASCII that no host name holds.
  for (unsigned char c : ascii) {
    if (!IsAsciiHostCharacter(c)) return false;
  }
  return true;
}

// `host` in UTF-8, where no byte of a multi-byte character looks like ASCII.
std::string HostFault(const std::string& host) {
  if (host.empty()) return "URL にホスト名がありません";
  if (host.front() == '[') {
    if (host.back() != ']' || host.size() < 3) return "URL の IPv6 アドレスの括弧が閉じていません";
    for (std::size_t i = 1; i + 1 < host.size(); ++i) {
      char c = host[i];
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') {
        return "URL の IPv6 アドレスが正しくありません";
      }
    }
    return "";
  }
  for (unsigned char c : host) {
    if (c == ' ') return "URL のホスト名に空白があります";
    if (c < 0x80 && !IsAsciiHostCharacter(c)) {
      return std::string("URL のホスト名に使えない文字 (") + static_cast<char>(c) + ") があります";
    }
  }
  std::string ascii;
  if (HasNonAscii(host) && !ToAsciiHost(host, ascii)) {
    return kNoIdnaHost;
  }
  return "";
}

}  // namespace

bool WireUrl(const std::string& url, std::string& wire, std::string& fault) {
  std::string text = HasNonAscii(url) ? Cp932ToUtf8(url) : url;
  std::size_t hash = text.find('#');
  if (hash != std::string::npos) text.erase(hash);  // a fragment never goes to the server
  std::size_t schemeEnd = text.find("://");
  if (schemeEnd == std::string::npos) {
    wire = EscapeUrl(text);
    return true;
  }
  Authority authority = FindAuthority(text, schemeEnd);
  std::string hostPart = text.substr(authority.begin, authority.end - authority.begin);
  std::size_t hostBegin = 0, hostEnd = 0;
  SplitHost(hostPart, hostBegin, hostEnd);
  std::string host = hostPart.substr(hostBegin, hostEnd - hostBegin);
  if (HasNonAscii(host)) {
    std::string ascii;
    if (!ToAsciiHost(host, ascii)) {
      fault = kNoIdnaHost;
      return false;
    }
    hostPart.replace(hostBegin, hostEnd - hostBegin, ascii);
  }
  wire = text.substr(0, authority.begin) + EscapeUrl(hostPart) +
         EscapeUrl(text.substr(authority.end));
  return true;
}

std::string UrlFault(const std::string& typed) {
  if (typed.empty()) return "URL がありません";
  // Read in UTF-8: a CP932 trail byte may have the value of '@', ':' or '\\'.
  const std::string url = HasNonAscii(typed) ? Cp932ToUtf8(typed) : typed;
  for (unsigned char c : url) {
    if (IsControl(c)) return "URL に制御文字があります";
  }
  std::size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos) return "URL は http:// か https:// で始めてください";
  std::string scheme = url.substr(0, schemeEnd);
  if (!EqualNoCase(scheme, "http") && !EqualNoCase(scheme, "https")) {
    return "対応していない種類の URL です (" + Utf8ToCp932(scheme) +
           ":)。http か https の URL を入力してください";
  }
  Authority authority = FindAuthority(url, schemeEnd);
  std::string hostPart = url.substr(authority.begin, authority.end - authority.begin);
  std::size_t hostBegin = 0, hostEnd = 0;
  SplitHost(hostPart, hostBegin, hostEnd);
  if (std::string fault = HostFault(hostPart.substr(hostBegin, hostEnd - hostBegin));
      !fault.empty()) {
    return fault;
  }
  if (hostEnd < hostPart.size()) {
    std::string port = hostPart.substr(hostEnd + 1);
    bool digits = !port.empty() && port.size() <= 5 &&
                  port.find_first_not_of("0123456789") == std::string::npos;
    if (hostPart[hostEnd] != ':' || !digits || std::atoi(port.c_str()) < 1 ||
        std::atoi(port.c_str()) > 65535) {
      return "URL のポート番号が正しくありません (1 から 65535)";
    }
  }
  return "";
}

}  // namespace platform
