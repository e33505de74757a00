#pragma once
// SerialTransport: a printer on a serial line — an on-board or USB serial port, a
// Bluetooth serial device or a pseudo-terminal — in raw mode with the record's baud
// rate, bit length and parity. Used by one thread at a time.
#include <string>

#include "libs/xjcomm/PortAddress.h"
#include "libs/xjcomm/Transport.h"

namespace xjcomm {

class SerialTransport : public Transport {
 public:
  SerialTransport(std::string device, SerialSettings settings);
  ~SerialTransport() override;

  // XJC_E_OPEN_FAILED when the device is missing, is no terminal, or cannot be set up.
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
  SerialSettings settings_;
  int fd_ = -1;
};

}  // namespace xjcomm
