#include "platform/datagram.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>

#include "platform/process_watch.h"
#include "platform/runtime_folder.h"

namespace platform {

namespace {

constexpr std::size_t kMaxDatagram = 65536;

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

CDatagramInbox::CDatagramInbox(const std::string& programName) {
  std::string folder = RuntimeFolder();
  if (folder.empty()) return;
  static std::atomic<int> counter{0};
  std::string path = folder + "/" + programName + "-" + std::to_string(getpid()) + "-" +
                     std::to_string(counter++) + ".answer";
  sockaddr_un address;
  if (!MakeAddress(path, address)) return;
  int descriptor = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return;
  unlink(path.c_str());
  if (bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(descriptor);
    return;
  }
  // Every datagram then carries its sender's process, whose end an asker can wait for.
  int on = 1;
  setsockopt(descriptor, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
  m_socket = descriptor;
  m_path = path;
}

CDatagramInbox::~CDatagramInbox() {
  if (m_socket < 0) return;
  close(m_socket);
  unlink(m_path.c_str());
}

std::optional<std::string> CDatagramInbox::Receive(int timeoutMs, const CProcessWatch* sender) {
  if (m_socket < 0) return std::nullopt;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string buffer(kMaxDatagram, '\0');
  int senderDescriptor = sender ? sender->Descriptor() : -1;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) return std::nullopt;
    bool senderEnded = sender && sender->Ended();
    pollfd watched[2] = {{m_socket, POLLIN, 0}, {senderDescriptor, POLLIN, 0}};
    // A sender that has ended gets one look at what it left: its datagrams are queued
    // here before its end.
    int ready = poll(watched, senderDescriptor >= 0 ? 2 : 1,
                     senderEnded ? 0 : static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return std::nullopt;
    if (!(watched[0].revents & POLLIN)) {
      if (senderEnded || ready == 0) return std::nullopt;  // nothing left, or the time-out
      continue;  // the sender ended just now: one more look
    }
    if (std::optional<std::string> bytes = ReceiveOne(buffer)) return bytes;
    if (errno != EINTR && errno != EAGAIN) return std::nullopt;
  }
}

std::optional<std::string> CDatagramInbox::ReceiveOne(std::string& buffer) {
  iovec part{buffer.data(), buffer.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t size = recvmsg(m_socket, &message, MSG_DONTWAIT);
  if (size < 0) return std::nullopt;
  m_lastSenderPid = 0;
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_CREDENTIALS) {
      ucred credentials;
      std::memcpy(&credentials, CMSG_DATA(header), sizeof credentials);
      m_lastSenderPid = credentials.pid;
    }
  }
  return buffer.substr(0, static_cast<std::size_t>(size));
}

bool SendDatagram(const std::string& path, const std::string& bytes) {
  sockaddr_un address;
  if (!MakeAddress(path, address) || bytes.size() > kMaxDatagram) return false;
  int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sender < 0) return false;
  ssize_t sent = sendto(sender, bytes.data(), bytes.size(), MSG_DONTWAIT,
                        reinterpret_cast<sockaddr*>(&address), sizeof address);
  close(sender);
  return sent == static_cast<ssize_t>(bytes.size());
}

}  // namespace platform
