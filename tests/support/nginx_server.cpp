#include "support/nginx_server.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/test_certificate.h"

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace

NginxServer::NginxServer(Options options) : m_options(options) {
  std::filesystem::create_directories(m_folder.File("www"));
  std::filesystem::create_directories(m_folder.File("temp"));
  if (m_options.tls) {
    WriteFile(m_folder.File("cert.pem"), kLoopbackCertificatePem);
    WriteFile(m_folder.File("key.pem"), kLoopbackKeyPem);
    WriteFile(CaFile(), kLoopbackCertificatePem);
  }
}

NginxServer::~NginxServer() { m_daemon.Stop(); }

void NginxServer::AddHttpConfig(const std::string& snippet) { m_httpSnippets += snippet + "\n"; }

void NginxServer::AddServerConfig(const std::string& snippet) {
  m_serverSnippets += snippet + "\n";
}

void NginxServer::AddFile(const std::string& path, const std::string& bytes) {
  WriteFile(m_folder.File("www/" + path), bytes);
}

std::string NginxServer::WritePasswordFile(const std::string& name, const std::string& user,
                                           const std::string& password) {
  std::string path = m_folder.File(name);
  WriteFile(path, CryptPasswordLine(user, password));
  return path;
}

std::string NginxServer::Url(const std::string& path) const {
  return std::string(m_options.tls ? "https" : "http") + "://127.0.0.1:" +
         std::to_string(m_port) + path;
}

std::string NginxServer::Configuration() const {
  const std::string dir = m_folder.Path();
  std::string conf;
  // Started by root (a container), the workers would run as nobody and not see the
  // private folder.
  if (geteuid() == 0) conf += "user root;\n";
  conf += "worker_processes 1;\n"
          "pid " + dir + "/nginx.pid;\n"
          "error_log " + dir + "/error.log info;\n"
          "events { worker_connections 64; }\n"
          "http {\n"
          "  access_log " + dir + "/access.log;\n"
          "  client_body_temp_path " + dir + "/temp/body;\n"
          "  proxy_temp_path " + dir + "/temp/proxy;\n"
          "  fastcgi_temp_path " + dir + "/temp/fastcgi;\n"
          "  uwsgi_temp_path " + dir + "/temp/uwsgi;\n"
          "  scgi_temp_path " + dir + "/temp/scgi;\n"
          "  types { text/html html htm; text/plain txt; text/css css; image/png png; }\n"
          "  default_type application/octet-stream;\n" +
          m_httpSnippets +
          "  server {\n"
          "    listen 127.0.0.1:" + std::to_string(m_port) + (m_options.tls ? " ssl" : "") + ";\n"
          "    server_name localhost;\n"
          "    root " + dir + "/www;\n";
  if (m_options.tls) {
    conf += "    ssl_certificate " + dir + "/cert.pem;\n"
            "    ssl_certificate_key " + dir + "/key.pem;\n";
  }
  conf += m_serverSnippets + "  }\n}\n";
  return conf;
}

bool NginxServer::Start() {
  // Another process may take the free port before nginx binds it: try a few ports.
  for (int attempt = 0; attempt < 3; ++attempt) {
    m_port = FreeLoopbackPort();
    WriteFile(m_folder.File("nginx.conf"), Configuration());
    if (m_daemon.Start(kNginxProgram,
                       {"-p", m_folder.Path() + "/", "-e", ErrorLog(), "-c",
                        m_folder.File("nginx.conf"), "-g", "daemon off;"},
                       m_folder.File("output.log"), m_port, 10000, m_failure)) {
      m_failure.clear();
      return true;
    }
    m_failure += LastLines(ErrorLog());
    if (m_failure.find("in use") == std::string::npos) return false;
  }
  return false;
}
