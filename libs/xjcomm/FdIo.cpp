#include "libs/xjcomm/FdIo.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace xjcomm {
namespace {

// Waits for events on fd until deadline. 1: ready, 0: timed out, -1: error or hang-up
// without data.
int WaitFor(int fd, short events, std::uint64_t deadline) {
  for (;;) {
    const std::uint64_t now = NowMs();
    const int wait = now >= deadline ? 0 : static_cast<int>(deadline - now);
    pollfd p{fd, events, 0};
    const int rc = poll(&p, 1, wait);
    if (rc < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (rc == 0) return 0;
    if (p.revents & events) return 1;
    // POLLHUP/POLLERR without the wanted event: the peer is gone.
    return -1;
  }
}

}  // namespace

std::uint64_t NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool IsCharacterDevice(const char* path) {
  struct stat st {};
  return ::stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

void CloseFd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

XJC_RESULT FdRead(int fd, std::uint8_t* buffer, std::size_t size, std::size_t* done,
                  std::uint32_t timeoutMs) {
  *done = 0;
  if (fd < 0) return XJC_E_IO;
  if (size == 0) return XJC_OK;
  const std::uint64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    const int ready = WaitFor(fd, POLLIN, deadline);
    if (ready == 0) return XJC_E_TIMEOUT;
    if (ready < 0) return XJC_E_IO;
    const ssize_t n = ::read(fd, buffer, size);
    if (n > 0) {
      *done = static_cast<std::size_t>(n);
      return XJC_OK;
    }
    if (n == 0) return XJC_E_IO;  // end of stream: the peer closed
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
      if (NowMs() >= deadline) return XJC_E_TIMEOUT;
      continue;
    }
    return XJC_E_IO;
  }
}

XJC_RESULT FdWrite(int fd, bool isSocket, const std::uint8_t* data, std::size_t size,
                   std::size_t* done, std::uint32_t timeoutMs) {
  *done = 0;
  if (fd < 0) return XJC_E_IO;
  const std::uint64_t deadline = NowMs() + timeoutMs;
  while (*done < size) {
    const int ready = WaitFor(fd, POLLOUT, deadline);
    if (ready == 0) return XJC_E_TIMEOUT;
    if (ready < 0) return XJC_E_IO;
    const ssize_t n = isSocket ? ::send(fd, data + *done, size - *done, MSG_NOSIGNAL)
                               : ::write(fd, data + *done, size - *done);
    if (n > 0) {
      *done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (NowMs() >= deadline) return XJC_E_TIMEOUT;
      continue;
    }
    return XJC_E_IO;
  }
  return XJC_OK;
}

}  // namespace xjcomm
