#pragma once
// PortRecord: the fixed 5764-byte description of one port, exchanged with the
// communication library. Texts are UTF-16, NUL-terminated. Builders zero-fill the whole
// record first; bytes marked reserved belong to the library and are never interpreted
// by the program.
#include <cstddef>
#include <cstdint>

#pragma pack(push, 4)
struct PortRecord {
  char16_t kind[260];             // "COM", "LPT", "USB", "NET", "BT"; empty for installed printers
  char16_t portName[260];         // serial/parallel name, USB device, IPv4 "%d.%d.%d.%d", BT port
  std::int32_t presetA;           // -1 when the program builds a record
  std::int32_t presetB;           // -1 when the program builds a record
  std::int32_t pathGiven;         // 1: built from a connection path on the command line
  char16_t path[260];             // connection path (device address)
  std::uint8_t usbDeviceData[260];  // USB device block, filled by the library
  std::uint8_t reserved1[260];
  char16_t deviceName[260];       // model name; filled by XJC_CommunicationTest
  std::int32_t serialParamsSet;   // 1 in serial records
  std::int32_t bitLength;
  std::int32_t baudRate;
  std::int32_t parity;
  std::uint8_t reserved2[532];
  char16_t deviceInfo[1300];      // device description filled by the library
  std::int32_t origin;            // 3 in records made from an installed printer
};
#pragma pack(pop)

static_assert(sizeof(PortRecord) == 5764);
static_assert(offsetof(PortRecord, kind) == 0);
static_assert(offsetof(PortRecord, portName) == 520);
static_assert(offsetof(PortRecord, presetA) == 1040);
static_assert(offsetof(PortRecord, presetB) == 1044);
static_assert(offsetof(PortRecord, pathGiven) == 1048);
static_assert(offsetof(PortRecord, path) == 1052);
static_assert(offsetof(PortRecord, usbDeviceData) == 1572);
static_assert(offsetof(PortRecord, deviceName) == 2092);
static_assert(offsetof(PortRecord, serialParamsSet) == 2612);
static_assert(offsetof(PortRecord, bitLength) == 2616);
static_assert(offsetof(PortRecord, baudRate) == 2620);
static_assert(offsetof(PortRecord, parity) == 2624);
static_assert(offsetof(PortRecord, deviceInfo) == 3160);
static_assert(offsetof(PortRecord, origin) == 5760);

// Interface kinds as they stand in PortRecord::kind.
inline constexpr char16_t kPortKindCom[] = u"COM";
inline constexpr char16_t kPortKindSerial[] = u"SERIAL";  // enumeration only: serial incl. Bluetooth serial
inline constexpr char16_t kPortKindLpt[] = u"LPT";
inline constexpr char16_t kPortKindUsb[] = u"USB";
inline constexpr char16_t kPortKindNet[] = u"NET";
inline constexpr char16_t kPortKindBt[] = u"BT";

inline constexpr std::int32_t kPortOriginInstalledPrinter = 3;
