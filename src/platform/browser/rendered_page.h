// A page as a browser shows it: headless Chromium loads the address with the request's
// identity (user agent, referer, proxy, cookies, extra headers, credentials), runs its
// scripts until the network has been quiet for a moment or a CSS selector matches, and
// gives the document it built (the rendered DOM, serialised as HTML, UTF-8).
//
// Why the DevTools pipe and not --dump-dom: --dump-dom can neither wait for a selector nor
// send cookies, extra headers or credentials, and it waits only for the load event, before
// the scripts that fetch data afterwards have finished.
//
// Every run starts a fresh browser with a fresh profile and ends it (process group killed,
// profile removed) before returning, whatever the ending: rendered, failed, timed out or
// cancelled.
//
// Threads: RenderPage blocks the calling thread; the cancel descriptor may be made
// readable by any thread to end it at once.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct BrowserPageRequest {
  std::string url;
  std::string userAgent;     // empty: the browser's own
  std::string referer;
  std::string proxy;         // "host:port" or "user:password@host:port"; empty: none
  bool bypassLocal = true;   // with a proxy: local addresses go direct
  std::string cookie;        // "name=value; name2=value2", sent to the page's site
  std::string extraHeaders;  // header lines "Name: value", separated by CR LF or LF
  std::string user;          // credentials for a server that asks (basic auth)
  std::string password;
  std::string waitFor;       // CSS selector to wait for; empty: wait for a quiet network
  std::uint32_t timeLimitMs = 300000;  // the whole run, browser start to end
  std::int64_t sizeLimit = 0;          // bytes the DOM may have; 0: none
  std::string profileParent;           // native folder for the profile
  int cancelDescriptor = -1;           // readable: stop at once
};

struct BrowserPage {
  enum class Outcome { Rendered, NoBrowser, Failed, HttpStatus, TooLarge, TimedOut, Cancelled };
  Outcome outcome = Outcome::Failed;
  int httpStatus = 0;   // the document's status, when it had one
  std::string dom;      // Rendered: the document as HTML (UTF-8)
  std::string message;  // Failed, TimedOut: why (CP932)
  std::string contentType;  // the document's MIME type
};

BrowserPage RenderPage(const BrowserPageRequest& request);

}  // namespace platform
