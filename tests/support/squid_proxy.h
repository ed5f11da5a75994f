// A private squid for integration tests: an HTTP proxy on a free port of 127.0.0.1 with its
// own configuration, logs and pid in a temporary folder (memory only, nothing cached),
// optionally asking for a Basic login checked by Debian's basic_ncsa_auth helper against
// a password file the fixture writes. Stopped when the object goes.
//
//   SKIP_WITHOUT_SQUID();
//   SquidProxy squid(SquidProxy::Options{.user = "user", .password = "pass"});
//   ASSERT_TRUE(squid.Start()) << squid.Failure();
//   ... squid.Address() is "127.0.0.1:<port>" ...
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "support/server_daemon.h"
#include "support/temp_folder.h"

inline constexpr const char kSquidProgram[] = "/usr/sbin/squid";
inline constexpr const char kSquidBasicAuthHelper[] = "/usr/lib/squid/basic_ncsa_auth";

// Skips the current test (with the reason) when squid or its password helper is missing.
#define SKIP_WITHOUT_SQUID()                                                               \
  do {                                                                                     \
    if (!ProgramInstalled(kSquidProgram) || !ProgramInstalled(kSquidBasicAuthHelper))      \
      GTEST_SKIP() << kSquidProgram << " or its basic_ncsa_auth is missing (Debian package squid)"; \
  } while (false)

class SquidProxy {
 public:
  struct Options {
    std::string user;      // non-empty: the proxy asks for this Basic login (407 otherwise)
    std::string password;
  };

  SquidProxy() : SquidProxy(Options{}) {}
  explicit SquidProxy(Options options);
  ~SquidProxy() { m_daemon.Stop(); }
  SquidProxy(const SquidProxy&) = delete;
  SquidProxy& operator=(const SquidProxy&) = delete;

  // Extra squid.conf lines, placed before the access rules. Call before Start().
  void AddConfig(const std::string& lines) { m_extra += lines + "\n"; }

  bool Start();
  const std::string& Failure() const { return m_failure; }
  void Stop() { m_daemon.Stop(); }

  int Port() const { return m_port; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
  // What the proxy forwarded, one line per request (squid's native log format).
  std::string AccessLog() const;
  // Whether the access log holds `text` within `timeoutMs`: squid writes a line when it
  // has ended the transaction, which may be just after the client has its answer.
  bool Logged(const std::string& text, int timeoutMs = 5000) const;

 private:
  std::string Configuration() const;

  Options m_options;
  TempFolder m_folder;
  std::string m_extra;
  ServerDaemon m_daemon;
  int m_port = 0;
  std::string m_failure;
};
