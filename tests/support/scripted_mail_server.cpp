#include "support/scripted_mail_server.h"

#include <random>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// `portAtMost` 0: a port the system chooses; else a free port from 10000 to it.
int ListenOnLoopback(int& port, int portAtMost = 0) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (portAtMost > 10000) {
    std::minstd_rand random(static_cast<unsigned>(getpid()));
    for (int attempt = 0; attempt < 200; ++attempt) {
      address.sin_port = htons(static_cast<std::uint16_t>(10000 + random() % (portAtMost - 10000)));
      if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
    }
  } else {
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  listen(fd, 8);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

int UnusedLoopbackPort() {
  int port = 0;
  int fd = ListenOnLoopback(port);
  close(fd);
  return port;
}

CScriptedMailServer::CScriptedMailServer(int portAtMost) {
  m_listenFd = ListenOnLoopback(m_port, portAtMost);
  if (pipe(m_wakePipe) != 0) m_wakePipe[0] = m_wakePipe[1] = -1;
  m_thread = std::thread([this] { Serve(); });
}

CScriptedMailServer::~CScriptedMailServer() {
  m_stop = true;
  if (m_wakePipe[1] >= 0) (void)!write(m_wakePipe[1], "x", 1);
  m_thread.join();
  close(m_listenFd);
  close(m_wakePipe[0]);
  close(m_wakePipe[1]);
}

void CScriptedMailServer::AddConnection(Script script) {
  std::lock_guard lock(m_mutex);
  m_scripts.push_back(std::move(script));
}

void CScriptedMailServer::AddConversation(const std::string& greeting,
                                          const std::vector<std::string>& replies) {
  Script script{Send(greeting)};
  for (const auto& reply : replies) {
    script.push_back(ReadLine());
    script.push_back(Send(reply));
  }
  AddConnection(std::move(script));
}

std::string CScriptedMailServer::Received(std::size_t index) const {
  std::lock_guard lock(m_mutex);
  return index < m_received.size() ? m_received[index] : std::string();
}

std::vector<std::string> CScriptedMailServer::Lines(std::size_t index) const {
  std::lock_guard lock(m_mutex);
  return index < m_lines.size() ? m_lines[index] : std::vector<std::string>();
}

std::size_t CScriptedMailServer::ConnectionCount() const {
  std::lock_guard lock(m_mutex);
  return m_received.size();
}

void CScriptedMailServer::Serve() {
  while (!m_stop) {
    pollfd entries[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
    if (poll(entries, 2, 1000) <= 0 || m_stop) continue;
    if (!(entries[0].revents & POLLIN)) continue;
    int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Script script;
    std::size_t index;
    {
      std::lock_guard lock(m_mutex);
      index = m_received.size();
      m_received.emplace_back();
      m_lines.emplace_back();
      m_pending.emplace_back();
      if (index < m_scripts.size()) script = m_scripts[index];
    }
    if (index < m_scripts.size()) Play(fd, index, script);
    close(fd);
  }
}

// Reads until `terminator` has arrived (recording everything) or the peer closes or the
// server stops; `out` is the text up to and including the terminator.
bool CScriptedMailServer::ReadUntil(int fd, std::size_t index, const std::string& terminator,
                                    std::string& out) {
  std::string buffer;
  {
    std::lock_guard lock(m_mutex);
    buffer.swap(m_pending[index]);
  }
  for (;;) {
    std::size_t end = buffer.find(terminator);
    if (end != std::string::npos) {
      out = buffer.substr(0, end + terminator.size());
      std::lock_guard lock(m_mutex);
      m_pending[index] = buffer.substr(end + terminator.size());
      return true;
    }
    pollfd entries[2] = {{fd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
    if (poll(entries, 2, 1000) < 0 || m_stop) return false;
    if (!(entries[0].revents & (POLLIN | POLLHUP))) continue;
    char chunk[4096];
    ssize_t count = recv(fd, chunk, sizeof chunk, 0);
    if (count <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(count));
    std::lock_guard lock(m_mutex);
    m_received[index].append(chunk, static_cast<std::size_t>(count));
  }
}

void CScriptedMailServer::Play(int fd, std::size_t index, const Script& script) {
  for (const Step& step : script) {
    if (m_stop) return;
    switch (step.kind) {
      case Step::Send:
        if (send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL) < 0) return;
        break;
      case Step::ReadLine:
      case Step::ReadData: {
        std::string text;
        bool data = step.kind == Step::ReadData;
        if (!ReadUntil(fd, index, data ? "\r\n.\r\n" : "\r\n", text)) return;
        std::lock_guard lock(m_mutex);
        m_lines[index].push_back(data ? text : text.substr(0, text.size() - 2));
        break;
      }
      case Step::Stall: {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.stallMs);
        while (!m_stop && std::chrono::steady_clock::now() < until) {
          pollfd wake{m_wakePipe[0], POLLIN, 0};
          poll(&wake, 1, 50);
        }
        break;
      }
      case Step::Close:
        return;
    }
  }
  // After the script: record whatever else the client sends until it closes.
  std::string rest;
  ReadUntil(fd, index, std::string(1, '\0') + "\x01never", rest);
}
