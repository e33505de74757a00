#include "libs/xjcomm/UsbTransport.h"

#include <fcntl.h>
#include <unistd.h>

#include "libs/xjcomm/FdIo.h"

namespace xjcomm {

UsbTransport::UsbTransport(std::string device) : device_(std::move(device)) {}

XJC_RESULT UsbTransport::Open(std::uint32_t /*timeoutMs*/) {
  Close();
  if (!IsCharacterDevice(device_.c_str())) return XJC_E_OPEN_FAILED;
  // The printer class is bidirectional; non-blocking so that reads can be timed.
  fd_ = ::open(device_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  return fd_ >= 0 ? XJC_OK : XJC_E_OPEN_FAILED;
}

std::string UsbTransport::Describe() const { return "USB " + device_; }

}  // namespace xjcomm
