#pragma once
// The device URI of a print queue as a port of the communication library. A queue of the
// print server names the device it prints to by a URI; the utility talks to the same
// device through a PortRecord:
//   socket://HOST[:PORT][/…][?…]          NET record, port 9100 unless given; HOST an IPv4
//                                          address or a name that resolves to one
//   serial:/dev/NODE[?baud=…+bits=…+parity=…+flow=…+stop=…]   ("&" separates too)
//                                          COM record with the serial settings (BT record
//                                          for a Bluetooth serial node /dev/rfcommN)
//   usb://MAKE/MODEL[?serial=…]            the USB printer attached now whose IEEE 1284
//                                          model (MDL) is MODEL: its record as the library
//                                          lists it
//   parallel:/dev/lpN                      LPT record of that node
//   bluetooth://ADDRESS, bluetooth:/dev/rfcommN, rfcomm:/dev/rfcommN
//                                          BT record of the serial node bound to ADDRESS
//                                          (or of the node given)
// Queues that print through a print server (ipp, ipps, http, https, lpd, smb, dnssd, …)
// or through a device this utility does not know cannot be set up from here; URIs that
// cannot be read are refused with the reason.
//
// Threads: pure functions over their arguments (the Bluetooth lookup reads the system
// folder given, a host name is resolved by the function given); any thread.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/PortRecord.h"

enum class QueueDeviceProblem {
  None,                // record is a port the library can open
  PrintServer,         // the queue prints through a print server or network print protocol
  UnknownDevice,       // a kind of device the utility cannot reach
  NotConnected,        // the device is not attached now (USB, Bluetooth) or its name is unknown
  Malformed,           // the URI cannot be read; reason says why
};

// Why a URI could not be read.
enum class DeviceUriFault {
  None,
  NotAUri,             // no "scheme:" at the start, blanks or control characters, too long
  BadHost,             // socket: no host, or not an IPv4 address or host name
  BadPort,             // socket: port not 1-65535
  BadDevicePath,       // not an absolute device path (or one with "..", control characters)
  BadSerialOption,     // serial: an option value the port cannot use (detail: "key=value")
  BadBluetoothAddress, // bluetooth: not six hexadecimal byte pairs
  NoUsbModel,          // usb: no model after the maker
};

struct QueueDevice {
  QueueDeviceProblem problem = QueueDeviceProblem::Malformed;
  DeviceUriFault fault = DeviceUriFault::None;
  PortRecord record{};       // the port (problem None): zero-filled apart from its fields
  std::string scheme;        // the URI's scheme in lower case ("socket", "ipp"); may be empty
  std::string detail;        // NotConnected: what is missing ("NORVE XJ-K52II", an address,
                             // a host name); Malformed with BadSerialOption: "key=value"
};

struct QueueDeviceLookup {
  // The USB printers attached now, as the library lists them (kind "USB", deviceName the
  // model of the printer's IEEE 1284 device ID).
  std::vector<PortRecord> usbPrinters;
  // The system folder in which Bluetooth serial nodes tell their address
  // (<sysRoot>/class/tty/rfcommN/address).
  std::string sysRoot = "/sys";
  // Resolves a host name to an IPv4 address (host byte order); unset: the system's resolver.
  std::function<std::optional<std::uint32_t>(const std::string& host)> resolveHost;
};

// The port behind uri (UTF-8). See the table above.
QueueDevice MapDeviceUri(std::string_view uri, const QueueDeviceLookup& lookup);

// The scheme of uri in lower case, empty when it has none.
std::string DeviceUriScheme(std::string_view uri);

// uri with %XX escapes decoded (an escape that is not two hexadecimal digits is kept).
std::string DecodeUriText(std::string_view text);

// The IPv4 address of host from the system's resolver (getaddrinfo, IPv4 only).
std::optional<std::uint32_t> ResolveHostIPv4(const std::string& host);
