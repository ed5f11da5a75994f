// A private nginx for integration tests: its own configuration, document root, logs, pid
// and temporary files in a temporary folder, listening on a free port of 127.0.0.1 (over
// TLS with the loopback test certificate when asked), stopped when the object goes.
//
//   SKIP_WITHOUT_NGINX();
//   NginxServer nginx;
//   nginx.AddFile("ページ.html", "<p>...</p>");
//   nginx.AddServerConfig("location /private/ { auth_basic \"t\"; auth_basic_user_file "
//                         + nginx.WritePasswordFile("users", "user", "password") + "; }");
//   ASSERT_TRUE(nginx.Start()) << nginx.Failure();
//   ... nginx.Url("/ページ.html") ...
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/server_daemon.h"
#include "support/temp_folder.h"

inline constexpr const char kNginxProgram[] = "/usr/sbin/nginx";

// Skips the current test (with the reason) when nginx is not installed.
#define SKIP_WITHOUT_NGINX()                                                  \
  do {                                                                        \
    if (!ProgramInstalled(kNginxProgram))                                     \
      GTEST_SKIP() << kNginxProgram << " is missing (Debian package nginx-light)"; \
  } while (false)

class NginxServer {
 public:
  struct Options {
    bool tls = false;  // https with kLoopbackCertificatePem; trust CaFile()
  };

  NginxServer() : NginxServer(Options{}) {}
  explicit NginxServer(Options options);
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  // Directives inside http { } and inside the one server { } (locations, add_header,
  // gzip, rewrites ...). Call before Start().
  void AddHttpConfig(const std::string& snippet);
  void AddServerConfig(const std::string& snippet);
  // Writes a file under the document root; `path` is relative ("a/b.html") and taken byte
  // for byte (UTF-8 names are served under their UTF-8 percent-escapes). May be called
  // while the server runs.
  void AddFile(const std::string& path, const std::string& bytes);
  // Writes a password file for auth_basic with one user (bytes as given); its full path.
  std::string WritePasswordFile(const std::string& name, const std::string& user,
                                const std::string& password);

  // Writes the configuration and starts nginx; false with Failure() set when it cannot.
  bool Start();
  const std::string& Failure() const { return m_failure; }
  void Stop() { m_daemon.Stop(); }

  int Port() const { return m_port; }
  // "http://127.0.0.1:<port>" (or https) followed by `path` (which starts with '/').
  std::string Url(const std::string& path = "/") const;
  // The CA file that trusts this server's certificate (TLS only).
  std::string CaFile() const { return m_folder.File("ca.pem"); }
  std::string Folder() const { return m_folder.Path(); }
  std::string AccessLog() const { return m_folder.File("access.log"); }
  std::string ErrorLog() const { return m_folder.File("error.log"); }

 private:
  std::string Configuration() const;

  Options m_options;
  TempFolder m_folder;
  std::string m_httpSnippets;
  std::string m_serverSnippets;
  ServerDaemon m_daemon;
  int m_port = 0;
  std::string m_failure;
};
