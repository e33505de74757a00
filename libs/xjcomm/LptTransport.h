#pragma once
// LptTransport: a printer on a parallel port (/dev/lpN). Reading back works only where
// the port and its driver support it; otherwise reads time out and the port's status
// lines (paper out, selected, error) still tell how the printer is. Used by one thread
// at a time.
#include <string>

#include "libs/xjcomm/DescriptorTransport.h"

namespace xjcomm {

class LptTransport : public DescriptorTransport {
 public:
  explicit LptTransport(std::string device);

  XJC_RESULT Open(std::uint32_t timeoutMs) override;
  void Close() override;
  XJC_RESULT Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                  std::uint32_t timeoutMs) override;
  std::string Describe() const override;
  bool ReadLineStatus(LineStatus& status) override;

 private:
  std::string device_;
  bool readable_ = false;
};

}  // namespace xjcomm
