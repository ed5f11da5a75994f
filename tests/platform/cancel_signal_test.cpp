// A cancel from another thread ends a socket wait that no time-out would end soon.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <thread>

#include "platform/cancel_signal.h"
#include "platform/tcp_socket.h"

namespace {

// A listener on loopback that never accepts: connections complete in its backlog and
// then hear nothing.
class SilentListener {
 public:
  SilentListener() : m_fd(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_fd, 4);
    socklen_t length = sizeof address;
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
  }
  ~SilentListener() { close(m_fd); }
  int Port() const { return m_port; }

 private:
  int m_fd;
  int m_port = 0;
};

TEST(CancelSignal, EndsAReceiveFromAnotherThreadAndCanBeReset) {
  SilentListener listener;
  auto cancel = std::make_shared<platform::CCancelSignal>();
  platform::CTcpSocket socket;
  socket.SetCancelSignal(cancel);
  ASSERT_EQ(socket.Connect("127.0.0.1", listener.Port(), 5000), 0);

  char buffer[16];
  std::thread canceller([&] { cancel->Cancel(); });
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 600000), -1);
  canceller.join();
  EXPECT_EQ(socket.LastError(), platform::kWsaInterrupted);

  cancel->Reset();
  EXPECT_FALSE(cancel->IsCancelled());
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 10), -1);
  EXPECT_EQ(socket.LastError(), platform::kWsaTimedOut) << "a reset signal no longer cancels";

  cancel->Cancel();
  platform::CTcpSocket another;
  another.SetCancelSignal(cancel);
  EXPECT_EQ(another.Connect("127.0.0.1", listener.Port(), 5000), platform::kWsaInterrupted)
      << "a cancelled signal refuses to connect at all";
}

}  // namespace
