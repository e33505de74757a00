#pragma once
// NetSearch: finds printers on the network by trying each address of a search range:
// a short TCP connect to the raw printing port and a model-name query. Only the
// addresses of the range are ever contacted; the range is bounded, multicast and
// broadcast addresses are never probed, and a limited number of probes run at once.
//
// All functions may be called from any thread; a search runs entirely on the calling
// thread (non-blocking sockets under one poll loop) and returns when it is done.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "sdk/PortRecord.h"
#include "sdk/XJComm.h"

namespace xjcomm {

struct NetTarget {
  std::uint32_t ipv4 = 0;  // host byte order
  std::uint16_t port = 0;
  bool operator==(const NetTarget&) const = default;
};

class NetSearch {
 public:
  static constexpr std::size_t kMaxAddresses = 1024;
  static constexpr char kDefaultRange[] = "127.0.0.1";

  struct Options {
    std::uint32_t connectTimeoutMs = 300;
    std::uint32_t replyTimeoutMs = 1000;
    std::size_t parallel = 32;
  };

  // Parses a search range: comma-separated items, each a single address "a.b.c.d", a
  // range "a.b.c.d-e" or "a.b.c.d-a.b.c.e", optionally followed by ":port" (9100 when
  // absent). Duplicates are listed once; multicast, broadcast and 0.x.x.x addresses, and
  // network (.0) and broadcast (.255) addresses inside ranges, are left out.
  // XJC_OK; XJC_E_INVALID_ARG for a malformed item, a reversed range, or a range of more
  // than kMaxAddresses addresses in all (out is then left empty).
  static XJC_RESULT ParseRange(std::string_view text, std::vector<NetTarget>& out);

  // Probes every target and returns a record (kind "NET", portName, deviceName,
  // deviceInfo "<model> Ethernet") for each that answered the model-name query.
  static std::vector<PortRecord> Probe(const std::vector<NetTarget>& targets,
                                       const Options& options);
};

}  // namespace xjcomm
