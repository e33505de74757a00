#pragma once
// PortSettings: what the user entered in the port setting dialog for one interface, and
// the rules that turn it into the PortRecord the communication test and the port
// registry receive. No windowing here: the dialog collects the values from its
// controls and calls these.
//
// Threads: plain values and pure functions; any thread.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "sdk/PortRecord.h"

// Interfaces, as the interface order list and the dialog's buttons 2000 + i number them.
inline constexpr int kInterfaceSerial = 0;
inline constexpr int kInterfaceParallel = 1;
inline constexpr int kInterfaceUsb = 2;
inline constexpr int kInterfaceEthernet = 3;
inline constexpr int kInterfaceBluetooth = 4;
inline constexpr int kInterfaceCount = 5;
// Ends an interface order list that is shorter than kInterfaceCount.
inline constexpr int kInterfaceListEnd = -1;

// A value list without a selection.
inline constexpr std::int32_t kNoListValue = -1;

struct PortSettings {
  std::int32_t type = 0;  // the chosen interface type (kIfTypeSerial ... kIfTypeBluetooth); 0: none
  std::u16string modelName;
  std::u16string port;            // serial, parallel, USB (without its display prefix), Bluetooth
  std::uint32_t address = 0;      // Ethernet: a.b.c.d as (a << 24) | (b << 16) | (c << 8) | d
  std::u16string portSuffix;      // Ethernet: ":port" of a printer found on another TCP port
  std::int32_t bitLength = kNoListValue;
  std::int32_t baudRate = kNoListValue;
  std::int32_t parity = kNoListValue;
  std::array<std::uint8_t, sizeof(PortRecord::usbDeviceData)> usbDeviceData{};
};

// An address read from a search result "a.b.c.d" or "a.b.c.d:port".
struct SearchedAddress {
  std::uint32_t address = 0;
  std::u16string portSuffix;  // ":port" when the text carried one, else empty
};

// The interface type of a PortRecord for an interface (kInterfaceSerial -> kIfTypeSerial
// ...), 0 for a value outside 0-4.
std::int32_t InterfaceType(int interfaceIndex);

// True when interfaceIndex stands in the order list before its end marker.
bool IsInterfaceListed(const std::int32_t (&order)[kInterfaceCount], int interfaceIndex);

// The kind the communication library enumerates the devices of an interface by: serial
// ports are asked for with Bluetooth serial devices ("SERIAL") when the Bluetooth
// interface is listed as well, else as "COM"; anything but 0-2 and 4 is the network.
std::u16string_view EnumerationKindOf(int interfaceIndex, bool bluetoothListed);

// Builds the record of the entered settings: zero-filled, presets -1, the model name,
// the kind and port name of the interface type; serial records carry their values with
// serialParamsSet 1, USB records the device block; the Ethernet port name is "a.b.c.d"
// followed by portSuffix. False (record zero-filled, presets -1) for an unknown type.
bool BuildPortRecord(const PortSettings& settings, PortRecord& record);

// Reads "a.b.c.d" as sscanf's "%u.%u.%u.%u" does (blanks before the first part are
// skipped; parts after the first unreadable one stay 0), each part limited to 255.
// rest receives what follows the fourth part (empty when there is none).
std::uint32_t ParseDottedAddress(std::u16string_view text, std::u16string_view& rest);

// A search result's address and, when a ":port" follows it, that port.
SearchedAddress ParseSearchResult(std::u16string_view text);
