#pragma once
// TcpTestComm: a communication object (IXJComm) over one TCP connection, for tests that
// talk to the printer simulator without the communication library. Loopback only.
#include <cstdint>
#include <string>

#include "sdk/IXJComm.h"

class TcpTestComm : public IXJComm {
 public:
  TcpTestComm() = default;
  ~TcpTestComm() override;
  TcpTestComm(const TcpTestComm&) = delete;
  TcpTestComm& operator=(const TcpTestComm&) = delete;

  // Connects to host:port (a 127.x.x.x address); false on failure.
  bool Connect(const std::string& host, int port);
  void Disconnect();

  std::uint32_t Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                     std::uint32_t timeoutMs) override;
  std::uint32_t Write(const void* data, std::uint32_t size, std::uint32_t* done,
                      std::uint32_t timeoutMs) override;
  std::uint32_t Purge() override;
  std::uint32_t SetFlowCtrlForced(std::int32_t forced) override;
  std::uint32_t RecoverySending() override;

 private:
  int fd_ = -1;
};
