#include "core/fetch/fetch.h"

#include "core/fetch/browser_fetch.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <set>

#include "core/common/app_settings.h"
#include "core/common/version.h"
#include "core/common/path_utils.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/file_system.h"
#include "platform/http_session.h"
#include "platform/proxy_address.h"
#include "platform/transfer_error_text.h"

namespace {

// Redirections followed after the first request, as browsers and curl do: a site answers
// http:// with https:// and then with its www. name, and some add a login or language step.
constexpr int kMaxRedirections = 10;
// A Retry-After further off than this is taken as this: a server's slip must not stop an
// item for months.
constexpr int kLongestRetryAfter = 24 * 60 * 60;
constexpr std::uint32_t kAuthTimeoutMs = 60000;
constexpr std::size_t kBlockSize = 2048;
constexpr std::size_t kFileBuffer = 64 * 1024;

const char kAuthRefused[] = "認証が否定されました";
const char kBadRedirect[] = "不正なＵＲＬへのリダイレクト";
const char kTooManyRelocations[] = "リロケーションの許容回数を越えました";
const char kRedirectLoop[] = "リダイレクトがループしています";
const char kOtherFileType[] = "異なるファイルタイプが返されました";
const char kCannotCreate[] = "保存ファイルが作れません";


// Ends the request phase inside the retriever: NotFetchable, or Failed with the job's
// m_errorText already set. Never leaves the retriever.
class CFetchException {
 public:
  explicit CFetchException(FetchOutcome outcome) : m_outcome(outcome) {}
  FetchOutcome m_outcome;
};

// A failure of the HTTP layer, carrying its message. Never leaves the retriever.
class CNetworkException {
 public:
  explicit CNetworkException(std::string message) : m_message(std::move(message)) {}
  std::string m_message;
};

// 307 and 308 keep the verb and the body, as 301 and 302 do here.
bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A server that is overloaded or limits its callers, and may say when to come back.
bool IsBusy(int status) { return status == 429 || status == 503; }

// The subtype of a Content-Type: the text after its last '/', blank or comma.
std::string Subtype(const std::string& contentType) {
  std::size_t at = contentType.find_last_of("/ ,");
  return at == std::string::npos ? contentType : contentType.substr(at + 1);
}

std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// htm and html name one file type: an .htm page answered as text/html is no other type.
bool SameFileType(const std::string& extension, const std::string& subtype) {
  std::string a = UpperCase(extension);
  std::string b = UpperCase(subtype);
  if (a == "HTM") a = "HTML";
  if (b == "HTM") b = "HTML";
  return a == b;
}

// "scheme:" at the start of a Location, as in file:, ftp: or mailto:.
bool HasScheme(const std::string& target) {
  std::size_t i = 0;
  while (i < target.size() && (std::isalnum(static_cast<unsigned char>(target[i])) ||
                               target[i] == '+' || target[i] == '-' || target[i] == '.')) {
    ++i;
  }
  return i > 0 && std::isalpha(static_cast<unsigned char>(target[0])) && i < target.size() &&
         target[i] == ':';
}

// The URL a Location leads to from `current`. A target with a scheme of its own stays as
// it is, so that one the retriever cannot fetch ends the fetch instead of being taken as
// a path on the same server.
// Bytes beyond ASCII that a server wrote into a Location as they are (UTF-8 mostly,
// Shift_JIS from older servers) are escaped byte for byte, as browsers send them: read as
// the program's own code they would name another address. The host is left as written.
std::string EscapeRawLocation(const std::string& target) {
  std::size_t path = 0;
  if (std::size_t scheme = target.find("://"); scheme != std::string::npos && HasScheme(target)) {
    path = target.find('/', scheme + 3);
  } else if (target.compare(0, 2, "//") == 0) {
    path = target.find('/', 2);
  }
  if (path == std::string::npos) return target;
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped = target.substr(0, path);
  for (std::size_t i = path; i < target.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(target[i]);
    if (byte < 0x80) {
      escaped += target[i];
    } else {
      escaped += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return escaped;
}

std::string ResolveLocation(const std::string& current, const std::string& target) {
  if (target.compare(0, 4, "http") == 0 || HasScheme(target)) return target;
  if (target.compare(0, 2, "//") == 0) return current.substr(0, current.find("://") + 1) + target;
  if (!target.empty() && target[0] == '/') return UrlRoot(current) + target;
  return UpToLast(current, '/') + target;
}

// The fields of an HTTP date as calendar parts, in no zone yet.
std::tm CalendarParts(const platform::HttpDate& date) {
  std::tm parts{};
  parts.tm_year = date.year - 1900;
  parts.tm_mon = date.month - 1;
  parts.tm_mday = date.day;
  parts.tm_hour = date.hour;
  parts.tm_min = date.minute;
  parts.tm_sec = date.second;
  parts.tm_isdst = -1;
  return parts;
}

// The date of a Last-Modified header read as local calendar time, as the link lists and
// request files of the companion programs hold it.
int LocalCalendarTime(const platform::HttpDate& date) {
  std::tm parts = CalendarParts(date);
  std::time_t local = std::mktime(&parts);
  // The stored time is 32 bits: a later date is kept as the latest one, so that the same
  // date compares equal at every check. A date before 1970 counts as none.
  if (local <= 0) return 0;
  return local > INT_MAX ? INT_MAX : static_cast<int>(local);
}

// The name a new save file gets: the save path, or the first numbered name beside it
// that is free, taken at once by creating the file (another check's fetch may be looking
// for a free name beside it now).
std::string FreeSavePath(const FetchJob& job) {
  return CreateUniqueFile(StripNumberSuffix(job.m_savePath));
}

}  // namespace

// The sheet stores the program-wide proxy's address in a request without a proxy of its
// own: that one keeps the program-wide login, which the watch list file never holds.
std::string ProxyOf(const FetchRequest& request, const FetchSettings& settings) {
  if (request.m_proxy.empty()) return settings.m_proxy;
  platform::ProxyAddress global = platform::ParseProxy(settings.m_proxy);
  if (global.HasLogin() && global.HostPort() == request.m_proxy) return settings.m_proxy;
  return request.m_proxy;
}

bool BypassesLocal(const FetchRequest& request, const FetchSettings& settings) {
  return request.m_proxy.empty() ? settings.m_noProxyForLocal != 0 : request.m_bypassLocal != 0;
}

std::string BusyMessage(int seconds) {
  return "サーバーが混雑しています (" + std::to_string(seconds) + " 秒後に再試行)";
}

namespace {

// The seconds a Retry-After value asks to wait: a number of seconds or an HTTP date; -1
// when it is neither.
int RetryAfterSeconds(const std::string& value) {
  if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos) {
    return value.size() > 6 ? kLongestRetryAfter
                            : std::min(std::atoi(value.c_str()), kLongestRetryAfter);
  }
  platform::HttpDate date;
  if (!platform::ParseHttpDate(value, date)) return -1;
  std::tm parts = CalendarParts(date);
  long long wait = static_cast<long long>(timegm(&parts)) - platform::Now();
  return static_cast<int>(std::clamp<long long>(wait, 0, kLongestRetryAfter));
}

}  // namespace

std::string PageTooLarge(std::int64_t limit) {
  constexpr std::int64_t kMiB = 1 << 20;
  std::string size = limit % kMiB == 0 ? std::to_string(limit / kMiB) + " MiB"
                                       : std::to_string(limit) + " バイト";
  return "ページサイズの上限 (" + size + ") を超えました";
}

std::int64_t PageSizeLimitBytes(const AppSettings& settings) {
  return settings.m_pageSizeLimitMiB > 0 ? static_cast<std::int64_t>(settings.m_pageSizeLimitMiB) << 20
                                         : 0;
}

void ApplyProgramSettings(const AppSettings& settings, FetchSettings& fetch) {
  fetch.m_proxy = settings.m_proxy;
  fetch.m_noProxyForLocal = settings.m_noProxyForLocal;
  fetch.m_extraCaFile = settings.m_extraCaFile;
  fetch.m_pageSizeLimit = PageSizeLimitBytes(settings);
  fetch.m_hostIntervalMs = static_cast<std::uint32_t>(std::max(settings.m_hostInterval, 0)) * 1000;
  fetch.m_browserLimit = settings.m_browserJobs;
}

FetchSettings FetchSettingsFrom(const AppSettings& settings) {
  FetchSettings result;
  ApplyProgramSettings(settings, result);
  return result;
}

std::uint32_t TotalTimeoutMs(const AppSettings& settings) {
  return static_cast<std::uint32_t>(std::max(settings.m_fetchTimeLimit, 0)) * 1000;
}

CFetch::CFetch(IPrompter& prompter, FetchSettings settings)
    : m_prompter(prompter), m_settings(std::move(settings)) {}

CFetch::~CFetch() = default;

FetchOutcome CFetch::Fetch(FetchJob& job) {
  job.m_retryAfter = -1;
  job.ClearOutcome();
  if (job.m_browser) {
    // The document the browser built stands for the page: UTF-8 HTML.
    m_contentType = "text/html; charset=UTF-8";
    return FetchRendered(job, m_settings);
  }
  m_pJob = &job;
  m_pRequest = &job;
  m_contentType.clear();
  std::unique_ptr<platform::CHttpSession> session = OpenSession();
  try {
    RunFetch(*session);
  } catch (const CFetchException& failure) {
    job.m_outcome = failure.m_outcome;
  } catch (const CNetworkException& failure) {
    job.Fail(failure.m_message);
  }
  EndPacedRequest();
  m_pJob = nullptr;
  m_pRequest = nullptr;
  return job.m_outcome;
}

std::time_t CFetch::FetchLastModified(FetchJob& job) {
  job.m_retryAfter = -1;
  m_pJob = &job;
  m_pRequest = &job;
  job.ClearOutcome();
  std::unique_ptr<platform::CHttpSession> session = OpenSession();
  std::time_t result = 0;
  try {
    result = RunLastModified(*session);
  } catch (const CFetchException& failure) {
    job.m_outcome = failure.m_outcome;
  } catch (const CNetworkException& failure) {
    job.Fail(failure.m_message);
  }
  EndPacedRequest();
  m_pJob = nullptr;
  m_pRequest = nullptr;
  return result;
}

// Before each request: the one before it has ended, and the pause since the last request
// to this host is waited out. A cancel ends the wait; the request then fails at once.
void CFetch::AwaitHost(std::string host) {
  EndPacedRequest();
  if (!m_settings.m_hostPacer) return;
  m_settings.m_hostPacer->AwaitTurn(host, std::chrono::milliseconds(m_settings.m_hostIntervalMs),
                                    m_settings.m_cancel.get());
  m_pacedHost = std::move(host);
}

void CFetch::EndPacedRequest() {
  if (m_pacedHost.empty()) return;
  m_settings.m_hostPacer->RecordEnd(m_pacedHost);
  m_pacedHost.clear();
}

// The request's own proxy when it has one, else the program-wide proxy. The system's own
// proxy configuration is never consulted.
std::unique_ptr<platform::CHttpSession> CFetch::OpenSession() const {
  platform::HttpOptions options;
  options.agent = kAgentText;
  options.proxy = ProxyOf(*m_pRequest, m_settings);
  options.bypassLocal = BypassesLocal(*m_pRequest, m_settings);
  options.connectTimeoutMs = m_settings.m_connectTimeoutMs;
  options.receiveTimeoutMs = m_settings.m_receiveTimeoutMs;
  options.totalTimeoutMs = m_settings.m_totalTimeoutMs;
  options.lowSpeedBytes = m_settings.m_lowSpeedBytes;
  options.lowSpeedSeconds = m_settings.m_lowSpeedSeconds;
  options.caFile = m_settings.m_caFile;
  options.compressed = true;
  options.extraCaFile = m_settings.m_extraCaFile;
  options.connections = m_settings.m_connections;
  options.cancel = m_settings.m_cancel;
  return std::make_unique<platform::CHttpSession>(std::move(options));
}

void CFetch::RunFetch(platform::CHttpSession& session) {
  FetchJob& job = *m_pJob;
  std::string url = job.m_url;
  std::string verb = job.m_formData.empty() ? "GET" : "POST";
  Request request;
  int status = 0;
  std::set<std::string> visited;
  for (int redirections = 0;; ++redirections) {
    CountRequest(visited, verb, url, redirections);
    status = Exchange(session, verb, url, request);
    if (!IsRedirect(status)) break;
    if (!job.m_redirectTarget.empty() && job.m_allowRelocation == 0) break;
    if (status == 303) verb = "GET";  // the others keep the verb
  }

  if (status != 200 && status != 206) {
    if (IsRedirect(status)) {
      job.m_outcome = FetchOutcome::Moved;  // to another file, named in m_redirectTarget
    } else if (!(IsBusy(status) && TakeRetryAfter(*request))) {
      if (status == 304) TakeValidators(*request);
      job.Answered(status);
    }
    request->Close();
    return;
  }

  m_contentType = request->ContentType();
  if (!AdjustSavePath()) {
    request->Close();
    job.Fail(kOtherFileType);
    return;
  }

  long long length = 0;
  // An encoded body's length on the wire says nothing of the decoded page's.
  if (!request->ContentEncoded() && request->ContentLength(length)) {
    job.m_contentLength = job.m_expectedSize = length;
  } else {
    job.m_contentLength = -1;
    job.m_expectedSize = 0;
  }

  platform::HttpDate date;
  job.m_lastModified = request->LastModified(date) ? LocalCalendarTime(date) : 0;
  TakeValidators(*request);

  // A body kept in memory gets its free name only when it is written.
  const bool inMemory = KeepsBodyInMemory();
  SaveBody(*request, inMemory ? job.m_savePath : FreeSavePath(job), inMemory);
}

std::time_t CFetch::RunLastModified(platform::CHttpSession& session) {
  FetchJob& job = *m_pJob;
  std::string url = job.m_url;
  Request request;
  int status = 0;
  std::set<std::string> visited;
  for (int redirections = 0;; ++redirections) {
    CountRequest(visited, "HEAD", url, redirections);
    status = Exchange(session, "HEAD", url, request);
    if (IsRedirect(status) && !job.m_redirectTarget.empty() && job.m_allowRelocation == 0) break;
    if (!IsRedirect(status) || status == 303) break;  // a 303 names no page to ask for a date
  }
  if (status == 200 || status == 206) {
    platform::HttpDate date;
    if (!request->LastModified(date)) return 0;
    job.m_lastModified = LocalCalendarTime(date);
    return job.m_lastModified;
  }
  // A redirection here is one to another file that relocation does not allow: no date. A
  // page that is not there has no date to go by either; reported as "no date", the date
  // rule would take a missing page for an update.
  if (!(IsBusy(status) && TakeRetryAfter(*request))) job.Answered(status);
  request->Close();
  return 0;
}

// One request and its answer: sent, authenticated when the server asks, and a
// redirection's Location taken into `url`. The answer's status.
int CFetch::Exchange(platform::CHttpSession& session, const std::string& verb,
                     std::string& url, Request& request) {
  AwaitHost(HostOfUrl(url));
  request = Connect(session, verb, url);
  Send(*request, verb);
  Authenticate(*request, verb);
  return FollowRedirect(*request, url);
}

CFetch::Request CFetch::Connect(platform::CHttpSession& session, const std::string& verb,
                                const std::string& url) {
  const FetchRequest& fetch = *m_pRequest;
  Request request = fetch.m_user.empty()
                        ? session.OpenRequest(verb, url)
                        : session.OpenRequest(verb, url, fetch.m_user, fetch.m_password);
  if (!request) throw CFetchException(FetchOutcome::NotFetchable);  // not http or https, or not a URL
  return request;
}

void CFetch::Send(platform::CHttpRequest& request, const std::string& verb) {
  FetchJob& job = *m_pJob;
  request.AddHeaders("Accept: */*\r\n");
  if (!job.m_extraHeaders.empty()) {
    std::size_t end = job.m_extraHeaders.find_last_not_of(" \t\r\n");
    job.m_extraHeaders.erase(end == std::string::npos ? 0 : end + 1);
    job.m_extraHeaders += "\r\n";
    request.AddHeaders(job.m_extraHeaders);
  }
  if (verb == "POST") request.AddHeaders("Content-Length: " + std::to_string(job.m_formData.size()) + "\r\n");
  if (!job.m_userAgent.empty()) request.AddHeaders("User-Agent: " + job.m_userAgent + "\r\n");
  if (!job.m_referer.empty()) request.AddHeaders("Referer: " + job.m_referer + "\r\n");
  if (!job.m_cookie.empty()) request.AddHeaders("Cookie: " + job.m_cookie + "\r\n");
  // A POST with validators would ask the server for a 412 instead.
  if (verb == "GET") {
    if (!job.m_ifNoneMatch.empty()) request.AddHeaders("If-None-Match: " + job.m_ifNoneMatch + "\r\n");
    if (!job.m_ifModifiedSince.empty()) {
      request.AddHeaders("If-Modified-Since: " + job.m_ifModifiedSince + "\r\n");
    }
  }
  if (!request.Send(verb == "POST" ? job.m_formData : std::string())) {
    throw CNetworkException(request.ErrorMessage());
  }
}

// Answers 401 by asking the user; every repetition needs the user's confirmation.
void CFetch::Authenticate(platform::CHttpRequest& request, const std::string& verb) {
  FetchJob& job = *m_pJob;
  int status = request.StatusCode();
  if (status == 407) {  // the proxy, not the page, wants a login: no dialog can give it
    job.m_errorText = platform::ProxyAuthenticationText(
        platform::ParseProxy(ProxyOf(*m_pRequest, m_settings)).HasLogin());
    throw CFetchException(FetchOutcome::Failed);
  }
  while (status == 401) {
    std::optional<IPrompter::Credentials> answer = m_prompter.AskCredentials(job.m_url, kAuthTimeoutMs);
    if (!answer) {
      job.m_errorText = kAuthRefused;
      throw CFetchException(FetchOutcome::Failed);
    }
    job.m_password = answer->password;
    job.m_user = answer->user;
    // Replaced, not only added: a second answer must not resend the first one.
    request.ReplaceHeaders(job.BasicAuthorizationHeader());
    AwaitHost(m_pacedHost);
    if (!request.Send(verb == "POST" ? job.m_formData : std::string())) {
      throw CNetworkException(request.ErrorMessage());
    }
    status = request.StatusCode();
  }
}

// On a redirection moves `url` to the Location; m_redirectTarget becomes the Location
// when the file name changes, else empty.
int CFetch::FollowRedirect(platform::CHttpRequest& request, std::string& url) {
  FetchJob& job = *m_pJob;
  int status = request.StatusCode();
  if (!IsRedirect(status)) return status;
  std::string target;
  if (!request.QueryHeader("Location", target) || target.empty()) {
    job.m_errorText = kBadRedirect;
    throw CFetchException(FetchOutcome::Failed);
  }
  target = EscapeRawLocation(target);
  bool sameFile = AfterLast(url, '/') == AfterLast(target, '/');
  url = ResolveLocation(url, target);
  job.m_redirectTarget = sameFile ? std::string() : target;
  return status;
}

// Before each request of a fetch: the request to `url` is the first or one of at most
// kMaxRedirections redirections, and not one the fetch has made before (a loop). Else the
// fetch fails with a message naming the address it would have asked next.
void CFetch::CountRequest(std::set<std::string>& visited, const std::string& verb,
                          const std::string& url, int redirections) {
  if (redirections > kMaxRedirections) {
    m_pJob->m_errorText = std::string(kTooManyRelocations) + " (" +
                          std::to_string(kMaxRedirections) + " 回): " + url;
    throw CFetchException(FetchOutcome::Failed);
  }
  if (!visited.insert(verb + " " + url).second) {
    m_pJob->m_errorText = std::string(kRedirectLoop) + ": " + url;
    throw CFetchException(FetchOutcome::Failed);
  }
}

// The answer's ETag and Last-Modified as written, for the next conditional request. A
// 304 that repeats neither leaves the ones that were sent.
void CFetch::TakeValidators(const platform::CHttpRequest& request) {
  FetchJob& job = *m_pJob;
  bool notModified = request.StatusCode() == 304;
  std::string value;
  if (request.QueryHeader("ETag", value)) {
    job.m_etag = value;
  } else {
    job.m_etag = notModified ? job.m_ifNoneMatch : std::string();
  }
  if (request.QueryHeader("Last-Modified", value)) {
    job.m_lastModifiedText = value;
  } else {
    job.m_lastModifiedText = notModified ? job.m_ifModifiedSince : std::string();
  }
}

// A busy answer with a Retry-After the fetch understands fails the fetch with the busy
// message and the wait in m_retryAfter (true); false when it named no wait.
bool CFetch::TakeRetryAfter(const platform::CHttpRequest& request) {
  FetchJob& job = *m_pJob;
  std::string value;
  int seconds = request.QueryHeader("Retry-After", value) ? RetryAfterSeconds(value) : -1;
  if (seconds < 0) return false;
  job.m_retryAfter = seconds;
  job.Fail(BusyMessage(seconds));
  return true;
}

// The save path takes the answer's type as its extension when it has none; an HTML answer
// to a URL of another type changes the extension, or fails (false) when relocation is not
// allowed.
bool CFetch::AdjustSavePath() {
  FetchJob& job = *m_pJob;
  std::string subtype = Subtype(m_contentType);
  if (ExtensionOf(job.m_savePath).empty()) {
    if (job.m_savePath.empty() || job.m_savePath.back() != '.') job.m_savePath += '.';
    job.m_savePath += subtype;
    return true;
  }
  std::string urlExtension = ExtensionOf(job.m_url);
  if (!urlExtension.empty() && (subtype == "html" || subtype == "htm") &&
      !SameFileType(urlExtension, subtype)) {
    if (job.m_allowRelocation == 0) return false;
    job.m_savePath = ReplaceExtension(job.m_savePath, subtype);
  }
  return true;
}

// A body the caller wants in memory is kept there while it fits; the folder must still be
// one the save file could be made in, so that a check fails there as it would with the file.
bool CFetch::KeepsBodyInMemory() const {
  const FetchJob& job = *m_pJob;
  if (job.m_memoryLimit <= 0 || job.m_expectedSize > job.m_memoryLimit) {
    return false;
  }
  std::string folder = UpToLast(job.m_savePath, '/');
  platform::FileAttributes attributes;
  return platform::ReadAttributes(folder.empty() ? std::string(".") : folder, attributes) &&
         attributes.isDirectory && !attributes.readOnly;
}

namespace {

FILE* OpenSaveFile(const std::string& path) {
  FILE* file = platform::OpenFile(path, "wb");
  // The body arrives in small blocks; the file takes it in larger writes.
  if (file) std::setvbuf(file, nullptr, _IOFBF, kFileBuffer);
  return file;
}

bool WriteAll(FILE* file, const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, file) == size;
}

// Moves the body held in memory into a new save file beside m_savePath, named in `path`,
// and gives the file open for more; null, with the reason in m_errorText, when it cannot
// be made or written (a file that could not be written is removed).
FILE* SpillBody(FetchJob& job, std::string& path) {
  path = FreeSavePath(job);
  FILE* file = OpenSaveFile(path);
  if (!file) {
    job.m_errorText = kCannotCreate;
    return nullptr;
  }
  bool written = WriteAll(file, job.m_body.data(), job.m_body.size());
  std::string().swap(job.m_body);
  if (!written) {
    job.m_errorText = std::strerror(errno);
    std::fclose(file);
    platform::RemoveFile(path);
    return nullptr;
  }
  return file;
}

}  // namespace

void CFetch::SaveBody(platform::CHttpRequest& request, std::string path, bool inMemory) {
  FetchJob& job = *m_pJob;
  const std::int64_t limit = m_settings.m_pageSizeLimit;
  job.m_bodyInMemory = false;
  job.m_body.clear();
  if (limit > 0 && job.m_expectedSize > limit) {  // told by its Content-Length
    if (!inMemory) platform::RemoveFile(path);  // the empty file that took the name
    job.Fail(PageTooLarge(limit));
    return;
  }
  FILE* file = inMemory ? nullptr : OpenSaveFile(path);
  if (!inMemory && !file) {
    job.Fail(kCannotCreate);
    return;
  }
  if (inMemory && job.m_expectedSize > 0) job.m_body.reserve(static_cast<std::size_t>(job.m_expectedSize));
  bool failed = false;  // with the reason in m_errorText
  // The position is counted here: asking the stream for it costs a system call a block.
  std::int64_t position = 0;
  char block[kBlockSize];
  while (true) {
    long count = request.Read(block, sizeof block);
    if (count < 0) {  // a lost connection or a body cut short is no success
      job.m_errorText = request.ErrorMessage();
      failed = true;
      break;
    }
    if (count == 0) break;
    if (limit > 0 && position + count > limit) {
      job.m_errorText = PageTooLarge(limit);
      failed = true;
      break;
    }
    if (!file && position + count > job.m_memoryLimit) {  // too large for memory after all
      file = SpillBody(job, path);
      if (!file) {
        failed = true;
        break;
      }
    }
    if (!file) {
      job.m_body.append(block, static_cast<std::size_t>(count));
    } else if (!WriteAll(file, block, static_cast<std::size_t>(count))) {
      job.m_errorText = std::strerror(errno);
      failed = true;
      break;
    }
    position += count;
    if (job.m_expectedSize != 0 && position >= job.m_expectedSize) break;
  }
  if (file && std::fclose(file) != 0 && !failed) {
    job.m_errorText = std::strerror(errno);
    failed = true;
  }
  // A file that did not arrive whole is of no use: no partial page is left.
  if (file && failed) platform::RemoveFile(path);
  job.m_bodyInMemory = !file && !failed;
  if (!job.m_bodyInMemory) std::string().swap(job.m_body);
  job.m_outcome = failed ? FetchOutcome::Failed : FetchOutcome::Fetched;
  if (file && !failed) job.m_savedPath = path;
}

bool WriteKeptBody(FetchJob& job) {
  std::string path;
  FILE* file = SpillBody(job, path);
  bool closed = file && std::fclose(file) == 0;
  if (file && !closed) {
    job.m_errorText = std::strerror(errno);
    platform::RemoveFile(path);
  }
  job.m_bodyInMemory = false;
  if (closed) {
    job.m_savedPath = path;
  } else {
    job.m_outcome = FetchOutcome::Failed;
  }
  return closed;
}
