// Real mail servers from Debian for the integration tests, each started on a loopback
// port in a folder of its own and stopped (and waited for) by the destructor:
// an SMTP server on aiosmtpd (run by /usr/bin/python3, which sees Debian's Python
// packages) and dovecot as a POP3 server with a plaintext password file (APOP and
// USER/PASS), run as an unprivileged user when the tests run as root.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Whether a server takes connections on the loopback `port`.
bool CanConnect(int port);

// A child process with its standard input and output on pipes.
class CChildProcess {
 public:
  CChildProcess() = default;
  ~CChildProcess();
  CChildProcess(const CChildProcess&) = delete;
  CChildProcess& operator=(const CChildProcess&) = delete;

  bool Start(const std::vector<std::string>& argv, const std::string& outputPath);
  // One line of the child's standard output, waiting at most `timeoutMs`.
  bool ReadLine(std::string& line, int timeoutMs);
  // Closes its input, sends SIGTERM, waits; SIGKILL after a few seconds.
  void Stop();

 private:
  pid_t m_pid = -1;
  int m_input = -1;
  int m_output = -1;
  std::string m_buffer;
};

// TLS of a server: "starttls" (STARTTLS or STLS on the plain port) or "tls" (from the
// first byte; dovecot offers both, STLS and a POP3S port), with its certificate and key as
// PEM files. An empty mode: none.
struct ServerTls {
  std::string mode;
  std::string certificate;
  std::string key;
};

class CRealSmtpServer {
 public:
  // Messages are stored in `folder` (created).
  CRealSmtpServer(const std::string& folder, const std::string& user, const std::string& password,
                  bool requireAuth, const ServerTls& tls = {});
  // Empty when the server runs; else why not.
  const std::string& Error() const { return m_error; }
  int Port() const { return m_port; }
  // The data of message `index` as received, and its envelope lines.
  std::string Message(int index) const;
  std::vector<std::string> Envelope(int index) const;

 private:
  std::string m_folder;
  CChildProcess m_process;
  int m_port = 0;
  std::string m_error;
};

class CRealPop3Server {
 public:
  CRealPop3Server(const std::string& folder, const std::string& user, const std::string& password,
                  const ServerTls& tls = {});
  const std::string& Error() const { return m_error; }
  int Port() const { return m_port; }
  // The POP3S port (TLS from the first byte) when the server has a certificate.
  int TlsPort() const { return m_tlsPort; }

 private:
  CChildProcess m_process;
  int m_port = 0;
  int m_tlsPort = 0;
  std::string m_error;
};
