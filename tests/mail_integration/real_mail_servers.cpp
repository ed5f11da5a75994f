#include "real_mail_servers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/scripted_mail_server.h"

extern char** environ;

namespace {

bool Executable(const char* path) { return access(path, X_OK) == 0; }

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void ChownTree(const std::string& path, uid_t uid, gid_t gid) {
  std::string command = "chown -R " + std::to_string(uid) + ":" + std::to_string(gid) + " '" + path + "'";
  if (system(command.c_str()) != 0) {
    // The server then reports what it cannot reach.
  }
}

}  // namespace

bool CanConnect(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

CChildProcess::~CChildProcess() { Stop(); }

bool CChildProcess::Start(const std::vector<std::string>& argv, const std::string& outputPath) {
  int input[2], output[2];
  if (pipe2(input, O_CLOEXEC) != 0) return false;
  if (pipe2(output, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  int result = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  close(output[1]);
  m_input = input[1];
  m_output = output[0];
  if (result != 0) {
    m_pid = -1;
    return false;
  }
  return true;
}

bool CChildProcess::ReadLine(std::string& line, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::size_t end = m_buffer.find('\n');
    if (end != std::string::npos) {
      line = m_buffer.substr(0, end);
      m_buffer.erase(0, end + 1);
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd entry{m_output, POLLIN, 0};
    if (poll(&entry, 1, int(left)) <= 0) continue;
    char chunk[256];
    ssize_t count = read(m_output, chunk, sizeof chunk);
    if (count <= 0) return false;
    m_buffer.append(chunk, std::size_t(count));
  }
}

void CChildProcess::Stop() {
  if (m_input >= 0) close(m_input);
  m_input = -1;
  if (m_pid > 0) {
    kill(m_pid, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  m_pid = -1;
  if (m_output >= 0) close(m_output);
  m_output = -1;
}

CRealSmtpServer::CRealSmtpServer(const std::string& folder, const std::string& user,
                                 const std::string& password, bool requireAuth,
                                 const ServerTls& tls)
    : m_folder(folder) {
  mkdir(folder.c_str(), 0755);
  if (!Executable("/usr/bin/python3") ||
      system("/usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null") != 0) {
    m_error = "python3-aiosmtpd is not installed (scripts/packages.txt)";
    return;
  }
  std::string script = std::string(MAIL_INTEGRATION_DIR) + "/smtp_server.py";
  std::vector<std::string> argv = {"/usr/bin/python3", script, folder, user, password,
                                   requireAuth ? "1" : "0"};
  if (!tls.mode.empty()) argv.insert(argv.end(), {tls.mode, tls.certificate, tls.key});
  if (!m_process.Start(argv, folder + "/server.log")) {
    m_error = "cannot start the SMTP server";
    return;
  }
  std::string line;
  if (!m_process.ReadLine(line, 20000) || (m_port = std::atoi(line.c_str())) <= 0) {
    m_error = "the SMTP server did not start: " + ReadWhole(folder + "/server.log");
  }
}

std::string CRealSmtpServer::Message(int index) const {
  char name[16];
  snprintf(name, sizeof name, "/%03d.eml", index);
  return ReadWhole(m_folder + name);
}

std::vector<std::string> CRealSmtpServer::Envelope(int index) const {
  char name[16];
  snprintf(name, sizeof name, "/%03d.env", index);
  std::istringstream in(ReadWhole(m_folder + name));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

CRealPop3Server::CRealPop3Server(const std::string& folder, const std::string& user,
                                 const std::string& password, const ServerTls& tls) {
  if (!Executable("/usr/sbin/dovecot") || !Executable("/usr/lib/dovecot/pop3-login")) {
    m_error = "dovecot-pop3d is not installed (scripts/packages.txt)";
    return;
  }
  // As root, the server runs as nobody; otherwise as the user running the tests.
  bool root = geteuid() == 0;
  passwd* account = root ? getpwnam("nobody") : getpwuid(geteuid());
  if (!account) {
    m_error = "no unprivileged user to run dovecot";
    return;
  }
  uid_t uid = account->pw_uid;
  gid_t gid = root ? account->pw_gid : getegid();
  std::string userName = account->pw_name;
  group* groupEntry = getgrgid(gid);
  std::string groupName = groupEntry ? groupEntry->gr_name : std::to_string(gid);

  for (const char* sub : {"", "/run", "/state", "/home"}) mkdir((folder + sub).c_str(), 0755);
  m_port = UnusedLoopbackPort();
  std::ofstream(folder + "/passwd") << user << ":{PLAIN}" << password << "\n";
  std::string ssl = "ssl = no\n";
  std::string tlsListener;
  if (!tls.mode.empty()) {
    ssl = "ssl = yes\nssl_cert = <" + tls.certificate + "\nssl_key = <" + tls.key + "\n";
    do {
      m_tlsPort = UnusedLoopbackPort();
    } while (m_tlsPort == m_port);
    tlsListener = "  inet_listener pop3s {\n    port = " + std::to_string(m_tlsPort) +
                  "\n    ssl = yes\n  }\n";
  }
  std::ofstream(folder + "/dovecot.conf")
      << "base_dir = " << folder << "/run\n"
      << "state_dir = " << folder << "/state\n"
      << "log_path = " << folder << "/dovecot.log\n"
      << "protocols = pop3\nlisten = 127.0.0.1\n" << ssl
      << "disable_plaintext_auth = no\nauth_mechanisms = plain apop\nauth_failure_delay = 0\nlogin_trusted_networks = 127.0.0.0/8\n"
      << "default_login_user = " << userName << "\n"
      << "default_internal_user = " << userName << "\n"
      << "default_internal_group = " << groupName << "\n"
      << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " << folder << "/passwd\n}\n"
      << "userdb {\n  driver = static\n  args = uid=" << uid << " gid=" << gid << " home="
      << folder << "/home/%u\n}\n"
      << "mail_location = maildir:~/Maildir\n"
      << "service pop3-login {\n  chroot =\n  inet_listener pop3 {\n    port = " << m_port
      << "\n  }\n" << tlsListener << "}\n"
      << "service imap-login {\n  chroot =\n}\nservice anvil {\n  chroot =\n}\n"
      << "pop3_uidl_format = %08Xu%08Xv\n";
  std::vector<std::string> argv;
  if (root) {
    ChownTree(folder, uid, gid);
    argv = {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid),
            "--clear-groups", "/usr/sbin/dovecot", "-F", "-c", folder + "/dovecot.conf"};
  } else {
    argv = {"/usr/sbin/dovecot", "-F", "-c", folder + "/dovecot.conf"};
  }
  if (!m_process.Start(argv, folder + "/start.log")) {
    m_error = "cannot start dovecot";
    return;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!CanConnect(m_port)) {
    if (std::chrono::steady_clock::now() > deadline) {
      m_error = "dovecot did not start: " + ReadWhole(folder + "/start.log") +
                ReadWhole(folder + "/dovecot.log");
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}
