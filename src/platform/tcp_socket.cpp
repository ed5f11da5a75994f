#include "platform/tcp_socket.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <arpa/inet.h>

namespace platform {

int WsaErrorFromErrno(int error) {
  switch (error) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EAGAIN: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case EPIPE: return 10054;  // Windows reports a write to a reset connection so
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return kWsaTimedOut;
    case ECONNREFUSED: return kWsaConnRefused;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    default: return 10000 + error;
  }
}

namespace {

int ResolverError(int code) {
  switch (code) {
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
    case EAI_NODATA: return 11004;
    default: return kWsaHostNotFound;
  }
}

// Waits for `events` on `fd` and for the cancel signal: 1 ready, 0 timed out, -1 failed
// (errno), -2 cancelled.
int PollOrCancel(int fd, short events, int timeoutMs, const CCancelSignal* cancel) {
  pollfd entries[2] = {{fd, events, 0}, {cancel ? cancel->Descriptor() : -1, POLLIN, 0}};
  int ready = poll(entries, cancel ? 2 : 1, timeoutMs);
  if (ready > 0 && cancel && (entries[1].revents & POLLIN)) return -2;
  return ready > 0 ? 1 : ready;
}

int ConnectOne(const addrinfo& address, std::uint32_t timeoutMs, const CCancelSignal* cancel,
               int& fdOut) {
  int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
  if (fd < 0) return WsaErrorFromErrno(errno);
  int flags = fcntl(fd, F_GETFL, 0);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int error = 0;
  if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    if (errno != EINPROGRESS) {
      error = WsaErrorFromErrno(errno);
    } else {
      int ready;
      do {
        ready = PollOrCancel(fd, POLLOUT, static_cast<int>(timeoutMs), cancel);
      } while (ready == -1 && errno == EINTR);
      if (ready == -2) {
        error = kWsaInterrupted;
      } else if (ready == 0) {
        error = kWsaTimedOut;
      } else {
        int soError = 0;
        socklen_t length = sizeof soError;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
        error = WsaErrorFromErrno(soError);
      }
    }
  }
  if (error != 0) {
    close(fd);
    return error;
  }
  // Commands and replies alternate: a short command must not wait for the peer's
  // delayed acknowledgement of the one before.
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  fdOut = fd;
  return 0;
}

}  // namespace

CTcpSocket::~CTcpSocket() { Close(); }

int CTcpSocket::Fail(int error) {
  m_lastError = error;
  return error;
}

int CTcpSocket::Connect(const std::string& host, int port, std::uint32_t timeoutMs) {
  Close();
  if (m_cancel && m_cancel->IsCancelled()) return Fail(kWsaInterrupted);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::string service = std::to_string(port & 0xFFFF);
  // An empty host name means this computer, as the Windows resolver takes it.
  int code = getaddrinfo(host.empty() ? "localhost" : host.c_str(), service.c_str(), &hints, &list);
  if (code != 0) return Fail(code == EAI_SYSTEM ? WsaErrorFromErrno(errno) : ResolverError(code));
  int error = kWsaHostNotFound;
  for (addrinfo* entry = list; entry; entry = entry->ai_next) {
    error = ConnectOne(*entry, timeoutMs, m_cancel.get(), m_fd);
    if (error == 0 || error == kWsaInterrupted) break;
  }
  freeaddrinfo(list);
  return Fail(error);
}

bool CTcpSocket::WaitFor(short events, std::uint32_t timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()).count();
    int ready = PollOrCancel(m_fd, events, left > 0 ? static_cast<int>(left) : 0, m_cancel.get());
    if (ready > 0) return true;
    if (ready == -2) {
      Fail(kWsaInterrupted);
      return false;
    }
    if (ready == 0) {
      Fail(kWsaTimedOut);
      return false;
    }
    if (errno != EINTR) {
      Fail(WsaErrorFromErrno(errno));
      return false;
    }
  }
}

bool CTcpSocket::WaitForStep(CTlsChannel::Step step, std::uint32_t timeoutMs) {
  if (step == CTlsChannel::Step::WantRead) return WaitFor(POLLIN, timeoutMs);
  if (step == CTlsChannel::Step::WantWrite) return WaitFor(POLLOUT, timeoutMs);
  Fail(10054);
  return false;
}

int CTcpSocket::StartTls(const std::string& host, const std::string& extraCaFile,
                         std::uint32_t timeoutMs) {
  if (m_fd < 0) return Fail(10057);
  m_failedTls.reset();
  std::string error;
  std::unique_ptr<CTlsChannel> channel = CTlsChannel::Create(m_fd, host, extraCaFile, error);
  if (!channel) return Fail(-1);
  // One time-out for the whole handshake: a server that trickles its part still ends.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    CTlsChannel::Step step = channel->Handshake();
    if (step == CTlsChannel::Step::Done) break;
    if (step == CTlsChannel::Step::Failed) {
      m_failedTls = std::move(channel);
      return Fail(-1);
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return Fail(kWsaTimedOut);
    if (!WaitForStep(step, static_cast<std::uint32_t>(left))) return m_lastError;
  }
  m_tls = std::move(channel);
  return Fail(0);
}

bool CTcpSocket::TlsSendAll(const char* data, std::size_t size, std::uint32_t timeoutMs) {
  while (size > 0) {
    std::size_t written = 0;
    CTlsChannel::Step step = m_tls->Write(data, size, written);
    data += written;
    size -= written;
    if (step != CTlsChannel::Step::Done && !WaitForStep(step, timeoutMs)) return false;
  }
  return true;
}

long CTcpSocket::TlsReceive(char* buffer, std::size_t size, std::uint32_t timeoutMs) {
  for (;;) {
    std::size_t count = 0;
    CTlsChannel::Step step = m_tls->Read(buffer, size, count);
    if (step == CTlsChannel::Step::Done) return static_cast<long>(count);
    if (!WaitForStep(step, timeoutMs)) return -1;
  }
}

bool CTcpSocket::SendAll(const char* data, std::size_t size, std::uint32_t timeoutMs) {
  if (m_fd < 0) {
    Fail(10057);
    return false;
  }
  if (m_tls) return TlsSendAll(data, size, timeoutMs);
  while (size > 0) {
    ssize_t written = send(m_fd, data, size, MSG_NOSIGNAL);
    if (written > 0) {
      data += written;
      size -= static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      Fail(WsaErrorFromErrno(errno));
      return false;
    }
    if (!WaitFor(POLLOUT, timeoutMs)) return false;
  }
  return true;
}

long CTcpSocket::Receive(char* buffer, std::size_t size, std::uint32_t timeoutMs) {
  if (m_fd < 0) {
    Fail(10057);
    return -1;
  }
  if (m_tls) return TlsReceive(buffer, size, timeoutMs);
  for (;;) {
    ssize_t count = recv(m_fd, buffer, size, 0);
    if (count >= 0) return static_cast<long>(count);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      Fail(WsaErrorFromErrno(errno));
      return -1;
    }
    if (!WaitFor(POLLIN, timeoutMs)) return -1;
  }
}

bool CTcpSocket::LocalAddress(std::string& text) const {
  if (m_fd < 0) return false;
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, nullptr, 0,
                  NI_NUMERICHOST) != 0) {
    return false;
  }
  text = host;
  return true;
}

void CTcpSocket::Close() {
  if (m_tls) m_tls->Shutdown();
  m_tls.reset();
  m_failedTls.reset();
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
}

}  // namespace platform
