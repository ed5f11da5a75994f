#include "support/server_daemon.h"

#include <arpa/inet.h>
#include <crypt.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <fstream>
#include <random>
#include <thread>

extern char** environ;

namespace {

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool Accepting(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in address = LoopbackAddress(port);
  bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

}  // namespace

int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

bool ProgramInstalled(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

bool ServerDaemon::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& logPath, int port, int timeoutMs,
                         std::string& error) {
  Stop();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int failed = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    m_pid = -1;
    error = "cannot start " + program;
    return false;
  }
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!Accepting(port)) {
    if (Exited()) {
      error = program + " exited at its start:\n" + LastLines(logPath);
      return false;
    }
    if (std::chrono::steady_clock::now() >= end) {
      Stop();
      error = program + " did not listen on port " + std::to_string(port) + ":\n" +
              LastLines(logPath);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

bool ServerDaemon::Exited() {
  if (m_pid <= 0) return true;
  if (waitpid(m_pid, nullptr, WNOHANG) != m_pid) return false;
  m_pid = -1;
  return true;
}

void ServerDaemon::Stop() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Exited()) {
    if (std::chrono::steady_clock::now() >= end) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
      m_pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string CryptPasswordLine(const std::string& user, const std::string& password) {
  static const char kSaltAlphabet[] =
      "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::mt19937 random{std::random_device{}()};
  std::string setting = "$1$";
  for (int i = 0; i < 8; ++i) setting += kSaltAlphabet[random() % 64];
  crypt_data data{};
  const char* hash = crypt_r(password.c_str(), setting.c_str(), &data);
  return user + ":" + (hash ? hash : "") + "\n";
}

std::string LastLines(const std::string& path, int count) {
  std::ifstream in(path);
  std::deque<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
    if (static_cast<int>(lines.size()) > count) lines.pop_front();
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}
