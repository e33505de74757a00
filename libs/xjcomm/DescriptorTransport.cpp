#include "libs/xjcomm/DescriptorTransport.h"

#include "libs/xjcomm/FdIo.h"

namespace xjcomm {

DescriptorTransport::~DescriptorTransport() { CloseFd(fd_); }

void DescriptorTransport::Close() { CloseFd(fd_); }

XJC_RESULT DescriptorTransport::Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                                     std::uint32_t timeoutMs) {
  return FdRead(fd_, buffer, size, done, timeoutMs);
}

XJC_RESULT DescriptorTransport::Write(const std::uint8_t* data, std::size_t size, std::size_t* done,
                                      std::uint32_t timeoutMs) {
  return FdWrite(fd_, isSocket_, data, size, done, timeoutMs);
}

}  // namespace xjcomm
