#pragma once
// LptTransport: a printer on a parallel port (/dev/lpN). Reading back works only where
// the port and its driver support it; otherwise reads time out and the port's status
// lines (paper out, selected, error) still tell how the printer is. Used by one thread
// at a time.
#include <string>

#include "libs/xjcomm/Transport.h"

namespace xjcomm {

class LptTransport : public Transport {
 public:
  explicit LptTransport(std::string device);
  ~LptTransport() override;

  XJC_RESULT Open(std::uint32_t timeoutMs) override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  XJC_RESULT Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                  std::uint32_t timeoutMs) override;
  XJC_RESULT Write(const std::uint8_t* data, std::size_t size, std::size_t* done,
                   std::uint32_t timeoutMs) override;
  std::string Describe() const override;
  bool ReadLineStatus(LineStatus& status) override;

 private:
  std::string device_;
  int fd_ = -1;
  bool readable_ = false;
};

}  // namespace xjcomm
