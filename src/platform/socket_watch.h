// The sockets the HTTP library opened for one set of kept connections. A kept connection
// must answer only the next request sent on it: one that holds bytes nobody asked for
// (a server that sent more than its answer) or that its server has closed is cut before
// the library could take it up again, so that stale bytes never pass for an answer.
//
// Threads: one thread at a time, the one running the transfers that share the connections.
#pragma once

#include <set>

namespace platform {

class CSocketWatch {
 public:
  // Has the transfer `easy` (a CURL*) open and close its sockets through this watch.
  void AttachTo(void* easy);

  // Cuts every watched connection that can be read from (unread bytes, or the peer's end):
  // its descriptor is made to read as closed, so that the library drops it. Call before a
  // transfer starts, while none of them is in use.
  void CutStale();
  std::size_t Count() const { return m_sockets.size(); }

 private:
  friend struct SocketCallbacks;
  std::set<int> m_sockets;
};

}  // namespace platform
