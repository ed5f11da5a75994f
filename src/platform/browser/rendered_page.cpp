#include "platform/browser/rendered_page.h"

#include <unistd.h>

#include <map>
#include <set>

#include "platform/browser/browser_process.h"
#include "platform/browser/devtools_pipe.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
using Json = nlohmann::json;
using Outcome = BrowserPage::Outcome;

// The network counts as idle after this long without a request starting or ending.
constexpr std::chrono::milliseconds kQuietTime(500);
// What is kept of the time limit for taking the document after the wait.
constexpr std::uint32_t kTakeReserveMs = 5000;

// Switches that keep a run to the page alone: no first-run pages, sync, component or
// safe-browsing updates, crash reports, extensions or other background traffic.
std::vector<std::string> BrowserArguments(const BrowserPageRequest& request, const std::string& proxyAddress) {
  std::vector<std::string> arguments = {
      "--headless=new", "--remote-debugging-pipe", "--no-first-run", "--no-default-browser-check",
      "--disable-sync", "--disable-background-networking", "--disable-component-update",
      "--disable-default-apps", "--disable-extensions", "--disable-breakpad",
      "--disable-crash-reporter", "--disable-domain-reliability",
      "--disable-client-side-phishing-detection", "--no-pings", "--mute-audio",
      "--password-store=basic", "--use-mock-keychain", "--hide-scrollbars",
      "--disable-features=Translate,MediaRouter,OptimizationHints,AutofillServerCommunication",
  };
  // The sandbox stays on for every user but root, for whom Chromium refuses to start with it.
  if (::geteuid() == 0) arguments.push_back("--no-sandbox");
  if (!request.userAgent.empty()) arguments.push_back("--user-agent=" + request.userAgent);
  if (proxyAddress.empty()) {
    arguments.push_back("--no-proxy-server");
  } else {
    arguments.push_back("--proxy-server=" + proxyAddress);
    // Chromium sends loopback addresses direct on its own; "<-loopback>" takes them back.
    arguments.push_back(request.bypassLocal ? "--proxy-bypass-list=<local>" : "--proxy-bypass-list=<-loopback>");
  }
  arguments.push_back("about:blank");
  return arguments;
}

std::string Trim(const std::string& text) {
  std::size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return "";
  return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

Json HeaderObject(const std::string& lines) {
  Json headers = Json::object();
  std::size_t start = 0;
  while (start < lines.size()) {
    std::size_t end = lines.find('\n', start);
    std::string line = lines.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::size_t colon = line.find(':');
    if (colon != std::string::npos && !Trim(line.substr(0, colon)).empty()) {
      headers[Trim(line.substr(0, colon))] = Trim(line.substr(colon + 1));
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return headers;
}

// The document serialised with its doctype, or its size in bytes when it is over `limit`.
std::string SerialiseExpression(std::int64_t limit) {
  return "(() => { const d = document; const h = (d.doctype ? new XMLSerializer()"
         ".serializeToString(d.doctype) + '\\n' : '') + (d.documentElement ? "
         "d.documentElement.outerHTML : ''); const n = new TextEncoder().encode(h).length; "
         "return " + std::to_string(limit) + " > 0 && n > " + std::to_string(limit) + " ? n : h; })()";
}

// A promise that settles when `selector` matches, watching the document's changes.
std::string WaitExpression(const std::string& selector) {
  std::string quoted = Json(selector).dump();
  return "new Promise(done => { const s = " + quoted + "; if (document.querySelector(s)) "
         "return done(true); new MutationObserver((m, o) => { if (document.querySelector(s)) "
         "{ o.disconnect(); done(true); } }).observe(document, {childList: true, subtree: true, "
         "attributes: true}); })";
}

class CPageRun {
 public:
  explicit CPageRun(const BrowserPageRequest& request)
      : m_request(request),
        m_start(Clock::now()),
        m_end(m_start + std::chrono::milliseconds(request.timeLimitMs)),
        m_settle(m_end - std::chrono::milliseconds(std::min(kTakeReserveMs, request.timeLimitMs / 4))) {
    SplitProxy();
  }

  BrowserPage Run();

 private:
  void SplitProxy();
  bool Fail(Outcome outcome, const std::string& message = "");
  bool FromWait(CDevToolsPipe::Wait why);
  bool Call(const std::string& method, const Json& params, const std::string& session, Json& result);
  bool Open();
  bool Navigate();
  bool WaitUntilReady();
  bool TakeDocument();
  void OnEvent(const Json& message);
  bool OnReply(const Json& message);
  void ArmWait();
  void Answer(const std::string& method, const Json& params);

  const BrowserPageRequest& m_request;
  Clock::time_point m_start, m_end, m_settle;
  std::string m_proxyAddress, m_proxyUser, m_proxyPassword;
  CBrowserProcess m_process;
  std::unique_ptr<CDevToolsPipe> m_pipe;
  BrowserPage m_page;
  std::string m_session;
  std::string m_loaderId;
  std::set<std::string> m_inFlight;
  std::map<std::string, int> m_authAnswers;
  Clock::time_point m_lastActivity = Clock::now();
  bool m_loaded = false;
  bool m_failed = false;
  bool m_found = false;
  int m_waitCall = -1;  // the selector wait under way
};

void CPageRun::SplitProxy() {
  const std::string& proxy = m_request.proxy;
  std::size_t at = proxy.rfind('@');
  m_proxyAddress = at == std::string::npos ? proxy : proxy.substr(at + 1);
  if (at == std::string::npos) return;
  std::string credentials = proxy.substr(0, at);
  std::size_t colon = credentials.find(':');
  m_proxyUser = credentials.substr(0, colon);
  if (colon != std::string::npos) m_proxyPassword = credentials.substr(colon + 1);
}

bool CPageRun::Fail(Outcome outcome, const std::string& message) {
  if (!m_failed) {
    m_failed = true;
    m_page.outcome = outcome;
    m_page.message = message;
  }
  return false;
}

bool CPageRun::FromWait(CDevToolsPipe::Wait why) {
  switch (why) {
    case CDevToolsPipe::Wait::Cancelled:
      return Fail(Outcome::Cancelled);
    case CDevToolsPipe::Wait::TooLarge:
      return Fail(Outcome::TooLarge);
    case CDevToolsPipe::Wait::TimedOut:
      return Fail(Outcome::TimedOut, "ブラウザでの表示が制限時間 (" +
                                         std::to_string(m_request.timeLimitMs / 1000) + " 秒) 内に終わりませんでした");
    default:
      return Fail(Outcome::Failed, "ブラウザが予期せず終了しました");
  }
}

// Sends a command and reads until its reply, handling the events that come before it.
bool CPageRun::Call(const std::string& method, const Json& params, const std::string& session,
                    Json& result) {
  int id = m_pipe->Send(method, params, session, m_end);
  if (id < 0) return FromWait(CDevToolsPipe::Wait::Closed);
  for (;;) {
    Json message;
    CDevToolsPipe::Wait why = m_pipe->Next(message, m_end);
    if (why != CDevToolsPipe::Wait::Message) return FromWait(why);
    if (message.contains("id") && message["id"] == id) {
      if (message.contains("error")) {
        return Fail(Outcome::Failed, "ブラウザが " + method + " を拒みました: " +
                                         message["error"].value("message", std::string()));
      }
      result = message.value("result", Json::object());
      return true;
    }
    if (!OnReply(message)) return false;
  }
}

// The browser's side of the run: downloads refused, a page of our own, its session with
// the item's identity.
bool CPageRun::Open() {
  Json result;
  if (!Call("Browser.setDownloadBehavior", {{"behavior", "deny"}}, "", result)) return false;
  if (!Call("Target.createTarget", {{"url", "about:blank"}}, "", result)) return false;
  std::string target = result.value("targetId", std::string());
  if (!Call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}, "", result)) return false;
  m_session = result.value("sessionId", std::string());
  if (!Call("Page.enable", Json::object(), m_session, result) ||
      !Call("Network.enable", Json::object(), m_session, result)) {
    return false;
  }
  Json headers = HeaderObject(m_request.extraHeaders);
  if (!headers.empty() && !Call("Network.setExtraHTTPHeaders", {{"headers", headers}}, m_session, result)) {
    return false;
  }
  std::size_t start = 0;
  const std::string& cookies = m_request.cookie;
  while (start < cookies.size()) {
    std::size_t end = cookies.find(';', start);
    std::string pair = Trim(cookies.substr(start, end == std::string::npos ? std::string::npos : end - start));
    std::size_t equals = pair.find('=');
    if (equals != std::string::npos && equals > 0) {
      Json cookie = {{"name", Trim(pair.substr(0, equals))}, {"value", Trim(pair.substr(equals + 1))},
                     {"url", m_request.url}};
      if (!Call("Network.setCookie", cookie, m_session, result)) return false;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // Requests pause only where credentials may be asked for; each goes on at once.
  if (!m_request.user.empty() || !m_proxyUser.empty()) {
    if (!Call("Fetch.enable", {{"handleAuthRequests", true}}, m_session, result)) return false;
  }
  return true;
}

bool CPageRun::Navigate() {
  Json params = {{"url", m_request.url}};
  if (!m_request.referer.empty()) params["referrer"] = m_request.referer;
  Json result;
  if (!Call("Page.navigate", params, m_session, result)) return false;
  std::string error = result.value("errorText", std::string());
  if (!error.empty() && m_page.httpStatus == 0) {
    return Fail(Outcome::Failed, "ページを開けません (" + error + ")");
  }
  m_loaderId = result.value("loaderId", std::string());
  m_lastActivity = Clock::now();
  return true;
}

void CPageRun::Answer(const std::string& method, const Json& params) {
  m_pipe->Send(method, params, m_session, m_end);
}

void CPageRun::ArmWait() {
  if (m_request.waitFor.empty() || m_waitCall >= 0 || m_found) return;
  m_waitCall = m_pipe->Send("Runtime.evaluate",
                            {{"expression", WaitExpression(m_request.waitFor)}, {"awaitPromise", true},
                             {"returnByValue", true}},
                            m_session, m_end);
}

void CPageRun::OnEvent(const Json& message) {
  const std::string method = message.value("method", std::string());
  const Json params = message.value("params", Json::object());
  const std::string request = params.value("requestId", std::string());
  if (method == "Network.requestWillBeSent") {
    m_inFlight.insert(request);
    m_lastActivity = Clock::now();
  } else if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
    m_inFlight.erase(request);
    m_lastActivity = Clock::now();
  } else if (method == "Network.responseReceived" && params.value("type", std::string()) == "Document" &&
             (m_loaderId.empty() || request == m_loaderId)) {
    const Json response = params.value("response", Json::object());
    m_page.httpStatus = response.value("status", 0);
    m_page.contentType = response.value("mimeType", std::string());
  } else if (method == "Page.loadEventFired") {
    m_loaded = true;
    m_lastActivity = Clock::now();
    ArmWait();
  } else if (method == "Fetch.requestPaused") {
    Answer("Fetch.continueRequest", {{"requestId", request}});
  } else if (method == "Fetch.authRequired") {
    const Json challenge = params.value("authChallenge", Json::object());
    bool proxy = challenge.value("source", std::string()) == "Proxy";
    const std::string& user = proxy ? m_proxyUser : m_request.user;
    const std::string& password = proxy ? m_proxyPassword : m_request.password;
    // Credentials are offered once per request: a second challenge is a refusal.
    Json answer = {{"response", "CancelAuth"}};
    if (!user.empty() && m_authAnswers[request]++ == 0) {
      answer = {{"response", "ProvideCredentials"}, {"username", user}, {"password", password}};
    }
    Answer("Fetch.continueWithAuth", {{"requestId", request}, {"authChallengeResponse", answer}});
  } else if (method == "Inspector.targetCrashed" || method == "Target.detachedFromTarget") {
    Fail(Outcome::Failed, "ブラウザのページが異常終了しました");
  }
}

// A message other than the reply waited for: an event, or the reply to the selector wait.
bool CPageRun::OnReply(const Json& message) {
  if (!message.contains("id")) {
    OnEvent(message);
    return !m_failed;
  }
  if (message["id"] != m_waitCall) return true;
  m_waitCall = -1;
  const Json result = message.value("result", Json::object());
  if (result.contains("exceptionDetails")) {
    std::string text = result["exceptionDetails"].dump();
    if (text.find("not a valid selector") != std::string::npos) {
      return Fail(Outcome::Failed, "待つ要素のセレクタが正しくありません: " + m_request.waitFor);
    }
  }
  if (result.contains("result") && result["result"].value("value", false)) {
    m_found = true;
  } else if (m_loaded) {
    // The document was replaced while the wait ran (a navigation by script): wait anew.
    ArmWait();
  }
  return true;
}

bool CPageRun::WaitUntilReady() {
  for (;;) {
    if (m_found) return true;
    Clock::time_point until = m_settle;
    if (m_request.waitFor.empty() && m_loaded && m_inFlight.empty()) {
      Clock::time_point quiet = m_lastActivity + kQuietTime;
      if (Clock::now() >= quiet) return true;
      until = std::min(until, quiet);
    }
    Json message;
    CDevToolsPipe::Wait why = m_pipe->Next(message, until);
    if (why == CDevToolsPipe::Wait::TimedOut && Clock::now() >= m_settle) {
      if (!m_request.waitFor.empty()) {
        return Fail(Outcome::TimedOut, "待つ要素「" + m_request.waitFor + "」が制限時間内に現れませんでした");
      }
      // A page that never falls quiet (polling, a live feed) is taken as it stands, once
      // its document arrived.
      if (m_page.httpStatus != 0) return true;
      return FromWait(why);
    }
    if (why == CDevToolsPipe::Wait::TimedOut) continue;
    if (why != CDevToolsPipe::Wait::Message) return FromWait(why);
    if (!OnReply(message)) return false;
  }
}

bool CPageRun::TakeDocument() {
  Json result;
  Json params = {{"expression", SerialiseExpression(m_request.sizeLimit)}, {"returnByValue", true}};
  if (!Call("Runtime.evaluate", params, m_session, result)) return false;
  const Json value = result.value("result", Json::object()).value("value", Json());
  if (value.is_number()) return Fail(Outcome::TooLarge);
  if (!value.is_string()) return Fail(Outcome::Failed, "ブラウザから文書を受け取れませんでした");
  m_page.dom = value.get<std::string>();
  return true;
}

BrowserPage CPageRun::Run() {
  std::string program = FindBrowserProgram();
  if (program.empty()) {
    m_page.outcome = Outcome::NoBrowser;
    return m_page;
  }
  std::string failure;
  if (!m_process.Start(program, BrowserArguments(m_request, m_proxyAddress), m_request.profileParent, failure)) {
    Fail(Outcome::Failed, failure);
    return m_page;
  }
  // A document over the limit is refused by the browser's side before it travels; the
  // pipe's own bound only guards against a message far beyond it.
  std::size_t limit = m_request.sizeLimit > 0 ? static_cast<std::size_t>(m_request.sizeLimit) * 2 + (1 << 20)
                                              : static_cast<std::size_t>(1) << 31;
  m_pipe = std::make_unique<CDevToolsPipe>(m_process.CommandDescriptor(), m_process.ReplyDescriptor(),
                                           m_request.cancelDescriptor, limit);
  bool done = Open() && Navigate() && WaitUntilReady() && TakeDocument();
  m_process.Stop();
  if (done) {
    m_page.outcome = m_page.httpStatus >= 400 ? Outcome::HttpStatus : Outcome::Rendered;
    if (m_page.outcome != Outcome::Rendered) m_page.dom.clear();
  }
  return m_page;
}

}  // namespace

BrowserPage RenderPage(const BrowserPageRequest& request) {
  CPageRun run(request);
  return run.Run();
}

}  // namespace platform
