// HTTP and HTTPS over libcurl, shaped as the program's retriever uses it: a session per
// call, one request at a time, headers added by the caller in its own order, automatic
// redirection off, and a pull-style Read so that a body streams through a small buffer
// and never sits whole in memory. TLS certificates are verified against the system's
// store (or SSL_CERT_FILE / SSL_CERT_DIR), plus an extra CA file when one is set.
// Addresses, logins and proxy logins are CP932 and go out as UTF-8. Nothing is cached: every request reaches the server.
//
// A session and its requests belong to the thread that uses them; the session must
// outlive its requests. No call waits for the network longer than the time-outs below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/cancel_signal.h"
#include "platform/http_url.h"
#include "platform/socket_watch.h"

namespace platform {

// Keeps idle connections open from one session to the next, so that fetches following
// one another reuse them (the body of every answer still comes from the server), and the
// transfer handle that drives them. Used by one thread at a time, such as the check
// engine's successive workers.
class CConnectionPool {
 public:
  CConnectionPool();
  ~CConnectionPool();  // closes the idle connections; no session may use the pool then
  CConnectionPool(const CConnectionPool&) = delete;
  CConnectionPool& operator=(const CConnectionPool&) = delete;
  void* Handle() const { return m_share; }
  void* Multi() const { return m_multi; }  // CURLM* for the sessions' requests, one at a time
  CSocketWatch& Sockets() { return m_sockets; }

 private:
  CSocketWatch m_sockets;  // outlives the share, whose end closes the connections
  void* m_share;
  void* m_multi;
};

struct HttpOptions {
  std::string agent;  // User-Agent sent when a request adds none of its own
  // "host:port" or "user:password@host:port"; empty: direct (proxy variables of the
  // environment are ignored).
  std::string proxy;
  bool bypassLocal = true;  // no proxy for "<local>": names without a dot, localhost, loopback
  std::uint32_t connectTimeoutMs = 30000;  // a connection (TLS handshake included) not made by then fails
  std::uint32_t receiveTimeoutMs = 60000;  // an answer from which no byte arrives for this long fails
  // A request not answered whole this long after it was sent fails (0: no limit).
  std::uint32_t totalTimeoutMs = 0;
  // A connected request through which fewer than lowSpeedBytes a second arrive, measured
  // over lowSpeedSeconds, fails (a server that drips); 0: no limit. Time in which the
  // reader held the transfer back does not count.
  std::uint32_t lowSpeedBytes = 0;
  std::uint32_t lowSpeedSeconds = 60;
  std::string caFile;  // PEM file of trusted certificates instead of the system's store (tests)
  // Asks for every content coding the library was built with (gzip, br, zstd, ...) and
  // gives the body decoded. false: asks for none and gives what arrives as it is (a resumed
  // body, whose byte offsets are those of the file).
  bool compressed = true;
  std::string extraCaFile;  // PEM file of certificates trusted besides the system's store
  std::shared_ptr<CConnectionPool> connections;  // null: every session connects anew
  // Cancelled from another thread: the transfer is aborted at once and fails with
  // kTransferCancelled. null: not cancellable.
  std::shared_ptr<CCancelSignal> cancel;
};

// The failure message of a transfer ended by HttpOptions::cancel.
inline constexpr const char* kTransferCancelled = "Transfer cancelled";

class CHttpRequest;

class CHttpSession {
 public:
  explicit CHttpSession(HttpOptions options);
  ~CHttpSession();
  CHttpSession(const CHttpSession&) = delete;
  CHttpSession& operator=(const CHttpSession&) = delete;

  const HttpOptions& Options() const { return m_options; }

  // A request with `verb` (GET, POST, HEAD) for `url`; nullptr when the URL is not http or
  // https (nothing is sent). `user` non-empty: Basic credentials for the server, unless
  // the caller adds an Authorization header of its own. Opening a request ends the
  // session's previous one.
  std::unique_ptr<CHttpRequest> OpenRequest(const std::string& verb, const std::string& url,
                                            const std::string& user = {},
                                            const std::string& password = {});

 private:
  friend class CHttpRequest;
  HttpOptions m_options;
  CSocketWatch m_ownSockets;  // the connections kept by m_multi when there is no pool
  CSocketWatch& m_sockets;
  void* m_multi;  // CURLM*: the pool's, else the session's own (keeping its connections)
  CHttpRequest* m_current = nullptr;
};

class CHttpRequest {
 public:
  ~CHttpRequest();
  CHttpRequest(const CHttpRequest&) = delete;
  CHttpRequest& operator=(const CHttpRequest&) = delete;

  // Adds each line of `headers` (lines end in CR LF or LF) whose header name the request
  // does not hold yet (names compared without regard to case). Kept for every later Send.
  void AddHeaders(const std::string& headers);
  // Adds the header lines, replacing any held under the same names.
  void ReplaceHeaders(const std::string& headers);

  // Sends the request, with `body` for a POST, and waits until the answer's status and
  // headers have arrived; may be called again to repeat the request. false on a failure
  // of the connection or the protocol, with the library's message in ErrorMessage().
  bool Send(const std::string& body = {});

  int StatusCode() const { return m_status; }
  // The status line and the header lines of the answer, each ending in CR LF, followed
  // by the empty line.
  const std::string& RawHeaders() const { return m_rawHeaders; }
  // The value of the header of that name in the final answer, found by the library
  // whatever the case of its name and with or without a blank after the colon; the first
  // one when it came more than once. Trimmed of surrounding blanks.
  bool QueryHeader(const std::string& name, std::string& value) const;
  std::string ContentType() const;
  // The Content-Length of the answer as it came over the wire: for a body that arrives
  // encoded (ContentEncoded) it is not the size Read gives.
  bool ContentLength(long long& length) const;
  bool LastModified(HttpDate& date) const;
  // The body came with a content coding other than identity, which Read undoes.
  bool ContentEncoded() const;

  // Up to `size` bytes of the body: the count, 0 at its end, -1 on a failure (connection
  // lost, time-out, a body shorter than announced) with the message in ErrorMessage().
  long Read(char* buffer, std::size_t size);

  const std::string& ErrorMessage() const { return m_error; }

  // Ends the transfer; also done by the destructor.
  void Close();

 private:
  friend class CHttpSession;
  CHttpRequest(CHttpSession& session, std::string verb, std::string url, bool direct,
               std::string user, std::string password);

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  static int OnConnected(void* self, char*, char*, int, int);

  void StoreHeaders(const std::string& headers, bool replace);
  void Configure(const std::string& body);
  bool Drive(bool untilHeaders);
  // The time-outs and the low-speed limit; false (failed) when one ran out, else the
  // longest wait in `waitMs` that keeps every one of them.
  bool WithinLimits(std::int64_t& waitMs);
  void CountArrival(std::size_t bytes);
  void Fail(const std::string& message);
  void Detach();

  CHttpSession* m_session;
  void* m_easy;  // CURL*
  void* m_headerList = nullptr;  // curl_slist*
  std::string m_verb;
  std::string m_url;      // as the caller gave it (CP932)
  std::string m_wireUrl;  // as sent: UTF-8 escapes, IDNA host
  bool m_direct;  // no proxy for this request
  std::string m_user;
  std::string m_password;
  std::vector<std::string> m_headers;
  std::string m_body;

  bool m_running = false;
  bool m_done = false;
  bool m_paused = false;
  bool m_headersDone = false;
  bool m_connected = false;
  std::int64_t m_lastActivityMs = 0;
  std::int64_t m_sentMs = 0;         // when Send began
  std::int64_t m_windowStartMs = 0;  // the low-speed window
  std::uint64_t m_windowBytes = 0;
  int m_status = 0;
  std::string m_block;  // header lines of the answer being received
  std::string m_rawHeaders;
  std::vector<char> m_buffer;  // body bytes received but not yet read
  std::size_t m_bufferPos = 0;
  std::string m_error;
  char m_errorBuffer[256];
};

// Downloads `url` (http or https, following redirections) into the file `path`; the file
// is removed again on a failure. false with the reason in `error`. `options.cancel` ends
// the download at once (kTransferCancelled).
bool DownloadToFile(const std::string& url, const std::string& path, const HttpOptions& options,
                    std::string& error);

}  // namespace platform
