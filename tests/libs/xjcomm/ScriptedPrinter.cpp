#include "tests/libs/xjcomm/ScriptedPrinter.h"

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr auto kGenerousWait = std::chrono::seconds(20);

void SendAll(int fd, const Bytes& bytes) {
  std::size_t sent = 0;
  while (fd >= 0 && sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

// Length of the command at the front of data, 0 when more bytes are needed.
std::size_t CommandLength(const Bytes& data) {
  if (data.empty()) return 0;
  if (data[0] == 0x10) {
    if (data.size() < 2) return 0;
    if (data[1] == 0x04) return data.size() >= 3 ? 3 : 0;
    if (data[1] == 0x14) return data.size() >= 4 ? 4 : 0;
    return 1;
  }
  if (data[0] == 0x1D) {
    if (data.size() < 2) return 0;
    if (data[1] == 0x49 || data[1] == 0x61) return data.size() >= 3 ? 3 : 0;
    return 1;
  }
  return 1;
}

}  // namespace

ScriptedPrinter::ScriptedPrinter(Handler handler) : handler_(std::move(handler)) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
  ::listen(listenFd_, 4);
  socklen_t length = sizeof(addr);
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &length);
  port_ = ntohs(addr.sin_port);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
  }
  thread_ = std::thread([this] { Run(); });
}

ScriptedPrinter::~ScriptedPrinter() {
  stop_ = true;
  const char c = 0;
  (void)!::write(wakeWrite_, &c, 1);
  thread_.join();
  std::lock_guard<std::mutex> guard(mutex_);
  if (clientFd_ >= 0) ::close(clientFd_);
  ::close(listenFd_);
  ::close(wakeRead_);
  ::close(wakeWrite_);
}

bool ScriptedPrinter::Send(const Bytes& bytes) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (clientFd_ < 0) return false;
  SendAll(clientFd_, bytes);
  return true;
}

void ScriptedPrinter::Drop() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    dropRequested_ = true;
  }
  const char c = 0;
  (void)!::write(wakeWrite_, &c, 1);
}

bool ScriptedPrinter::WaitForCommands(std::size_t n) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, kGenerousWait, [&] { return commands_.size() >= n; });
}

std::vector<Bytes> ScriptedPrinter::Commands() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return commands_;
}

void ScriptedPrinter::Parse() {
  for (;;) {
    const std::size_t n = CommandLength(pending_);
    if (n == 0) return;
    const Bytes command(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    const Bytes reply = handler_ ? handler_(command) : Bytes{};
    commands_.push_back(command);
    SendAll(clientFd_, reply);
    changed_.notify_all();
  }
}

void ScriptedPrinter::Run() {
  while (!stop_) {
    pollfd fds[3] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}, {-1, POLLIN, 0}};
    {
      std::lock_guard<std::mutex> guard(mutex_);
      fds[2].fd = clientFd_;
    }
    if (::poll(fds, 3, -1) < 0) continue;
    if (fds[1].revents) {
      char drain[16];
      while (::read(wakeRead_, drain, sizeof(drain)) > 0) {
      }
    }
    std::lock_guard<std::mutex> guard(mutex_);
    if (dropRequested_) {
      dropRequested_ = false;
      if (clientFd_ >= 0) ::close(clientFd_);
      clientFd_ = -1;
      pending_.clear();
      continue;
    }
    if (fds[0].revents & POLLIN) {
      const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        if (clientFd_ >= 0) ::close(clientFd_);
        clientFd_ = fd;
        pending_.clear();
        ++connections_;
        changed_.notify_all();
        continue;
      }
    }
    if (fds[2].fd >= 0 && fds[2].fd == clientFd_ && fds[2].revents) {
      std::uint8_t buffer[512];
      const ssize_t n = ::recv(clientFd_, buffer, sizeof(buffer), 0);
      if (n <= 0) {
        ::close(clientFd_);
        clientFd_ = -1;
        pending_.clear();
        continue;
      }
      pending_.insert(pending_.end(), buffer, buffer + n);
      Parse();
    }
  }
}
