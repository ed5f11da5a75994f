// The page data page's rules: what its fields show of the working fetch request when the
// page is first shown in a run, and what the fields write back on OK. The page's own
// proxy is shown only when it differs from the global proxy; empty proxy fields store the
// global proxy's address of that moment (never its login). The browser identity is one of
// four user agents.
//
// Threads: UI thread only.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/fetch/fetch_request.h"

inline constexpr const char* kMsieAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; Q312461)";
inline constexpr const char* kNetscapeAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.0; ja-JP; rv:0.9.4) Gecko/20011128 Netscape6/6.2.1";

// A desktop Firefox ESR of today, for sites that turn the old identities away. Update it
// here when a new ESR comes out; items keep the string they were given.
inline constexpr const char* kFirefoxAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:140.0) Gecko/20100101 Firefox/140.0";

enum class VirtualBrowser { Msie, Netscape, Pagewarden, Firefox };

// The browser a user agent stands for: "Firefox" in it, else "Netscape" in it, else "MSIE"
// in it, else our own.
VirtualBrowser BrowserOfAgent(const std::string& userAgent);
// The user agent the page stores for a browser.
std::string AgentOfBrowser(VirtualBrowser browser);

struct PageDataFields {
  std::string name;
  std::string url;
  std::string referer;
  std::string user;
  std::string password;
  std::string proxyHost;
  std::string proxyPort;
  VirtualBrowser browser = VirtualBrowser::Pagewarden;
};

// The fields for `request` on the page's first activation.
PageDataFields LoadPageData(const FetchRequest& request, const std::string& globalProxy);
inline constexpr const char* kNoUrl = "URLを入力してください";
inline constexpr const char* kBadPageProxyPort =
    "プロキシのポートには 1 から 65535 までの整数を入力してください。";

// Why the fields cannot be stored (the message that keeps the user on the page, naming what
// is wrong with the address), or empty: an item without an address, or with one the
// retriever cannot fetch, would be dropped or fail at every check.
std::string PageDataRefusal(const PageDataFields& fields);
// OK: the fields into `request`.
void StorePageData(const PageDataFields& fields, const std::string& globalProxy,
                   FetchRequest& request);

// Leaving the page: the first typed text (caption, text as the user typed it in UTF-8) that
// CP932 cannot hold whole, named with its character in a message that keeps the user on
// the page; empty when every text can be stored as typed. Stored, the character would
// become '?'.
std::string ForeignCharacterMessage(const std::vector<std::pair<std::string, std::string>>& typed);
