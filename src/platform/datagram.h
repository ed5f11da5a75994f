// One program's own answer socket: a datagram socket in the per-user runtime folder that
// another program can answer to, by path. Its name does not end like a broadcast socket's,
// so broadcasts never reach it.
//
// Threads: an inbox is used by one thread; SendDatagram is safe from any thread.
#pragma once

#include <optional>
#include <string>

namespace platform {

class CProcessWatch;

class CDatagramInbox {
 public:
  // Binds "<programName>-<pid>-<n>.answer" in the runtime folder.
  explicit CDatagramInbox(const std::string& programName);
  ~CDatagramInbox();  // closes and removes the socket
  CDatagramInbox(const CDatagramInbox&) = delete;
  CDatagramInbox& operator=(const CDatagramInbox&) = delete;

  bool Listening() const { return m_socket >= 0; }
  const std::string& Path() const { return m_path; }  // native
  // Waits for the next datagram up to `timeoutMs`; nothing on time-out. With `sender`,
  // also nothing as soon as that process has ended (what it sent before is still taken).
  std::optional<std::string> Receive(int timeoutMs, const CProcessWatch* sender = nullptr);
  // The process that sent the datagram Receive gave last; 0 when not known.
  int LastSenderPid() const { return m_lastSenderPid; }

 private:
  std::optional<std::string> ReceiveOne(std::string& buffer);

  std::string m_path;
  int m_socket = -1;
  int m_lastSenderPid = 0;
};

// Sends `bytes` as one datagram to the socket at `path` (native); false when nobody
// listens there or the datagram is too long.
bool SendDatagram(const std::string& path, const std::string& bytes);

}  // namespace platform
