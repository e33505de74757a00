#include "libs/xjcomm/TcpTransport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "libs/xjcomm/FdIo.h"
#include "libs/xjcomm/PortAddress.h"

namespace xjcomm {

TcpTransport::TcpTransport(std::uint32_t ipv4, std::uint16_t port)
    : DescriptorTransport(/*isSocket=*/true), ipv4_(ipv4), port_(port) {}

int TcpTransport::StartConnect(std::uint32_t ipv4, std::uint16_t port, bool* connected) {
  *connected = false;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(ipv4);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0) {
    *connected = true;
    return fd;
  }
  if (errno == EINPROGRESS) return fd;
  ::close(fd);
  return -1;
}

bool TcpTransport::ConnectSucceeded(int fd) {
  int error = 0;
  socklen_t length = sizeof(error);
  return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

void TcpTransport::TuneSocket(int fd) {
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on));
}

XJC_RESULT TcpTransport::Open(std::uint32_t timeoutMs) {
  Close();
  bool connected = false;
  int fd = StartConnect(ipv4_, port_, &connected);
  if (fd < 0) return XJC_E_OPEN_FAILED;
  if (!connected) {
    const std::uint64_t deadline = NowMs() + timeoutMs;
    for (;;) {
      const std::uint64_t now = NowMs();
      pollfd p{fd, POLLOUT, 0};
      const int rc = ::poll(&p, 1, now >= deadline ? 0 : static_cast<int>(deadline - now));
      if (rc < 0 && errno == EINTR) continue;
      if (rc == 0) {
        ::close(fd);
        return XJC_E_TIMEOUT;
      }
      if (rc < 0 || !ConnectSucceeded(fd)) {
        ::close(fd);
        return XJC_E_OPEN_FAILED;
      }
      break;
    }
  }
  TuneSocket(fd);
  fd_ = fd;
  return XJC_OK;
}

std::string TcpTransport::Describe() const {
  return "TCP " + FormatIPv4(ipv4_) + ":" + std::to_string(port_);
}

}  // namespace xjcomm
