#pragma once
// DescriptorTransport: what every transport on a file descriptor shares (a TCP socket,
// a serial, USB or parallel device): the descriptor, closing it, and reading and writing
// it with a time limit. A transport derives from it, opens the descriptor its own way
// into fd_, and describes itself. Used by one thread at a time.
#include <cstddef>
#include <cstdint>

#include "libs/xjcomm/Transport.h"

namespace xjcomm {

class DescriptorTransport : public Transport {
 public:
  // Closes the descriptor.
  ~DescriptorTransport() override;

  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  XJC_RESULT Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                  std::uint32_t timeoutMs) override;
  XJC_RESULT Write(const std::uint8_t* data, std::size_t size, std::size_t* done,
                   std::uint32_t timeoutMs) override;
  int ReadinessDescriptor() const override { return fd_; }

 protected:
  // isSocket: writes must not raise SIGPIPE when the peer has gone.
  explicit DescriptorTransport(bool isSocket = false) : isSocket_(isSocket) {}

  // The open descriptor, -1 while closed.
  int fd_ = -1;

 private:
  const bool isSocket_;
};

}  // namespace xjcomm
