#pragma once
// The host side of a raw byte exchange with the simulator in tests: a TCP connection or
// the simulator's pseudo-terminal, with reads that give up after a timeout.
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class SimLink {
 public:
  SimLink() = default;
  ~SimLink();
  SimLink(SimLink&& other) noexcept;
  SimLink& operator=(SimLink&& other) noexcept;
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  // Connects to host:port, trying again until timeoutMs has passed (the printer may be
  // restarting). Not valid() when no connection came about.
  static SimLink ConnectTcp(const std::string& host, int port, int timeoutMs = 5000);
  // One connection attempt; errno-style result in `error` when it fails.
  static SimLink TryConnectTcp(const std::string& host, int port, int& error);
  // Opens the pseudo-terminal in raw mode.
  static SimLink OpenPty(const std::string& path);
  // Takes over a descriptor the test opened itself (closed with the link).
  static SimLink AdoptFd(int fd) { return SimLink(fd); }

  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  bool Send(const Bytes& bytes);
  // Reads until `count` bytes arrived or timeoutMs passed; returns what arrived.
  Bytes Read(std::size_t count, int timeoutMs = 5000);
  // Reads a block reply up to and including its terminating 00.
  Bytes ReadBlock(int timeoutMs = 5000);
  // Whatever arrives until nothing more came for quietMs.
  Bytes Drain(int quietMs);
  // True when the peer closed the connection within timeoutMs (data before it is dropped).
  bool WaitClosed(int timeoutMs = 5000);
  void Close();

 private:
  explicit SimLink(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Bytes from a list of values: B({0x10, 0x04, 1}).
inline Bytes B(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}
inline Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
// GS ( L with a 2-byte length, or GS 8 L with a 4-byte length, around `body` (m fn ...).
inline Bytes Graphics(const Bytes& body, bool longForm = false) {
  const std::size_t n = body.size();
  Bytes head = longForm ? B({0x1D, 0x38, 0x4C, int(n & 0xFF), int((n >> 8) & 0xFF), int((n >> 16) & 0xFF),
                             int((n >> 24) & 0xFF)})
                        : B({0x1D, 0x28, 0x4C, int(n & 0xFF), int(n >> 8)});
  return Cat(head, body);
}

// The value of `key` in a status line "ok key=value ..."; empty when absent.
inline std::string StatusValue(const std::string& status, const std::string& key) {
  const std::string needle = " " + key + "=";
  const auto at = status.find(needle);
  if (at == std::string::npos) return {};
  const auto start = at + needle.size();
  return status.substr(start, status.find(' ', start) - start);
}

class SimProcess;
// Asks the simulator for its status until `key` has `value` (or timeoutMs passed).
bool WaitForStatus(SimProcess& sim, const std::string& key, const std::string& value, int timeoutMs = 5000);
