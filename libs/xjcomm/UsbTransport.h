#pragma once
// UsbTransport: a printer of the USB printer class through its device node
// (/dev/usb/lpN), read and written directly. Used by one thread at a time.
#include <string>

#include "libs/xjcomm/DescriptorTransport.h"

namespace xjcomm {

class UsbTransport : public DescriptorTransport {
 public:
  explicit UsbTransport(std::string device);

  XJC_RESULT Open(std::uint32_t timeoutMs) override;
  std::string Describe() const override;

 private:
  std::string device_;
};

}  // namespace xjcomm
