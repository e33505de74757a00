#pragma once
// UsbTransport: a printer of the USB printer class through its device node
// (/dev/usb/lpN), read and written directly. Used by one thread at a time.
#include <string>

#include "libs/xjcomm/Transport.h"

namespace xjcomm {

class UsbTransport : public Transport {
 public:
  explicit UsbTransport(std::string device);
  ~UsbTransport() override;

  XJC_RESULT Open(std::uint32_t timeoutMs) override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  XJC_RESULT Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                  std::uint32_t timeoutMs) override;
  XJC_RESULT Write(const std::uint8_t* data, std::size_t size, std::size_t* done,
                   std::uint32_t timeoutMs) override;
  std::string Describe() const override;

 private:
  std::string device_;
  int fd_ = -1;
};

}  // namespace xjcomm
