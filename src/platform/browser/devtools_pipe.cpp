#include "platform/browser/devtools_pipe.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

CDevToolsPipe::CDevToolsPipe(int commandDescriptor, int replyDescriptor, int cancelDescriptor,
                             std::size_t messageLimit)
    : m_commands(commandDescriptor),
      m_replies(replyDescriptor),
      m_cancel(cancelDescriptor),
      m_messageLimit(messageLimit) {}

bool CDevToolsPipe::WaitFor(int descriptor, short events, Clock::time_point deadline, Wait& why) const {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      why = Wait::TimedOut;
      return false;
    }
    pollfd fds[2] = {{descriptor, events, 0}, {m_cancel, POLLIN, 0}};
    int count = ::poll(fds, m_cancel >= 0 ? 2 : 1, static_cast<int>(std::min<long long>(left, 60000)));
    if (count < 0 && errno != EINTR) {
      why = Wait::Closed;
      return false;
    }
    if (count <= 0) continue;
    if (m_cancel >= 0 && (fds[1].revents & POLLIN)) {
      why = Wait::Cancelled;
      return false;
    }
    if (fds[0].revents) return true;
  }
}

int CDevToolsPipe::Send(const std::string& method, const nlohmann::json& params,
                        const std::string& session, Clock::time_point deadline) {
  const int id = m_nextId++;
  nlohmann::json command = {{"id", id}, {"method", method}, {"params", params}};
  if (!session.empty()) command["sessionId"] = session;
  std::string bytes = command.dump();
  bytes.push_back('\0');
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    Wait why;
    if (!WaitFor(m_commands, POLLOUT, deadline, why)) return -1;
    ssize_t written = ::write(m_commands, bytes.data() + sent, bytes.size() - sent);
    if (written < 0 && errno != EINTR && errno != EAGAIN) return -1;
    if (written > 0) sent += static_cast<std::size_t>(written);
  }
  return id;
}

CDevToolsPipe::Wait CDevToolsPipe::Next(nlohmann::json& message, Clock::time_point deadline) {
  for (;;) {
    std::size_t end = m_buffer.find('\0');
    if (end != std::string::npos) {
      message = nlohmann::json::parse(m_buffer.begin(), m_buffer.begin() + static_cast<long>(end),
                                      nullptr, false);
      m_buffer.erase(0, end + 1);
      if (!message.is_discarded()) return Wait::Message;
      continue;
    }
    if (m_buffer.size() > m_messageLimit) return Wait::TooLarge;
    Wait why;
    if (!WaitFor(m_replies, POLLIN, deadline, why)) return why;
    char block[65536];
    ssize_t got = ::read(m_replies, block, sizeof block);
    if (got == 0) return Wait::Closed;
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return Wait::Closed;
    }
    m_buffer.append(block, static_cast<std::size_t>(got));
  }
}

}  // namespace platform
