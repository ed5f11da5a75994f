// A blocking TCP client connection on POSIX sockets, standing in for the Windows Sockets
// client. Failures are reported as Windows Sockets error numbers (ECONNREFUSED becomes
// 10061, a time-out 10060), so the program's error texts keep their numbers. Every wait
// has a time-out. The connection may be turned into TLS (StartTls). One object is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/cancel_signal.h"
#include "platform/tls_channel.h"

namespace platform {

inline constexpr int kWsaInterrupted = 10004;
inline constexpr int kWsaTimedOut = 10060;
inline constexpr int kWsaConnRefused = 10061;
inline constexpr int kWsaHostNotFound = 11001;

// The Windows Sockets error number for an errno value (0 stays 0).
int WsaErrorFromErrno(int error);

class CTcpSocket {
 public:
  CTcpSocket() = default;
  ~CTcpSocket();
  CTcpSocket(const CTcpSocket&) = delete;
  CTcpSocket& operator=(const CTcpSocket&) = delete;

  // Resolves `host` (an empty host is this computer) and connects to `port`; tries each
  // address in turn. 0 on success, else the error number (LastError gives it as well).
  int Connect(const std::string& host, int port, std::uint32_t timeoutMs);
  // Writes all bytes; false on an error or when nothing could be written in `timeoutMs`.
  bool SendAll(const char* data, std::size_t size, std::uint32_t timeoutMs);
  // One receive of at most `size` bytes: the count, 0 when the peer closed, -1 on an
  // error or when nothing arrived within `timeoutMs` (then LastError is 10060).
  long Receive(char* buffer, std::size_t size, std::uint32_t timeoutMs);
  // Turns the connection into TLS for `host` (the name it was connected with; see
  // CTlsChannel): the whole handshake must end within `timeoutMs`. 0, else the error
  // number (10060 time-out, 10004 cancelled), or -1 with TlsFailure() saying why. Every
  // later Send and Receive goes through TLS.
  int StartTls(const std::string& host, const std::string& extraCaFile, std::uint32_t timeoutMs);
  bool IsTls() const { return m_tls != nullptr; }
  // The channel of the last StartTls (kept after a failed one, for its reasons); null.
  const CTlsChannel* Tls() const { return m_tls ? m_tls.get() : m_failedTls.get(); }
  // The local address of the connection as text ("127.0.0.1"); false when unknown.
  bool LocalAddress(std::string& text) const;
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  // Every later wait of the connection (connecting included) also ends when `cancel` is
  // cancelled, failing with 10004; null: none.
  void SetCancelSignal(std::shared_ptr<CCancelSignal> cancel) { m_cancel = std::move(cancel); }
  int LastError() const { return m_lastError; }

 private:
  bool WaitFor(short events, std::uint32_t timeoutMs);
  // Waits as `step` asks; false (LastError set) on a failure or a time-out.
  bool WaitForStep(CTlsChannel::Step step, std::uint32_t timeoutMs);
  bool TlsSendAll(const char* data, std::size_t size, std::uint32_t timeoutMs);
  long TlsReceive(char* buffer, std::size_t size, std::uint32_t timeoutMs);
  int Fail(int error);

  int m_fd = -1;
  int m_lastError = 0;
  std::shared_ptr<CCancelSignal> m_cancel;
  std::unique_ptr<CTlsChannel> m_tls;
  std::unique_ptr<CTlsChannel> m_failedTls;
};

}  // namespace platform
