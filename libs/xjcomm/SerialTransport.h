#pragma once
// SerialTransport: a printer on a serial line — an on-board or USB serial port, a
// Bluetooth serial device or a pseudo-terminal — in raw mode with the record's baud
// rate, bit length and parity. Used by one thread at a time.
#include <string>

#include "libs/xjcomm/PortAddress.h"
#include "libs/xjcomm/DescriptorTransport.h"

namespace xjcomm {

class SerialTransport : public DescriptorTransport {
 public:
  SerialTransport(std::string device, SerialSettings settings);

  // XJC_E_OPEN_FAILED when the device is missing, is no terminal, or cannot be set up.
  XJC_RESULT Open(std::uint32_t timeoutMs) override;
  std::string Describe() const override;

 private:
  std::string device_;
  SerialSettings settings_;
};

}  // namespace xjcomm
