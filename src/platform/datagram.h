// One program's own answer socket: a datagram socket in the per-user runtime folder that
// another program can answer to, by path. Its name does not end like a broadcast socket's,
// so broadcasts never reach it.
//
// Threads: an inbox is used by one thread; SendDatagram is safe from any thread.
#pragma once

#include <optional>
#include <string>

namespace platform {

class CDatagramInbox {
 public:
  // Binds "<programName>-<pid>-<n>.answer" in the runtime folder.
  explicit CDatagramInbox(const std::string& programName);
  ~CDatagramInbox();  // closes and removes the socket
  CDatagramInbox(const CDatagramInbox&) = delete;
  CDatagramInbox& operator=(const CDatagramInbox&) = delete;

  bool Listening() const { return m_socket >= 0; }
  const std::string& Path() const { return m_path; }  // native
  // Waits for the next datagram up to `timeoutMs`; nothing on time-out.
  std::optional<std::string> Receive(int timeoutMs);

 private:
  std::string m_path;
  int m_socket = -1;
};

// Sends `bytes` as one datagram to the socket at `path` (native); false when nobody
// listens there or the datagram is too long.
bool SendDatagram(const std::string& path, const std::string& bytes);

}  // namespace platform
