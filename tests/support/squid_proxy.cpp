#include "support/squid_proxy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

SquidProxy::SquidProxy(Options options) : m_options(std::move(options)) {
  // Started by root (a container), squid drops to its own user, which must write here.
  if (geteuid() == 0) chmod(m_folder.Path().c_str(), 0777);
  if (!m_options.user.empty()) {
    std::ofstream(m_folder.File("passwd"), std::ios::binary)
        << CryptPasswordLine(m_options.user, m_options.password);
    chmod(m_folder.File("passwd").c_str(), 0644);
  }
}

std::string SquidProxy::Configuration() const {
  const std::string dir = m_folder.Path();
  std::string conf = "http_port 127.0.0.1:" + std::to_string(m_port) + "\n"
                     "pid_filename " + dir + "/squid.pid\n"
                     "cache_log " + dir + "/cache.log\n"
                     "access_log stdio:" + dir + "/access.log\n"
                     "cache_store_log none\n"
                     "coredump_dir " + dir + "\n"
                     "netdb_filename none\n"
                     "cache deny all\n"
                     "shutdown_lifetime 0 seconds\n";
  conf += m_extra;
  if (!m_options.user.empty()) {
    conf += std::string("auth_param basic program ") + kSquidBasicAuthHelper + " " + dir +
            "/passwd\n"
            "auth_param basic children 2\n"
            "auth_param basic realm pagewarden-test\n"
            // Keep UTF-8 passwords byte for byte instead of converting them from Latin-1.
            "auth_param basic utf8 off\n"
            "acl logged_in proxy_auth REQUIRED\n"
            "http_access allow localhost logged_in\n";
  } else {
    conf += "http_access allow localhost\n";
  }
  conf += "http_access deny all\n";
  return conf;
}

bool SquidProxy::Start() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    m_port = FreeLoopbackPort();
    std::ofstream(m_folder.File("squid.conf"), std::ios::binary | std::ios::trunc)
        << Configuration();
    if (m_daemon.Start(kSquidProgram, {"-N", "-f", m_folder.File("squid.conf")},
                       m_folder.File("output.log"), m_port, 15000, m_failure)) {
      m_failure.clear();
      return true;
    }
    m_failure += LastLines(m_folder.File("cache.log"));
    if (m_failure.find("in use") == std::string::npos) return false;
  }
  return false;
}

std::string SquidProxy::AccessLog() const {
  std::ifstream in(m_folder.File("access.log"));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool SquidProxy::Logged(const std::string& text, int timeoutMs) const {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (AccessLog().find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}
