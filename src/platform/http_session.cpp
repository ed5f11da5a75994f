#include "platform/http_session.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/file_system.h"
#include "platform/proxy_address.h"
#include "platform/text_codec.h"
#include "platform/transfer_error_text.h"
#include "platform/wire_url.h"

namespace platform {

namespace {

// The library's receive buffer, and the body bytes held between the network and Read;
// beyond these the transfer is paused.
constexpr long kReceiveBuffer = 64 * 1024;
constexpr std::size_t kMaxBuffered = 2 * kReceiveBuffer;

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::string HeaderName(const std::string& line) {
  std::size_t colon = line.find(':');
  return Trim(colon == std::string::npos ? line : line.substr(0, colon));
}

// The proxy (its login in UTF-8, as the proxy reads it) and the certificates trusted.
void ApplyNetworkOptions(CURL* easy, const HttpOptions& options, bool direct) {
  ProxyAddress proxy = ParseProxy(options.proxy);
  curl_easy_setopt(easy, CURLOPT_PROXY, direct ? "" : proxy.HostPort().c_str());
  if (!direct && proxy.HasLogin()) {
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, Cp932ToUtf8(proxy.user).c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, Cp932ToUtf8(proxy.password).c_str());
  }
  // As the curl program does: SSL_CERT_FILE and SSL_CERT_DIR name the trusted certificates
  // instead of the system's store. An extra CA file is read besides the store's folder.
  const char* certFile = std::getenv("SSL_CERT_FILE");
  const char* certDir = std::getenv("SSL_CERT_DIR");
  if (certDir && *certDir) curl_easy_setopt(easy, CURLOPT_CAPATH, certDir);
  if (!options.caFile.empty()) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, options.caFile.c_str());
  } else if (!options.extraCaFile.empty()) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, NativePath(options.extraCaFile).c_str());
    // The store's bundle is replaced by the extra file; its folder keeps the store's
    // certificates trusted (a SSL_CERT_FILE alone is then not read).
  } else if (certFile && *certFile) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, certFile);
  }
}

// The message of a failed transfer: ours, with the library's after it.
std::string FailureText(CURL* easy, CURLcode result, const char* errorBuffer,
                        const HttpOptions& options) {
  long connectCode = 0;
  curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
  std::string detail = errorBuffer[0] ? std::string(errorBuffer) : curl_easy_strerror(result);
  return TransferErrorText(result, connectCode, ParseProxy(options.proxy).HasLogin(), detail);
}

}  // namespace

// ---------------------------------------------------------------------------------------

CConnectionPool::CConnectionPool() {
  InitLibrary();
  m_share = curl_share_init();
  curl_share_setopt(static_cast<CURLSH*>(m_share), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
  m_multi = curl_multi_init();
}

CConnectionPool::~CConnectionPool() {
  curl_multi_cleanup(static_cast<CURLM*>(m_multi));
  curl_share_cleanup(static_cast<CURLSH*>(m_share));
}

// ---------------------------------------------------------------------------------------

CHttpSession::CHttpSession(HttpOptions options)
    : m_options(std::move(options)),
      m_sockets(m_options.connections ? m_options.connections->Sockets() : m_ownSockets) {
  InitLibrary();
  // A handle a request would make anew costs more system calls than a small request.
  m_multi = m_options.connections ? m_options.connections->Multi() : curl_multi_init();
}

CHttpSession::~CHttpSession() {
  if (m_current) m_current->Close();
  if (!m_options.connections) curl_multi_cleanup(static_cast<CURLM*>(m_multi));
}

std::unique_ptr<CHttpRequest> CHttpSession::OpenRequest(const std::string& verb,
                                                        const std::string& url,
                                                        const std::string& user,
                                                        const std::string& password) {
  HttpUrl parts;
  if (!ParseHttpUrl(url, parts)) return nullptr;
  if (m_current) m_current->Close();
  bool direct = m_options.proxy.empty() || (m_options.bypassLocal && IsLocalHost(parts.host));
  return std::unique_ptr<CHttpRequest>(
      new CHttpRequest(*this, verb, url, direct, user, password));
}

// ---------------------------------------------------------------------------------------

CHttpRequest::CHttpRequest(CHttpSession& session, std::string verb, std::string url,
                           bool direct, std::string user, std::string password)
    : m_session(&session),
      m_easy(curl_easy_init()),
      m_verb(std::move(verb)),
      m_url(std::move(url)),
      m_direct(direct),
      m_user(std::move(user)),
      m_password(std::move(password)) {
  m_errorBuffer[0] = '\0';
  m_buffer.reserve(kMaxBuffered);  // never grows beyond one buffer of the library more
}

CHttpRequest::~CHttpRequest() {
  Close();
  curl_easy_cleanup(static_cast<CURL*>(m_easy));
  curl_slist_free_all(static_cast<curl_slist*>(m_headerList));
}

void CHttpRequest::AddHeaders(const std::string& headers) { StoreHeaders(headers, false); }

void CHttpRequest::ReplaceHeaders(const std::string& headers) { StoreHeaders(headers, true); }

void CHttpRequest::StoreHeaders(const std::string& headers, bool replace) {
  std::size_t start = 0;
  while (start < headers.size()) {
    std::size_t end = headers.find('\n', start);
    std::string line = headers.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? headers.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string name = HeaderName(line);
    if (name.empty()) continue;
    auto held = std::find_if(m_headers.begin(), m_headers.end(), [&](const std::string& other) {
      return EqualNoCase(HeaderName(other), name);
    });
    if (held == m_headers.end()) {
      m_headers.push_back(line);
    } else if (replace) {
      *held = line;
    }
  }
}

void CHttpRequest::Configure(const std::string& body) {
  CURL* easy = static_cast<CURL*>(m_easy);
  const HttpOptions& options = m_session->m_options;
  curl_easy_reset(easy);
  m_errorBuffer[0] = '\0';
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
  curl_easy_setopt(easy, CURLOPT_URL, m_wireUrl.c_str());
  if (options.connections) curl_easy_setopt(easy, CURLOPT_SHARE, options.connections->Handle());
  m_session->m_sockets.AttachTo(easy);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBuffer);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeoutMs));
  ApplyNetworkOptions(easy, options, m_direct);
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!options.agent.empty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, options.agent.c_str());
  // "": every coding this libcurl decodes; the body reaches OnBody decoded.
  if (options.compressed) curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");

  if (m_verb == "GET") {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else if (m_verb == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else {
    if (m_verb != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, m_verb.c_str());
    m_body = body;
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, m_body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_body.size()));
  }

  bool ownAuthorization = false;
  bool ownExpect = false;
  curl_slist_free_all(static_cast<curl_slist*>(m_headerList));
  curl_slist* list = nullptr;
  for (const std::string& line : m_headers) {
    list = curl_slist_append(list, line.c_str());
    if (EqualNoCase(HeaderName(line), "Authorization")) ownAuthorization = true;
    if (EqualNoCase(HeaderName(line), "Expect")) ownExpect = true;
  }
  if (!ownExpect) list = curl_slist_append(list, "Expect:");  // no 100-continue round trip
  m_headerList = list;
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
  if (!m_user.empty() && !ownAuthorization) {
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    // Sent in UTF-8, as servers read a Basic login today.
    curl_easy_setopt(easy, CURLOPT_USERNAME, Cp932ToUtf8(m_user).c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, Cp932ToUtf8(m_password).c_str());
  }

  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CHttpRequest::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CHttpRequest::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &CHttpRequest::OnConnected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
}

bool CHttpRequest::Send(const std::string& body) {
  Close();
  m_session->m_current = this;
  m_status = 0;
  m_block.clear();
  m_rawHeaders.clear();
  m_buffer.clear();
  m_bufferPos = 0;
  m_error.clear();
  m_done = m_paused = m_headersDone = m_connected = false;
  m_lastActivityMs = m_sentMs = m_windowStartMs = NowMs();
  m_windowBytes = 0;
  std::string fault;
  if (!WireUrl(m_url, m_wireUrl, fault)) {
    Fail(fault);
    return false;
  }
  Configure(body);
  m_session->m_sockets.CutStale();  // no answer is taken from what came unasked
  curl_multi_add_handle(static_cast<CURLM*>(m_session->m_multi), static_cast<CURL*>(m_easy));
  m_running = true;
  if (!Drive(true)) return false;
  if (!m_headersDone) {
    Fail("サーバーが応答せずに接続を閉じました (The server closed the connection without an answer)");
    return false;
  }
  return true;
}

bool CHttpRequest::QueryHeader(const std::string& name, std::string& value) const {
  if (!m_headersDone) return false;
  curl_header* header = nullptr;
  // -1: the last request of the transfer, which is its only one (redirections are ours).
  if (curl_easy_header(static_cast<CURL*>(m_easy), name.c_str(), 0, CURLH_HEADER, -1, &header) !=
      CURLHE_OK) {
    return false;
  }
  value = Trim(header->value ? header->value : "");
  return true;
}

std::string CHttpRequest::ContentType() const {
  std::string value;
  QueryHeader("Content-Type", value);
  return value;
}

bool CHttpRequest::ContentLength(long long& length) const {
  std::string value;
  if (!QueryHeader("Content-Length", value) || value.empty() || value.size() > 18) return false;
  long long result = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  length = result;
  return true;
}

bool CHttpRequest::ContentEncoded() const {
  std::string value;
  return QueryHeader("Content-Encoding", value) && !value.empty() && !EqualNoCase(value, "identity");
}

bool CHttpRequest::LastModified(HttpDate& date) const {
  std::string value;
  return QueryHeader("Last-Modified", value) && ParseHttpDate(value, date);
}

long CHttpRequest::Read(char* buffer, std::size_t size) {
  while (true) {
    std::size_t buffered = m_buffer.size() - m_bufferPos;
    if (buffered > 0) {
      std::size_t count = std::min(size, buffered);
      std::memcpy(buffer, m_buffer.data() + m_bufferPos, count);
      m_bufferPos += count;
      return static_cast<long>(count);
    }
    if (!m_error.empty()) return -1;
    if (m_done || !m_running) return 0;
    Drive(false);
  }
}

void CHttpRequest::Close() {
  if (m_running) {
    curl_multi_remove_handle(static_cast<CURLM*>(m_session->m_multi), static_cast<CURL*>(m_easy));
    m_running = false;
  }
  if (m_session->m_current == this) m_session->m_current = nullptr;
}

void CHttpRequest::Fail(const std::string& message) {
  m_error = message.empty() ? std::string("HTTP failure") : message;
  m_done = true;
  Close();
}

// Runs the transfer until the answer's headers are in (untilHeaders) or until body bytes
// are buffered; false on a failure.
bool CHttpRequest::Drive(bool untilHeaders) {
  CURLM* multi = static_cast<CURLM*>(m_session->m_multi);
  CURL* easy = static_cast<CURL*>(m_easy);
  const CCancelSignal* cancel = m_session->m_options.cancel.get();
  curl_waitfd cancelWait{cancel ? cancel->Descriptor() : -1, CURL_WAIT_POLLIN, 0};
  while (true) {
    if (cancel && cancel->IsCancelled()) {
      Fail(kTransferCancelled);
      return false;
    }
    if (m_paused && m_bufferPos == m_buffer.size()) {
      m_paused = false;
      m_lastActivityMs = m_windowStartMs = NowMs();
      m_windowBytes = 0;
      curl_easy_pause(easy, CURLPAUSE_CONT);
    }
    int running = 0;
    curl_multi_perform(multi, &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg != CURLMSG_DONE || message->easy_handle != easy) continue;
      CURLcode result = message->data.result;
      if (result != CURLE_OK) {
        Fail(FailureText(easy, result, m_errorBuffer, m_session->m_options));
        // Once the headers are in, the failure waits until Read has given what arrived.
        return untilHeaders && m_headersDone;
      }
      m_done = true;
      Close();
      if (!m_headersDone && !m_block.empty()) {
        m_rawHeaders = m_block;
        m_headersDone = true;
      }
    }
    if (m_done) return true;
    if (untilHeaders ? m_headersDone : m_bufferPos < m_buffer.size()) return true;

    std::int64_t waitMs = 1000;
    if (!WithinLimits(waitMs)) return false;
    curl_multi_poll(multi, cancel ? &cancelWait : nullptr, cancel ? 1 : 0,
                    static_cast<int>(waitMs), nullptr);
  }
}

bool CHttpRequest::WithinLimits(std::int64_t& waitMs) {
  const HttpOptions& options = m_session->m_options;
  std::int64_t now = NowMs();
  if (options.totalTimeoutMs != 0) {
    std::int64_t left = m_sentMs + options.totalTimeoutMs - now;
    if (left <= 0) {
      Fail("取得が制限時間(" + std::to_string(options.totalTimeoutMs / 1000) + "秒)内に終わりませんでした");
      return false;
    }
    waitMs = std::min(waitMs, left);
  }
  if (!m_connected) return true;
  std::int64_t idle = now - m_lastActivityMs;
  if (idle >= options.receiveTimeoutMs) {
    Fail("サーバーから " + std::to_string(idle / 1000) + " 秒間データが届きません (Operation timed out after " +
         std::to_string(idle) + " milliseconds with no data received)");
    return false;
  }
  waitMs = std::min<std::int64_t>(waitMs, options.receiveTimeoutMs - idle);
  if (options.lowSpeedBytes != 0 && options.lowSpeedSeconds != 0) {
    std::int64_t window = std::int64_t{options.lowSpeedSeconds} * 1000;
    std::int64_t elapsed = now - m_windowStartMs;
    if (elapsed >= window) {
      if (m_windowBytes < std::uint64_t{options.lowSpeedBytes} * options.lowSpeedSeconds) {
        Fail("転送が遅すぎます(" + std::to_string(options.lowSpeedSeconds) + "秒間に毎秒" +
             std::to_string(options.lowSpeedBytes) + "バイト未満)");
        return false;
      }
      m_windowStartMs = now;
      m_windowBytes = 0;
      elapsed = 0;
    }
    waitMs = std::min(waitMs, window - elapsed);
  }
  return true;
}

void CHttpRequest::CountArrival(std::size_t bytes) {
  m_lastActivityMs = NowMs();
  m_windowBytes += bytes;
}

std::size_t CHttpRequest::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto* request = static_cast<CHttpRequest*>(self);
  std::size_t length = size * count;
  std::string line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  request->CountArrival(length);
  if (line.compare(0, 5, "HTTP/") == 0) {
    request->m_block = line + "\r\n";
    std::size_t blank = line.find(' ');
    request->m_status = blank == std::string::npos ? 0 : std::atoi(line.c_str() + blank + 1);
    request->m_headersDone = false;
  } else if (request->m_headersDone) {
    // trailers of a chunked body
  } else if (line.empty()) {
    request->m_block += "\r\n";
    if (request->m_status >= 200) {  // an interim 1xx answer is followed by the real one
      request->m_rawHeaders = request->m_block;
      request->m_headersDone = true;
    }
  } else {
    request->m_block += line + "\r\n";
  }
  return length;
}

std::size_t CHttpRequest::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* request = static_cast<CHttpRequest*>(self);
  std::size_t length = size * count;
  std::vector<char>& buffer = request->m_buffer;
  std::size_t buffered = buffer.size() - request->m_bufferPos;
  if (buffered == 0) {
    buffer.assign(data, data + length);
    request->m_bufferPos = 0;
  } else if (buffered + length <= kMaxBuffered) {
    if (request->m_bufferPos > 0) {
      buffer.erase(buffer.begin(), buffer.begin() + static_cast<long>(request->m_bufferPos));
      request->m_bufferPos = 0;
    }
    buffer.insert(buffer.end(), data, data + length);
  } else {
    request->m_paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  request->CountArrival(length);
  if (!request->m_headersDone) {
    request->m_rawHeaders = request->m_block;
    request->m_headersDone = true;
  }
  return length;
}

int CHttpRequest::OnConnected(void* self, char*, char*, int, int) {
  auto* request = static_cast<CHttpRequest*>(self);
  request->m_connected = true;
  request->m_lastActivityMs = request->m_windowStartMs = NowMs();
  request->m_windowBytes = 0;
  return CURL_PREREQFUNC_OK;
}

// ---------------------------------------------------------------------------------------

namespace {

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<FILE*>(file)) * size;
}

// Runs the transfer to its end, or until `cancel` (may be null) is cancelled: the wait
// watches the signal's descriptor beside the transfer's sockets.
CURLcode PerformCancellable(CURL* easy, const CCancelSignal* cancel) {
  CURLM* multi = curl_multi_init();
  curl_multi_add_handle(multi, easy);
  curl_waitfd cancelWait{cancel ? cancel->Descriptor() : -1, CURL_WAIT_POLLIN, 0};
  CURLcode result = CURLE_OK;
  for (bool done = false; !done;) {
    if (cancel && cancel->IsCancelled()) {
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    int running = 0;
    curl_multi_perform(multi, &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      result = message->data.result;
      done = true;
    }
    if (!done) curl_multi_poll(multi, cancel ? &cancelWait : nullptr, cancel ? 1 : 0, 1000, nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  curl_multi_cleanup(multi);
  return result;
}

}  // namespace

bool DownloadToFile(const std::string& url, const std::string& path, const HttpOptions& options,
                    std::string& error) {
  HttpUrl parts;
  if (!ParseHttpUrl(url, parts)) {
    error = "Unsupported URL: " + url;
    return false;
  }
  std::string wireUrl;
  if (!WireUrl(url, wireUrl, error)) return false;
  InitLibrary();
  FILE* file = OpenFile(path, "wb");
  if (!file) {
    error = "Cannot create " + path;
    return false;
  }
  CURL* easy = curl_easy_init();
  char errorBuffer[CURL_ERROR_SIZE] = "";
  bool direct = options.proxy.empty() || (options.bypassLocal && IsLocalHost(parts.host));
  long idleSeconds = static_cast<long>((options.receiveTimeoutMs + 999) / 1000);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(easy, CURLOPT_URL, wireUrl.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeoutMs));
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, idleSeconds);
  ApplyNetworkOptions(easy, options, direct);
  if (!options.agent.empty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, options.agent.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, file);
  CURLcode result = PerformCancellable(easy, options.cancel.get());
  std::string failure = result != CURLE_OK ? FailureText(easy, result, errorBuffer, options) : "";
  curl_easy_cleanup(easy);
  bool closed = std::fclose(file) == 0;
  if (result != CURLE_OK || !closed) {
    if (result == CURLE_ABORTED_BY_CALLBACK) {
      error = kTransferCancelled;
    } else {
      error = result != CURLE_OK ? failure : "Cannot write " + path;
    }
    RemoveFile(path);
    return false;
  }
  return true;
}

}  // namespace platform
