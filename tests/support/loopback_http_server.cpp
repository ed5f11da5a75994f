#include "support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <stdexcept>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), Lower);
  return text;
}

std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool NameIs(const std::string& line, const std::string& name) {
  std::size_t colon = line.find(':');
  return colon != std::string::npos && LowerCase(Trim(line.substr(0, colon))) == LowerCase(name);
}

std::string ValueOf(const std::string& line) { return Trim(line.substr(line.find(':') + 1)); }

bool HasHeaderLine(const std::vector<std::string>& lines, const std::string& name) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return NameIs(line, name); });
}

std::string Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

std::string PathOf(const std::string& target) { return target.substr(0, target.find('?')); }

}  // namespace

// ---------------------------------------------------------------------------------------

std::string HttpRequestRecord::Header(const std::string& name) const {
  for (const std::string& line : headers) {
    if (NameIs(line, name)) return ValueOf(line);
  }
  return {};
}

int HttpRequestRecord::CountHeader(const std::string& name) const {
  return static_cast<int>(std::count_if(headers.begin(), headers.end(),
                                        [&](const std::string& line) { return NameIs(line, name); }));
}

ScriptedResponse ScriptedResponse::Ok(std::string body, std::string contentType) {
  ScriptedResponse response;
  response.headers.push_back("Content-Type: " + contentType);
  response.body = std::move(body);
  return response;
}

ScriptedResponse ScriptedResponse::Redirect(int status, std::string location) {
  ScriptedResponse response;
  response.status = status;
  response.headers.push_back("Location: " + location);
  response.body = "moved";
  return response;
}

ScriptedResponse ScriptedResponse::Challenge(std::string realm) {
  ScriptedResponse response;
  response.status = 401;
  response.headers.push_back("WWW-Authenticate: Basic realm=\"" + realm + "\"");
  response.body = "authorization required";
  return response;
}

ScriptedResponse ScriptedResponse::Status(int status) {
  ScriptedResponse response;
  response.status = status;
  response.body = Reason(status);
  return response;
}

// ---------------------------------------------------------------------------------------

struct LoopbackHttpServer::Ssl {
  SSL_CTX* context = nullptr;
  ~Ssl() {
    if (context) SSL_CTX_free(context);
  }
};

// One accepted socket, plain or TLS, with the bytes read ahead of the current request.
class LoopbackHttpServer::Connection {
 public:
  Connection(int socket, SSL* ssl) : m_socket(socket), m_ssl(ssl) {}
  ~Connection() {
    if (m_ssl) {
      SSL_shutdown(m_ssl);
      SSL_free(m_ssl);
    }
  }

  bool Write(const char* data, std::size_t size) {
    while (size > 0) {
      long sent = m_ssl ? SSL_write(m_ssl, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)))
                        : ::send(m_socket, data, size, MSG_NOSIGNAL);
      if (sent <= 0) return false;
      data += sent;
      size -= static_cast<std::size_t>(sent);
    }
    return true;
  }
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }

  // More bytes into the read-ahead; false at the end of the stream or on an error.
  bool Fill() {
    char chunk[16384];
    long got = m_ssl ? SSL_read(m_ssl, chunk, sizeof chunk) : ::recv(m_socket, chunk, sizeof chunk, 0);
    if (got <= 0) return false;
    m_pending.append(chunk, static_cast<std::size_t>(got));
    return true;
  }

  bool ReadLine(std::string& line) {
    std::size_t end;
    while ((end = m_pending.find("\r\n")) == std::string::npos) {
      if (!Fill()) return false;
    }
    line = m_pending.substr(0, end);
    m_pending.erase(0, end + 2);
    return true;
  }

  bool ReadBytes(std::size_t count, std::string& out) {
    while (m_pending.size() < count) {
      if (!Fill()) return false;
    }
    out += m_pending.substr(0, count);
    m_pending.erase(0, count);
    return true;
  }

 private:
  int m_socket;
  SSL* m_ssl;
  std::string m_pending;
};

LoopbackHttpServer::LoopbackHttpServer() { Start(); }

LoopbackHttpServer::LoopbackHttpServer(std::string address) : m_address(std::move(address)) {
  Start();
}

LoopbackHttpServer::LoopbackHttpServer(const Tls& tls) : m_ssl(std::make_unique<Ssl>()) {
  m_ssl->context = SSL_CTX_new(TLS_server_method());
  BIO* certificate = BIO_new_mem_buf(tls.certificatePem.data(), static_cast<int>(tls.certificatePem.size()));
  BIO* key = BIO_new_mem_buf(tls.keyPem.data(), static_cast<int>(tls.keyPem.size()));
  X509* x509 = PEM_read_bio_X509(certificate, nullptr, nullptr, nullptr);
  EVP_PKEY* pkey = PEM_read_bio_PrivateKey(key, nullptr, nullptr, nullptr);
  bool ok = x509 && pkey && SSL_CTX_use_certificate(m_ssl->context, x509) == 1 &&
            SSL_CTX_use_PrivateKey(m_ssl->context, pkey) == 1;
  X509_free(x509);
  EVP_PKEY_free(pkey);
  BIO_free(certificate);
  BIO_free(key);
  if (!ok) throw std::runtime_error("loopback server: unusable certificate or key");
  Start();
}

void LoopbackHttpServer::Start() {
  std::signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the test run
  m_default = [](const HttpRequestRecord&) { return ScriptedResponse::Status(404); };
  m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::inet_pton(AF_INET, m_address.c_str(), &address.sin_addr) != 1 || m_listener < 0 ||
      ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(m_listener, 16) != 0 ||
      ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("loopback server: cannot listen on " + m_address);
  }
  m_port = ntohs(address.sin_port);
  m_acceptor = std::thread([this] { AcceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  m_stopping = true;
  ::shutdown(m_listener, SHUT_RDWR);
  m_acceptor.join();
  std::vector<Worker> workers;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int socket : m_sockets) ::shutdown(socket, SHUT_RDWR);
    workers.swap(m_workers);
  }
  for (Worker& worker : workers) worker.thread.join();
  ::close(m_listener);
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return std::string(m_ssl ? "https" : "http") + "://" + m_address + ":" +
         std::to_string(m_port) + path;
}

void LoopbackHttpServer::Enqueue(const std::string& path, ScriptedResponse response) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_queues[path].push_back(std::move(response));
}

void LoopbackHttpServer::Handle(const std::string& path, Handler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_handlers[path] = std::move(handler);
}

void LoopbackHttpServer::SetDefault(Handler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_default = std::move(handler);
}

std::vector<HttpRequestRecord> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

std::size_t LoopbackHttpServer::RequestCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests.size();
}

bool LoopbackHttpServer::Pause(int milliseconds) const {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < until) {
    if (m_stopping) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return !m_stopping;
}

void LoopbackHttpServer::AcceptLoop() {
  while (!m_stopping) {
    int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) {
      if (m_stopping) return;
      continue;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping) {
      ::close(socket);
      return;
    }
    int on = 1;  // head and body go out as separate writes: no waiting for delayed ACKs
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_sockets.push_back(socket);
    int number = static_cast<int>(++m_connectionCount);
    // Threads of connections that have ended are joined here, so that a long test does not
    // pile them up.
    for (auto worker = m_workers.begin(); worker != m_workers.end();) {
      if (worker->finished->load()) {
        worker->thread.join();
        worker = m_workers.erase(worker);
      } else {
        ++worker;
      }
    }
    auto finished = std::make_shared<std::atomic<bool>>(false);
    m_workers.push_back({std::thread([this, socket, number, finished] {
                           Serve(socket, number);
                           finished->store(true);
                         }),
                         finished});
  }
}

ScriptedResponse LoopbackHttpServer::Answer(const HttpRequestRecord& request) {
  Handler handler;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(request);
    for (const std::string& key : {request.target, PathOf(request.target)}) {
      auto queue = m_queues.find(key);
      if (queue != m_queues.end() && !queue->second.empty()) {
        ScriptedResponse response = std::move(queue->second.front());
        queue->second.pop_front();
        return response;
      }
    }
    for (const std::string& key : {request.target, PathOf(request.target)}) {
      auto found = m_handlers.find(key);
      if (found != m_handlers.end()) {
        handler = found->second;
        break;
      }
    }
    if (!handler) handler = m_default;
  }
  return handler(request);
}

namespace {

bool ReadRequest(auto& connection, HttpRequestRecord& request) {
  std::string line;
  do {
    if (!connection.ReadLine(line)) return false;
  } while (line.empty());  // tolerate blank lines between requests
  std::size_t first = line.find(' ');
  std::size_t second = line.rfind(' ');
  if (first == std::string::npos || second == first) return false;
  request.method = line.substr(0, first);
  request.target = line.substr(first + 1, second - first - 1);
  request.version = line.substr(second + 1);
  while (true) {
    if (!connection.ReadLine(line)) return false;
    if (line.empty()) break;
    request.headers.push_back(line);
  }
  if (LowerCase(request.Header("Transfer-Encoding")) == "chunked") {
    while (true) {
      if (!connection.ReadLine(line)) return false;
      std::size_t size = std::stoul(line, nullptr, 16);
      if (size == 0) break;
      if (!connection.ReadBytes(size, request.body) || !connection.ReadLine(line)) return false;
    }
    do {
      if (!connection.ReadLine(line)) return false;
    } while (!line.empty());
  } else if (request.HasHeader("Content-Length")) {
    std::size_t size = std::stoul(request.Header("Content-Length"));
    if (!connection.ReadBytes(size, request.body)) return false;
  }
  return true;
}

}  // namespace

void LoopbackHttpServer::Serve(int socket, int number) {
  SSL* ssl = nullptr;
  if (m_ssl) {
    ssl = SSL_new(m_ssl->context);
    SSL_set_fd(ssl, socket);
    if (SSL_accept(ssl) != 1) {
      SSL_free(ssl);
      ssl = nullptr;
      ::shutdown(socket, SHUT_RDWR);
    }
  }
  if (!m_ssl || ssl) {
    Connection connection(socket, ssl);
    while (!m_stopping) {
      HttpRequestRecord request;
      request.connection = number;
      if (!ReadRequest(connection, request)) break;
      ScriptedResponse response = Answer(request);
      if (response.delayMs > 0 && !Pause(response.delayMs)) break;

      const std::uint64_t total = response.body.size() * response.bodyRepeat;
      std::uint64_t offset = 0;
      std::vector<std::string> headers = response.headers;
      std::string head = response.head;
      if (head.empty()) {
        head = "HTTP/1.1 " + std::to_string(response.status) + " " +
               (response.reason.empty() ? Reason(response.status) : response.reason) + "\r\n";
        if (response.chunked && !HasHeaderLine(headers, "Transfer-Encoding")) {
          headers.push_back("Transfer-Encoding: chunked");
        } else if (!response.chunked && response.contentLength &&
                   !HasHeaderLine(headers, "Content-Length")) {
          headers.push_back("Content-Length: " + std::to_string(total - offset));
        }
        if (!response.keepAlive) headers.push_back("Connection: close");
        for (const std::string& header : headers) head += header + "\r\n";
        head += "\r\n";
      }
      std::string lowerHead = LowerCase(head);
      bool framed = response.chunked || lowerHead.find("\ncontent-length:") != std::string::npos;
      bool bodyless = request.method == "HEAD" || response.status == 204 || response.status == 304;
      if (!connection.Write(head)) break;

      bool closed = response.stallAfter == 0 && !bodyless && !Pause(response.stallMs);
      std::uint64_t sent = 0;
      while (!bodyless && offset < total && !closed) {
        std::size_t inPiece = static_cast<std::size_t>(offset % response.body.size());
        std::size_t count = std::min<std::uint64_t>(response.body.size() - inPiece, total - offset);
        count = std::min<std::size_t>(count, response.dripMs > 0 ? 1 : 65536);
        if (response.stallAfter >= 0 && sent < static_cast<std::uint64_t>(response.stallAfter)) {
          count = std::min<std::size_t>(count, static_cast<std::size_t>(response.stallAfter - sent));
        }
        if (response.closeAfter >= 0) {
          if (sent >= static_cast<std::uint64_t>(response.closeAfter)) {
            closed = true;
            break;
          }
          count = std::min<std::size_t>(count, static_cast<std::size_t>(response.closeAfter - sent));
        }
        const char* data = response.body.data() + inPiece;
        bool ok = response.chunked
                      ? connection.Write([&] { char size[32]; std::snprintf(size, sizeof size, "%zx\r\n", count); return std::string(size); }()) &&
                            connection.Write(data, count) && connection.Write("\r\n")
                      : connection.Write(data, count);
        if (!ok) {
          closed = true;
          break;
        }
        sent += count;
        offset += count;
        if (response.dripMs > 0 && !Pause(response.dripMs)) closed = true;
        if (response.stallAfter >= 0 && sent == static_cast<std::uint64_t>(response.stallAfter) &&
            !Pause(response.stallMs)) {
          closed = true;
        }
      }
      if (response.closeAfter >= 0 && sent >= static_cast<std::uint64_t>(response.closeAfter)) closed = true;
      if (closed) break;
      if (!bodyless && response.chunked && !connection.Write("0\r\n\r\n")) break;
      if (!response.keepAlive || (!framed && !bodyless)) break;
    }
  }
  ::shutdown(socket, SHUT_RDWR);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), socket), m_sockets.end());
  ::close(socket);
}
