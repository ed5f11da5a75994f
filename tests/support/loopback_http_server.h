// An HTTP/1.1 server on a loopback address (127.0.0.1 unless told; port 0) for tests,
// optionally speaking TLS. Each test scripts the answers per path (queued one-shot
// answers, then a handler, then a default) and reads back what the server received.
//
// Threads: one accepting thread plus one thread per connection, all joined by the
// destructor (which also cuts any stall or delay short). Handlers run on a connection
// thread; scripting and the record may be used from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One request as the server received it.
struct HttpRequestRecord {
  std::string method;
  std::string target;  // as in the request line: path and query
  std::string version;
  std::vector<std::string> headers;  // header lines in order, without CR LF
  std::string body;                  // de-chunked when it came chunked
  int connection = 0;                // number of the connection it came on (1, 2, ...)

  // The value of the first header of that name (any case), trimmed; empty when absent.
  std::string Header(const std::string& name) const;
  int CountHeader(const std::string& name) const;
  bool HasHeader(const std::string& name) const { return CountHeader(name) > 0; }
};

// One scripted answer.
struct ScriptedResponse {
  int status = 200;
  std::string reason;                // empty: the usual phrase for the status
  std::vector<std::string> headers;  // lines without CR LF, sent exactly and in this order
  std::string head;  // non-empty: sent instead of status line and headers (include the empty line)
  std::string body;
  std::uint64_t bodyRepeat = 1;  // the body is sent this many times (large bodies)
  bool chunked = false;          // chunked transfer coding (header added unless `head` is given)
  bool contentLength = true;     // add Content-Length (unless chunked, given, or `head` is used)
  int delayMs = 0;               // wait before answering
  std::int64_t stallAfter = -1;  // body bytes after which the server stalls for stallMs
  int stallMs = 0;
  std::int64_t closeAfter = -1;  // body bytes after which the connection is closed
  int dripMs = 0;                // > 0: the body goes one byte at a time, this far apart
  bool keepAlive = true;         // false: "Connection: close" and close after the answer

  static ScriptedResponse Ok(std::string body, std::string contentType = "text/html");
  static ScriptedResponse Redirect(int status, std::string location);
  static ScriptedResponse Challenge(std::string realm = "test");  // 401 with Basic
  static ScriptedResponse Status(int status);
};

class LoopbackHttpServer {
 public:
  using Handler = std::function<ScriptedResponse(const HttpRequestRecord&)>;
  struct Tls {
    std::string certificatePem;
    std::string keyPem;
  };

  LoopbackHttpServer();
  explicit LoopbackHttpServer(const Tls& tls);
  // Listens on another address of 127/8 ("127.0.0.2"): a second host for the checks, as
  // Linux routes all of 127/8 to the loopback interface.
  explicit LoopbackHttpServer(std::string address);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  int Port() const { return m_port; }
  // "http://<address>:<port>" (or https) followed by `path`.
  std::string Url(const std::string& path = "/") const;

  // Answers the next request for `path` (matched against the whole target first, then
  // against the part before '?'); queued answers are used in order and then dropped.
  void Enqueue(const std::string& path, ScriptedResponse response);
  void Handle(const std::string& path, Handler handler);
  // For requests no queue or handler takes; the default default is 404.
  void SetDefault(Handler handler);

  std::vector<HttpRequestRecord> Requests() const;
  std::size_t RequestCount() const;
  std::size_t ConnectionCount() const { return m_connectionCount.load(); }

 private:
  class Connection;
  void Start();
  void AcceptLoop();
  void Serve(int socket, int number);
  ScriptedResponse Answer(const HttpRequestRecord& request);
  bool Pause(int milliseconds) const;  // false when the server is stopping

  struct Ssl;
  std::unique_ptr<Ssl> m_ssl;
  std::string m_address = "127.0.0.1";
  int m_listener = -1;
  int m_port = 0;
  std::atomic<bool> m_stopping{false};
  std::atomic<std::size_t> m_connectionCount{0};
  std::thread m_acceptor;

  mutable std::mutex m_mutex;
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
  };
  std::vector<Worker> m_workers;
  std::vector<int> m_sockets;
  std::map<std::string, std::deque<ScriptedResponse>> m_queues;
  std::map<std::string, Handler> m_handlers;
  Handler m_default;
  std::vector<HttpRequestRecord> m_requests;
};
