#pragma once
// TcpTransport: a printer on the network, reached by a TCP connection to its raw
// printing port. Used by one thread at a time.
#include <cstdint>

#include "libs/xjcomm/DescriptorTransport.h"

namespace xjcomm {

class TcpTransport : public DescriptorTransport {
 public:
  // ipv4 in host byte order.
  TcpTransport(std::uint32_t ipv4, std::uint16_t port);

  XJC_RESULT Open(std::uint32_t timeoutMs) override;
  std::string Describe() const override;

  // Starts a non-blocking connect; the descriptor (or -1) is returned and *connected
  // tells whether it completed at once. Shared with the network search.
  static int StartConnect(std::uint32_t ipv4, std::uint16_t port, bool* connected);
  // Whether a connect started by StartConnect ended well (after the socket became writable).
  static bool ConnectSucceeded(int fd);
  // Sets the options of a connected printer socket (no Nagle delay, keep-alive).
  static void TuneSocket(int fd);

 private:
  std::uint32_t ipv4_;
  std::uint16_t port_;
};

}  // namespace xjcomm
