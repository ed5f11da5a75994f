#include "platform/socket_watch.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// A socket whose other end is gone: every read gives the end of the stream at once.
int ClosedSocket() {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return -1;
  close(pair[1]);
  fcntl(pair[0], F_SETFL, fcntl(pair[0], F_GETFL) | O_NONBLOCK);
  return pair[0];
}

}  // namespace

struct SocketCallbacks {
  static curl_socket_t Open(void* watch, curlsocktype purpose, curl_sockaddr* address) {
    int socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket >= 0 && purpose == CURLSOCKTYPE_IPCXN) {
      static_cast<CSocketWatch*>(watch)->m_sockets.insert(socket);
    }
    return socket >= 0 ? socket : CURL_SOCKET_BAD;
  }
  static int Close(void* watch, curl_socket_t socket) {
    static_cast<CSocketWatch*>(watch)->m_sockets.erase(socket);
    return close(socket);
  }
};

void CSocketWatch::AttachTo(void* easy) {
  CURL* handle = static_cast<CURL*>(easy);
  curl_opensocket_callback open = &SocketCallbacks::Open;
  curl_closesocket_callback closing = &SocketCallbacks::Close;
  curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, open);
  curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, this);
  curl_easy_setopt(handle, CURLOPT_CLOSESOCKETFUNCTION, closing);
  curl_easy_setopt(handle, CURLOPT_CLOSESOCKETDATA, this);
}

void CSocketWatch::CutStale() {
  int closed = -1;
  for (int socket : m_sockets) {
    pollfd state{socket, POLLIN | POLLRDHUP, 0};
    if (poll(&state, 1, 0) <= 0) continue;
    if (closed < 0) closed = ClosedSocket();
    // The connection ends here; the library finds its descriptor closed and lets it go.
    if (closed >= 0) dup2(closed, socket);
  }
  if (closed >= 0) close(closed);
}

}  // namespace platform
