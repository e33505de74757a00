#include "bench/FloorClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "libs/xjcomm/ReplyFilter.h"

namespace floorclient {
namespace {

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kGs = 0x1D;
constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kDc4 = 0x14;
constexpr std::uint8_t kEnq = 0x05;
constexpr std::uint8_t kPrinterId = 0x49;      // GS I n
constexpr std::uint8_t kAutoStatus = 0x61;     // GS a n
constexpr std::uint8_t kParen = 0x28;          // GS ( ...
constexpr std::uint8_t kUserSetting = 0x45;    // GS ( E
constexpr std::uint8_t kGraphics = 0x4C;       // GS ( L
constexpr std::uint8_t kGraphicsLong = 0x38;   // GS 8 L
constexpr std::uint8_t kBatteryFn = 0x07;      // DLE DC4 7 m
constexpr std::uint8_t kReadSwitch = 0x04;     // GS ( E fn 4
constexpr std::uint8_t kReadValue = 0x06;      // GS ( E fn 6
constexpr std::uint8_t kNvCapacity = 0x33;     // GS ( L fn 51
constexpr std::size_t kParenHeader = 5;        // GS ( x pL pH
constexpr std::size_t kLongHeader = 7;         // GS 8 L p1 p2 p3 p4

using Clock = std::chrono::steady_clock;

// The length of the request at the front of p (n bytes), or 0 when it is none the client
// knows (or is cut short).
std::size_t RequestLength(const std::uint8_t* p, std::size_t n) {
  if (n >= 3 && p[0] == kDle && (p[1] == kEot || p[1] == kEnq)) return 3;
  if (n >= 4 && p[0] == kDle && p[1] == kDc4 && p[2] == kBatteryFn) return 4;
  if (n >= 3 && p[0] == kGs && (p[1] == kPrinterId || p[1] == kAutoStatus)) return 3;
  if (n >= kParenHeader && p[0] == kGs && p[1] == kParen) {
    const std::size_t length = kParenHeader + (p[3] | (p[4] << 8));
    return length <= n ? length : 0;
  }
  if (n >= kLongHeader && p[0] == kGs && p[1] == kGraphicsLong && p[2] == kGraphics) {
    const std::size_t length = kLongHeader + (p[3] | (p[4] << 8) | (p[5] << 16) | (std::size_t{p[6]} << 24));
    return length <= n ? length : 0;
  }
  return 0;
}

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, Clock::time_point deadline) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, RemainingMs(deadline)) <= 0 && Clock::now() >= deadline) return false;
  }
  return true;
}

}  // namespace

std::vector<Request> SplitRequests(const std::vector<std::uint8_t>& bytes) {
  std::vector<Request> requests;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t length = RequestLength(bytes.data() + at, bytes.size() - at);
    if (length == 0) length = bytes.size() - at;
    requests.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  return requests;
}

RequestKind KindOf(const Request& r) {
  if (r.size() == 3 && r[0] == kDle && r[1] == kEot) return RequestKind::kStatus;
  if (r.size() == 4 && r[0] == kDle && r[1] == kDc4 && r[2] == kBatteryFn) return RequestKind::kStatus;
  if (r.size() == 3 && r[0] == kGs && r[1] == kAutoStatus) return RequestKind::kStatus;
  if (r.size() == 3 && r[0] == kGs && r[1] == kPrinterId) return RequestKind::kSettingQuery;
  if (r.size() == kParenHeader + 2 && r[0] == kGs && r[1] == kParen) {
    if (r[2] == kUserSetting && (r[5] == kReadSwitch || r[5] == kReadValue)) return RequestKind::kSettingQuery;
    if (r[2] == kGraphics && r[6] == kNvCapacity) return RequestKind::kSettingQuery;
  }
  return RequestKind::kOther;
}

std::string Hex(const Request& request) {
  std::string text;
  for (const std::uint8_t b : request) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", b);
    text += hex;
  }
  return text;
}

ReplayResult Replay(int fd, const std::vector<Request>& requests, int timeoutMs) {
  ReplayResult result;
  xjcomm::ReplyFilter filter;
  const auto start = Clock::now();
  for (const Request& request : requests) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!WriteAll(fd, request.data(), request.size(), deadline)) {
      result.error = "cannot send " + Hex(request);
      return result;
    }
    result.bytesOut += request.size();
    while (filter.UnitCount() == 0 || !filter.Units().front().complete) {
      pollfd p{fd, POLLIN, 0};
      const int ready = poll(&p, 1, RemainingMs(deadline));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) {
        result.error = "no reply to " + Hex(request);
        return result;
      }
      std::uint8_t buffer[512];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {
        result.error = "the connection ended waiting for the reply to " + Hex(request);
        return result;
      }
      result.bytesIn += static_cast<std::size_t>(n);
      filter.Feed(buffer, static_cast<std::size_t>(n));
    }
    filter.TakeUnit(0);
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.ok = true;
  return result;
}

int ConnectLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

int OpenSerial(const std::string& path, int baud) {
  speed_t speed = B0;
  switch (baud) {
    case 9600: speed = B9600; break;
    case 19200: speed = B19200; break;
    case 38400: speed = B38400; break;
    case 57600: speed = B57600; break;
    case 115200: speed = B115200; break;
    default: return -1;
  }
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) {
    close(fd);
    return -1;
  }
  cfmakeraw(&tio);
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    close(fd);
    return -1;
  }
  tcflush(fd, TCIOFLUSH);
  return fd;
}

}  // namespace floorclient
