// TLS on an already connected TCP socket, with OpenSSL. The server's certificate is
// verified against the system's store (plus extra trusted certificates, when given) and
// must name the host the connection was made to; there is no way to skip the check.
// The channel never waits itself: each call says what the socket must become ready for,
// and its owner (CTcpSocket) waits with its own time-outs and cancel signal.
//
// Threads: one thread at a time, the one using the socket.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

struct ssl_ctx_st;
struct ssl_st;

namespace platform {

// Why a handshake did not complete.
enum class TlsFailure { None, Certificate, Handshake, Closed };
// What is wrong with a certificate that was refused.
enum class CertificateProblem { None, HostName, Expired, NotYetValid, Untrusted, Other };

class CTlsChannel {
 public:
  // What a call needs before it can go on: done, or a wait for reading or writing.
  enum class Step { Done, WantRead, WantWrite, Failed };

  ~CTlsChannel();
  CTlsChannel(const CTlsChannel&) = delete;
  CTlsChannel& operator=(const CTlsChannel&) = delete;

  // A client channel on `fd` (not owned) for `host` (a name or an IP address);
  // `extraCaFile`: PEM certificates trusted besides the system's store, or empty.
  // Null when OpenSSL cannot set it up (`error` says why).
  static std::unique_ptr<CTlsChannel> Create(int fd, const std::string& host,
                                             const std::string& extraCaFile, std::string& error);

  // One attempt to go on with the handshake; call again after the wait it asks for.
  Step Handshake();
  // After a failed handshake: its kind and an English description from OpenSSL.
  TlsFailure Failure() const { return m_failure; }
  // The certificate check's error number (X509_V_ERR_...), 0 when it passed.
  long VerifyError() const { return m_verifyError; }
  CertificateProblem Problem() const;
  const std::string& FailureDetail() const { return m_detail; }

  // `count` receives the bytes moved; 0 bytes read with Done means the peer closed.
  Step Read(char* buffer, std::size_t size, std::size_t& count);
  Step Write(const char* data, std::size_t size, std::size_t& count);
  // Sends the closing alert without waiting for the peer's.
  void Shutdown();

  std::string Version() const;
  // The subject of the server's certificate, as "CN=mail.example.jp,O=...".
  std::string PeerSubject() const;

 private:
  CTlsChannel() = default;
  Step StepFor(int result, bool handshaking);

  ssl_ctx_st* m_context = nullptr;
  ssl_st* m_ssl = nullptr;
  TlsFailure m_failure = TlsFailure::None;
  long m_verifyError = 0;
  std::string m_detail;
};

}  // namespace platform
