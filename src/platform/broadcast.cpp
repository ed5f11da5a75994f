#include "platform/broadcast.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/runtime_folder.h"

namespace platform {

namespace {

constexpr const char* kSocketSuffix = ".msg";
constexpr std::size_t kMaxName = 256;

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int Broadcast(const std::string& name) {
  std::string folder = RuntimeFolder();
  if (folder.empty() || name.empty() || name.size() > kMaxName) return 0;
  DIR* directory = opendir(folder.c_str());
  if (!directory) return 0;
  int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int reached = 0;
  while (sender >= 0) {
    dirent* entry = readdir(directory);
    if (!entry) break;
    std::string file = entry->d_name;
    if (!EndsWith(file, kSocketSuffix)) continue;
    std::string path = folder + "/" + file;
    sockaddr_un address;
    if (!MakeAddress(path, address)) continue;
    ssize_t sent = sendto(sender, name.data(), name.size(), MSG_DONTWAIT,
                          reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (sent >= 0) {
      ++reached;
    } else if (errno == ECONNREFUSED) {
      unlink(path.c_str());  // nobody listens there any more
    }
  }
  if (sender >= 0) close(sender);
  closedir(directory);
  return reached;
}

CBroadcastReceiver::CBroadcastReceiver(IUiQueue& queue, Handler handler,
                                       const std::string& programName)
    : m_queue(queue),
      m_handler(std::make_shared<Handler>(std::move(handler))),
      m_alive(std::make_shared<std::atomic<bool>>(true)) {
  std::string folder = RuntimeFolder();
  if (folder.empty()) return;
  static std::atomic<int> counter{0};
  std::string path = folder + "/" + programName + "-" + std::to_string(getpid()) + "-" +
                     std::to_string(counter++) + kSocketSuffix;
  sockaddr_un address;
  if (!MakeAddress(path, address)) return;
  int descriptor = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return;
  unlink(path.c_str());
  if (bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      pipe2(m_wake, O_CLOEXEC) != 0) {
    close(descriptor);
    unlink(path.c_str());
    m_wake[0] = m_wake[1] = -1;
    return;
  }
  m_socket = descriptor;
  m_path = path;
  m_thread = std::thread([this] { Receive(); });
}

CBroadcastReceiver::~CBroadcastReceiver() {
  m_alive->store(false);
  if (m_socket < 0) return;
  char stop = 0;
  while (write(m_wake[1], &stop, 1) < 0 && errno == EINTR) {
  }
  m_thread.join();
  close(m_socket);
  close(m_wake[0]);
  close(m_wake[1]);
  unlink(m_path.c_str());
}

void CBroadcastReceiver::Receive() {
  pollfd watched[2] = {{m_socket, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
  char buffer[kMaxName + 1];
  for (;;) {
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[1].revents || (watched[0].revents & (POLLERR | POLLNVAL))) return;
    if (!(watched[0].revents & POLLIN)) continue;
    ssize_t size = recv(m_socket, buffer, kMaxName, MSG_DONTWAIT);
    if (size <= 0) continue;
    std::string name(buffer, static_cast<std::size_t>(size));
    auto handler = m_handler;
    auto alive = m_alive;
    m_queue.Post([handler, alive, name] {
      if (alive->load()) (*handler)(name);
    });
  }
}

}  // namespace platform
