#include "bench/RecordingProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "bench/ProgramRun.h"

namespace {

constexpr int kBacklog = 8;
constexpr std::size_t kChunk = 4096;

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

// Small requests must pass at once, as they would without the relay.
void NoDelay(int fd) {
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Writes all bytes (blocking); false when the peer has gone.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

RecordingProxy::~RecordingProxy() { Stop(); }

bool RecordingProxy::Start(int targetPort) {
  targetPort_ = targetPort;
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return false;
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listenFd_, kBacklog) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || pipe2(stopPipe_, O_CLOEXEC) != 0) {
    Stop();
    return false;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
  return true;
}

void RecordingProxy::Stop() {
  if (thread_.joinable()) {
    const char stop = 0;
    [[maybe_unused]] const ssize_t written = write(stopPipe_[1], &stop, 1);
    thread_.join();
  }
  for (int* fd : {&listenFd_, &stopPipe_[0], &stopPipe_[1]}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

std::vector<RecordingProxy::Chunk> RecordingProxy::Chunks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return chunks_;
}

void RecordingProxy::Record(bool toPrinter, const std::uint8_t* data, std::size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  chunks_.push_back(Chunk{MonotonicSeconds(), toPrinter, std::vector<std::uint8_t>(data, data + size)});
}

void RecordingProxy::Run() {
  struct Pair {
    int program = -1;
    int printer = -1;
  };
  std::vector<Pair> pairs;
  const auto closePair = [](Pair& pair) {
    for (int* fd : {&pair.program, &pair.printer}) {
      if (*fd >= 0) close(*fd);
      *fd = -1;
    }
  };
  for (;;) {
    std::vector<pollfd> fds{{stopPipe_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (const Pair& pair : pairs) {
      fds.push_back({pair.program, POLLIN, 0});
      fds.push_back({pair.printer, POLLIN, 0});
    }
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents != 0) break;
    if (fds[1].revents & POLLIN) {
      Pair pair;
      pair.program = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      pair.printer = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const sockaddr_in target = Loopback(targetPort_);
      if (pair.program >= 0 && pair.printer >= 0 &&
          connect(pair.printer, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        NoDelay(pair.program);
        NoDelay(pair.printer);
        pairs.push_back(pair);
      } else {
        closePair(pair);
      }
    }
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      Pair& pair = pairs[i];
      for (const bool toPrinter : {true, false}) {
        const short revents = fds[2 + 2 * i + (toPrinter ? 0 : 1)].revents;
        if (revents == 0 || pair.program < 0) continue;
        const int from = toPrinter ? pair.program : pair.printer;
        const int to = toPrinter ? pair.printer : pair.program;
        std::uint8_t buffer[kChunk];
        const ssize_t n = read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          closePair(pair);
          continue;
        }
        Record(toPrinter, buffer, static_cast<std::size_t>(n));
        if (!WriteAll(to, buffer, static_cast<std::size_t>(n))) closePair(pair);
      }
    }
    std::erase_if(pairs, [](const Pair& pair) { return pair.program < 0; });
  }
  for (Pair& pair : pairs) closePair(pair);
}
