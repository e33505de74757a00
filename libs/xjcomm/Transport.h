#pragma once
// Transport: one way of carrying bytes to and from a printer (a TCP connection, a serial
// device, a USB or parallel printer device). Every transport lives in a file of its own
// behind this small interface; the command language knows nothing about them.
//
// A transport object is used by one thread at a time (its owner serialises calls).
#include <cstddef>
#include <cstdint>
#include <string>

#include "sdk/XJComm.h"

namespace xjcomm {

// Status lines of a port that has them (a parallel port), for printers that cannot answer.
struct LineStatus {
  bool paperOut = false;
  bool selected = true;  // the printer reports itself online
  bool error = false;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Opens the device or connection, waiting at most timeoutMs where opening can take
  // time (a TCP connect). XJC_OK, XJC_E_OPEN_FAILED, XJC_E_TIMEOUT or XJC_E_INVALID_ARG.
  virtual XJC_RESULT Open(std::uint32_t timeoutMs) = 0;
  // Closes; harmless when not open.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Reads what is there, waiting at most timeoutMs for the first byte (0: no waiting).
  // XJC_OK with *done > 0; XJC_E_TIMEOUT with *done = 0 when nothing came; XJC_E_IO when
  // the connection is lost (the transport stays open until Close).
  virtual XJC_RESULT Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                          std::uint32_t timeoutMs) = 0;
  // Writes all size bytes within timeoutMs. *done receives what was written; XJC_E_TIMEOUT
  // when not everything could be written in time, XJC_E_IO when the connection is lost.
  virtual XJC_RESULT Write(const std::uint8_t* data, std::size_t size, std::size_t* done,
                           std::uint32_t timeoutMs) = 0;

  // A short description for messages, e.g. "TCP 127.0.0.1:9100" or "serial /dev/ttyUSB0".
  virtual std::string Describe() const = 0;

  // Status lines, for transports that have them; false otherwise.
  virtual bool ReadLineStatus(LineStatus& status) { return false; }

  // A descriptor that becomes readable when bytes arrive, for waiting on them with
  // poll(); -1 when the transport has none (or is closed). Only for waiting: reading
  // and writing go through Read and Write.
  virtual int ReadinessDescriptor() const { return -1; }
};

}  // namespace xjcomm
