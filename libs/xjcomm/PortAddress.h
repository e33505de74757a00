#pragma once
// PortAddress: where a PortRecord points, worked out once: the transport kind, the
// device node or the TCP endpoint, the serial settings. Records name their port in one
// of these ways:
//   kind "NET":                portName "a.b.c.d" or "a.b.c.d:port" (port 9100 by default)
//   kind "COM"/"SERIAL"/"BT":  portName a serial device ("/dev/ttyUSB0", "ttyUSB0", "COM1"
//                              for the first on-board port /dev/ttyS0, a pseudo-terminal)
//   kind "USB":                portName a USB printer node under /dev/usb ("lp0"); the
//                              usbDeviceData block, when filled by the enumeration, finds
//                              the same printer again after its node number changed
//   kind "LPT":                portName a parallel printer device ("/dev/lp0", "lp0")
//   no kind:                   path (or else portName) as a connection path:
//                              "tcp://a.b.c.d[:port][/...]", "socket://…", "net://…",
//                              "serial:DEVICE", "com:DEVICE", "bt:DEVICE", "usb:DEVICE",
//                              "lpt:DEVICE" (DEVICE an absolute path, "///dev/x" allowed),
//                              a bare device path, or a bare "a.b.c.d[:port]".
// Pure functions; any thread may call them.
#include <cstdint>
#include <string>
#include <string_view>

#include "sdk/PortRecord.h"
#include "sdk/XJComm.h"

namespace xjcomm {

inline constexpr std::uint16_t kRawPrintingPort = 9100;

enum class PortKind { Net, Serial, Bluetooth, Usb, Parallel };

// Serial parity as it stands in PortRecord::parity.
inline constexpr std::int32_t kParityNone = 0;
inline constexpr std::int32_t kParityOdd = 1;
inline constexpr std::int32_t kParityEven = 2;

inline constexpr std::int32_t kDefaultBaudRate = 9600;
inline constexpr std::int32_t kDefaultBitLength = 8;

struct SerialSettings {
  std::int32_t baudRate = kDefaultBaudRate;
  std::int32_t bitLength = kDefaultBitLength;
  std::int32_t parity = kParityNone;
};

struct PortAddress {
  PortKind kind = PortKind::Net;
  std::uint32_t ipv4 = 0;                 // NET: host byte order
  std::uint16_t tcpPort = kRawPrintingPort;
  std::string device;                     // device node of the other kinds
  std::string usbIdentity;                // USB: the printer's stable system identity
  SerialSettings serial;

  // A name that is the same for every record naming this port, for locks and for
  // recognising a port this process already has open: "NET-127.0.0.1-9100",
  // "SERIAL-/dev/ttyUSB0" (Bluetooth serial devices count as serial).
  std::string Identity() const;
  // "127.0.0.1:9100", "/dev/ttyUSB0".
  std::string Endpoint() const;
};

// Works out the address of a record. XJC_OK; XJC_E_NO_PORT when the record names no
// port this library can reach; XJC_E_INVALID_ARG for bad serial settings.
XJC_RESULT ParsePortRecord(const PortRecord& record, PortAddress& address);

// Dotted IPv4 text (four decimal numbers 0-255, nothing else) to a host-order value.
bool ParseIPv4(std::string_view text, std::uint32_t& value);
// "a.b.c.d" or "a.b.c.d:port" (port 1-65535).
bool ParseHostPort(std::string_view text, std::uint32_t& ipv4, std::uint16_t& port);
std::string FormatIPv4(std::uint32_t ipv4);
// The portName of a network printer: "a.b.c.d", or "a.b.c.d:port" off port 9100.
std::string NetPortName(std::uint32_t ipv4, std::uint16_t port);

// The USB identity stored in a usbDeviceData block, empty when the block holds none.
std::string UsbIdentityFromBlock(const std::uint8_t (&block)[260]);
// Fills a usbDeviceData block with an identity (cut to fit).
void UsbIdentityToBlock(std::string_view identity, std::uint8_t (&block)[260]);

}  // namespace xjcomm
