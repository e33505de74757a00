#pragma once
// The floor of reading a printer's settings: a bare client that sends the queries a
// program sent, one after another, each when the reply to the one before has come, over
// a connection of its own (a TCP socket or a serial line). It knows just enough of the
// printer's command language to cut a recorded byte stream into requests and to tell
// when a reply is complete.
//
// Threads: a client is used by one thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace floorclient {

using Request = std::vector<std::uint8_t>;

// What a request is for.
enum class RequestKind {
  kSettingQuery,  // asks for a printer ID, an information text, a setting, the NV capacity
  kStatus,        // status polling and automatic status of the status monitor
  kOther,         // anything else (settings, user setting mode, print data)
};

// Cuts bytes the host wrote into requests of the command language; bytes that start no
// request the client knows make up one request of their own to the end of the chunk.
std::vector<Request> SplitRequests(const std::vector<std::uint8_t>& bytes);
RequestKind KindOf(const Request& request);
// "1D 49 43" for messages.
std::string Hex(const Request& request);

struct ReplayResult {
  bool ok = false;
  std::string error;
  double seconds = 0;      // from the first request written to the last reply read
  std::size_t bytesOut = 0;  // request bytes
  std::size_t bytesIn = 0;   // reply bytes
};

// Sends every request over fd and reads its one reply before the next; fd is a
// connected socket or an open terminal. Fails when a reply does not come within
// timeoutMs.
ReplayResult Replay(int fd, const std::vector<Request>& requests, int timeoutMs);

// A TCP connection to 127.0.0.1:port, -1 on failure.
int ConnectLoopback(int port);
// The terminal at path opened as a serial port: raw, 8N1 at baud (9600, 19200, 38400,
// 57600 or 115200), input flushed; -1 on failure.
int OpenSerial(const std::string& path, int baud);

}  // namespace floorclient
