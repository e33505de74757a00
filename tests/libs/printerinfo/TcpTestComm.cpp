#include "tests/libs/printerinfo/TcpTestComm.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sdk/XJComm.h"

TcpTestComm::~TcpTestComm() { Disconnect(); }

bool TcpTestComm::Connect(const std::string& host, int port) {
  Disconnect();
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) return false;
  // Tests talk to loopback only.
  if ((ntohl(addr.sin_addr.s_addr) >> 24) != 127) return false;
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    Disconnect();
    return false;
  }
  const int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return true;
}

void TcpTestComm::Disconnect() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint32_t TcpTestComm::Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                                std::uint32_t timeoutMs) {
  if (done != nullptr) *done = 0;
  if (fd_ < 0) return XJC_E_NOT_OPEN;
  if (buffer == nullptr || done == nullptr) return XJC_E_INVALID_ARG;
  pollfd p{fd_, POLLIN, 0};
  int rc;
  do {
    rc = ::poll(&p, 1, static_cast<int>(timeoutMs > 0x7FFFFFFF ? 0x7FFFFFFF : timeoutMs));
  } while (rc < 0 && errno == EINTR);
  if (rc < 0) return XJC_E_IO;
  if (rc == 0) return XJC_E_TIMEOUT;
  const ssize_t n = ::recv(fd_, buffer, size, 0);
  if (n <= 0) return XJC_E_IO;  // closed by the printer, or failed
  *done = static_cast<std::uint32_t>(n);
  return XJC_OK;
}

std::uint32_t TcpTestComm::Write(const void* data, std::uint32_t size, std::uint32_t* done,
                                 std::uint32_t timeoutMs) {
  if (done != nullptr) *done = 0;
  if (fd_ < 0) return XJC_E_NOT_OPEN;
  if (data == nullptr || done == nullptr) return XJC_E_INVALID_ARG;
  const auto* p = static_cast<const char*>(data);
  std::uint32_t sent = 0;
  while (sent < size) {
    const ssize_t n = ::send(fd_, p + sent, size - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return XJC_E_IO;
    sent += static_cast<std::uint32_t>(n);
  }
  *done = sent;
  return XJC_OK;
}

std::uint32_t TcpTestComm::Purge() {
  if (fd_ < 0) return XJC_E_NOT_OPEN;
  char scratch[256];
  for (;;) {
    const ssize_t n = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
    if (n > 0) continue;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return XJC_OK;
    return XJC_E_IO;  // closed or failed
  }
}

std::uint32_t TcpTestComm::SetFlowCtrlForced(std::int32_t) { return XJC_OK; }
std::uint32_t TcpTestComm::RecoverySending() { return XJC_OK; }
