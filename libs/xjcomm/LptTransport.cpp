#include "libs/xjcomm/LptTransport.h"

#include <fcntl.h>
#include <linux/lp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "libs/xjcomm/FdIo.h"

namespace xjcomm {

LptTransport::LptTransport(std::string device) : device_(std::move(device)) {}

XJC_RESULT LptTransport::Open(std::uint32_t /*timeoutMs*/) {
  Close();
  if (!IsCharacterDevice(device_.c_str())) return XJC_E_OPEN_FAILED;
  fd_ = ::open(device_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  readable_ = fd_ >= 0;
  if (fd_ < 0) fd_ = ::open(device_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  return fd_ >= 0 ? XJC_OK : XJC_E_OPEN_FAILED;
}

void LptTransport::Close() {
  DescriptorTransport::Close();
  readable_ = false;
}

XJC_RESULT LptTransport::Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                              std::uint32_t timeoutMs) {
  *done = 0;
  if (fd_ < 0) return XJC_E_IO;
  if (!readable_) {
    // Nothing can come back on a write-only port: wait out the time as a silent printer would.
    ::poll(nullptr, 0, static_cast<int>(timeoutMs));
    return XJC_E_TIMEOUT;
  }
  const XJC_RESULT rc = DescriptorTransport::Read(buffer, size, done, timeoutMs);
  // A port without a reverse channel reports an error instead of data; treat it as silence.
  return rc == XJC_E_IO ? XJC_E_TIMEOUT : rc;
}

std::string LptTransport::Describe() const { return "parallel " + device_; }

bool LptTransport::ReadLineStatus(LineStatus& status) {
  int lines = 0;
  if (fd_ < 0 || ::ioctl(fd_, LPGETSTATUS, &lines) != 0) return false;
  status.paperOut = (lines & LP_POUTPA) != 0;
  status.selected = (lines & LP_PSELECD) != 0;
  status.error = (lines & LP_PERRORP) == 0;  // active low
  return true;
}

}  // namespace xjcomm
