// Pieces shared by the fixtures that run real server software (nginx, squid) for a test:
// a free loopback port, a daemon process stopped with the fixture, and password lines.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A TCP port on 127.0.0.1 that nothing listens on at the moment of the call. Servers that
// take their port from a configuration file cannot be given port 0, so the fixtures ask
// here and retry when another process takes the port in between.
int FreeLoopbackPort();

// True when `path` names an executable file.
bool ProgramInstalled(const std::string& path);

// One server program running in the foreground, its output going to `logPath`. The
// destructor stops it (SIGTERM, SIGKILL after a few seconds) and reaps it.
class ServerDaemon {
 public:
  ServerDaemon() = default;
  ~ServerDaemon() { Stop(); }
  ServerDaemon(const ServerDaemon&) = delete;
  ServerDaemon& operator=(const ServerDaemon&) = delete;

  // Starts `program` and waits until it accepts connections on 127.0.0.1:`port`.
  // False (with the reason and the last log lines in `error`) when it exits or does not
  // listen within `timeoutMs`.
  bool Start(const std::string& program, const std::vector<std::string>& args,
             const std::string& logPath, int port, int timeoutMs, std::string& error);
  void Stop();
  bool Running() const { return m_pid > 0; }

 private:
  bool Exited();

  pid_t m_pid = -1;
};

// A password-file line "user:hash" with an MD5-crypt hash, which both nginx's auth_basic
// and squid's basic_ncsa_auth accept. `user` and `password` are taken byte for byte.
std::string CryptPasswordLine(const std::string& user, const std::string& password);

// The last `count` lines of a text file, for failure messages.
std::string LastLines(const std::string& path, int count = 15);
