#include "tests/sim/SimLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "tests/support/SimProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

SimLink::~SimLink() { Close(); }

SimLink::SimLink(SimLink&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

SimLink& SimLink::operator=(SimLink&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void SimLink::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

SimLink SimLink::TryConnectTcp(const std::string& host, int port, int& error) {
  error = 0;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = errno;
    return SimLink();
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
    close(fd);
    error = EINVAL;
    return SimLink();
  }
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    error = errno;
    close(fd);
    return SimLink();
  }
  return SimLink(fd);
}

SimLink SimLink::ConnectTcp(const std::string& host, int port, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int error = 0;
    SimLink link = TryConnectTcp(host, port, error);
    if (link.valid() || RemainingMs(deadline) == 0) return link;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

SimLink SimLink::OpenPty(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return SimLink();
  termios tio{};
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
  return SimLink(fd);
}

bool SimLink::Send(const Bytes& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == ENOTSOCK) n = write(fd_, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

Bytes SimLink::Read(std::size_t count, int timeoutMs) {
  Bytes out;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.size() < count && fd_ >= 0) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    std::uint8_t data[4096];
    const ssize_t n = read(fd_, data, std::min(sizeof data, count - out.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.insert(out.end(), data, data + n);
  }
  return out;
}

Bytes SimLink::ReadBlock(int timeoutMs) {
  Bytes out;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.empty() || out.back() != 0x00) {
    Bytes one = Read(1, RemainingMs(deadline));
    if (one.empty()) break;
    out.push_back(one[0]);
  }
  return out;
}

Bytes SimLink::Drain(int quietMs) {
  Bytes out;
  for (;;) {
    Bytes more = Read(4096, quietMs);
    if (more.empty()) return out;
    out.insert(out.end(), more.begin(), more.end());
  }
}

bool SimLink::WaitClosed(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (fd_ >= 0) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    std::uint8_t data[256];
    const ssize_t n = read(fd_, data, sizeof data);
    if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
    if (n < 0 && errno != EINTR) return false;
  }
  return false;
}

bool WaitForStatus(SimProcess& sim, const std::string& key, const std::string& value, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (StatusValue(sim.Control("status"), key) == value) return true;
    if (RemainingMs(deadline) == 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
