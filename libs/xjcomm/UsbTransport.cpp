#include "libs/xjcomm/UsbTransport.h"

#include <fcntl.h>
#include <unistd.h>

#include "libs/xjcomm/FdIo.h"

namespace xjcomm {

UsbTransport::UsbTransport(std::string device) : device_(std::move(device)) {}

UsbTransport::~UsbTransport() { Close(); }

XJC_RESULT UsbTransport::Open(std::uint32_t /*timeoutMs*/) {
  Close();
  if (!IsCharacterDevice(device_.c_str())) return XJC_E_OPEN_FAILED;
  // The printer class is bidirectional; non-blocking so that reads can be timed.
  fd_ = ::open(device_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  return fd_ >= 0 ? XJC_OK : XJC_E_OPEN_FAILED;
}

void UsbTransport::Close() { CloseFd(fd_); }

XJC_RESULT UsbTransport::Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                              std::uint32_t timeoutMs) {
  return FdRead(fd_, buffer, size, done, timeoutMs);
}

XJC_RESULT UsbTransport::Write(const std::uint8_t* data, std::size_t size, std::size_t* done,
                               std::uint32_t timeoutMs) {
  return FdWrite(fd_, false, data, size, done, timeoutMs);
}

std::string UsbTransport::Describe() const { return "USB " + device_; }

}  // namespace xjcomm
