#pragma once
// IXJComm: the communication object as components outside the program see it. The
// printer information manager and the device information engine receive a pointer to
// it and talk to the printer through Read and Write. The virtual slot order is part of
// that interface: destructor, Read, Write, Purge, SetFlowCtrlForced, RecoverySending.
// Every operation returns the library's 32-bit result (sdk/XJComm.h), or
// XJC_E_NOT_LOADED (0x80000000) when the library is not loaded.
//
// Threads: any thread may call any operation; the library serialises the traffic with
// the printer, so a call waits while another thread's exchange runs.
#include <cstdint>

class IXJComm {
 public:
  virtual ~IXJComm() = default;
  // Reads up to size bytes that the printer sent (automatic status blocks filtered out);
  // *done receives the count. Waits at most timeoutMs for the first byte.
  virtual std::uint32_t Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                             std::uint32_t timeoutMs) = 0;
  // Sends size bytes; *done receives the count written.
  virtual std::uint32_t Write(const void* data, std::uint32_t size, std::uint32_t* done,
                              std::uint32_t timeoutMs) = 0;
  // Discards everything received and not yet read.
  virtual std::uint32_t Purge() = 0;
  // forced != 0: writes pause after the printer sent XOFF until it sends XON.
  virtual std::uint32_t SetFlowCtrlForced(std::int32_t forced) = 0;
  // Connects to the printer again after it restarted or the connection broke.
  virtual std::uint32_t RecoverySending() = 0;
};
