// The browser's DevTools protocol over its pipe: JSON messages, each ended by a NUL byte,
// commands written to one descriptor and replies and events read from the other.
//
// Threads: one owner thread. The descriptors belong to the browser process object.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

namespace platform {

class CDevToolsPipe {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Wait { Message, TimedOut, Cancelled, Closed, TooLarge };

  // `cancelDescriptor` (readable when cancelled, -1 for none) ends every wait at once;
  // a single message longer than `messageLimit` bytes ends the reading (TooLarge).
  CDevToolsPipe(int commandDescriptor, int replyDescriptor, int cancelDescriptor,
                std::size_t messageLimit);

  // Sends a command (to `session` when not empty) and gives its id, or -1 when the pipe
  // is broken, the wait for it ends or it is cancelled.
  int Send(const std::string& method, const nlohmann::json& params, const std::string& session,
           Clock::time_point deadline);
  // The next message, waiting until `deadline` at the latest.
  Wait Next(nlohmann::json& message, Clock::time_point deadline);

 private:
  bool WaitFor(int descriptor, short events, Clock::time_point deadline, Wait& why) const;

  int m_commands;
  int m_replies;
  int m_cancel;
  std::size_t m_messageLimit;
  int m_nextId = 1;
  std::string m_buffer;  // bytes read past the last whole message
};

}  // namespace platform
