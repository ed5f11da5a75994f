// Registered messages between the program and its companion programs, in place of window
// messages posted to every top-level window. Every running program that wants them binds
// a datagram socket in the per-user runtime folder; a broadcast sends the message's name
// to every socket there (the sender's own included, as a window broadcast reaches the
// sender's windows too).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/ui_queue.h"

namespace platform {

// Sends `name` to every program listening. The number of programs reached; sockets left
// behind by programs that ended are removed.
int Broadcast(const std::string& name);

// Receives broadcasts on a receiver thread and hands each to `handler` on the UI thread
// (through `queue`). The handler is never called after the receiver is destroyed,
// provided the receiver is destroyed on the UI thread (tasks already posted then find it
// gone and do nothing). The receiver thread is joined on destruction.
class CBroadcastReceiver {
 public:
  using Handler = std::function<void(const std::string& name)>;

  // `programName` names the socket file (with the process id), e.g. "pagewarden".
  CBroadcastReceiver(IUiQueue& queue, Handler handler, const std::string& programName);
  ~CBroadcastReceiver();
  CBroadcastReceiver(const CBroadcastReceiver&) = delete;
  CBroadcastReceiver& operator=(const CBroadcastReceiver&) = delete;

  // Whether the socket is bound: false without a runtime folder or when binding failed.
  bool Listening() const { return m_socket >= 0; }
  const std::string& SocketPath() const { return m_path; }

 private:
  void Receive();

  IUiQueue& m_queue;
  std::shared_ptr<Handler> m_handler;
  std::shared_ptr<std::atomic<bool>> m_alive;
  std::string m_path;
  int m_socket = -1;
  int m_wake[2] = {-1, -1};  // a pipe whose write end ends the receiver thread
  std::thread m_thread;
};

}  // namespace platform
