#include "libs/xjcomm/PortAddress.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/Text.h"

namespace xjcomm {
namespace {

constexpr std::int32_t kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
constexpr std::int32_t kMinBitLength = 5;
constexpr std::int32_t kMaxBitLength = 8;
constexpr char kUsbBlockMagic[] = "XJU1";
constexpr std::size_t kUsbMagicLength = 4;

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return std::string(text.substr(b, e - b));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

bool ParseDecimal(std::string_view text, std::uint32_t max, std::uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (v > max) return false;
  value = static_cast<std::uint32_t>(v);
  return true;
}

// An absolute device path without "..", empty parts or control characters.
bool IsAcceptableDevicePath(std::string_view path) {
  if (path.size() < 2 || path[0] != '/' || path.back() == '/') return false;
  if (path.find("//") != std::string_view::npos) return false;
  for (char c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (path.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool StartsWithDigitAfter(std::string_view name, std::string_view prefix) {
  return name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix &&
         std::isdigit(static_cast<unsigned char>(name[prefix.size()]));
}

// A serial port name as users and enumerations write it, to a device path.
std::string SerialDevicePath(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  std::uint32_t number = 0;
  if (StartsWithNoCase(name, "COM") && ParseDecimal(std::string_view(name).substr(3), 256, number) &&
      number >= 1) {
    return "/dev/ttyS" + std::to_string(number - 1);
  }
  return "/dev/" + name;
}

XJC_RESULT ValidateSerial(const SerialSettings& s) {
  if (std::find(std::begin(kBaudRates), std::end(kBaudRates), s.baudRate) == std::end(kBaudRates)) {
    return XJC_E_INVALID_ARG;
  }
  if (s.bitLength < kMinBitLength || s.bitLength > kMaxBitLength) return XJC_E_INVALID_ARG;
  if (s.parity != kParityNone && s.parity != kParityOdd && s.parity != kParityEven) {
    return XJC_E_INVALID_ARG;
  }
  return XJC_OK;
}

// "baud=9600+bits=8+parity=none" (also separated by '&').
void ApplySerialOptions(std::string_view query, SerialSettings& s) {
  std::size_t start = 0;
  while (start < query.size()) {
    std::size_t end = query.find_first_of("+&", start);
    if (end == std::string_view::npos) end = query.size();
    const std::string_view item = query.substr(start, end - start);
    const std::size_t eq = item.find('=');
    if (eq != std::string_view::npos) {
      const std::string key = Upper(item.substr(0, eq));
      const std::string value = Upper(item.substr(eq + 1));
      std::uint32_t n = 0;
      if (key == "BAUD" && ParseDecimal(value, 4000000, n)) s.baudRate = static_cast<std::int32_t>(n);
      if (key == "BITS" && ParseDecimal(value, 16, n)) s.bitLength = static_cast<std::int32_t>(n);
      if (key == "PARITY") {
        if (value == "NONE") s.parity = kParityNone;
        else if (value == "ODD") s.parity = kParityOdd;
        else if (value == "EVEN") s.parity = kParityEven;
        else s.parity = -1;  // refused by ValidateSerial
      }
    }
    start = end + 1;
  }
}

XJC_RESULT ParseDeviceAddress(PortKind kind, std::string device, PortAddress& out) {
  if (!IsAcceptableDevicePath(device)) return XJC_E_NO_PORT;
  out.kind = kind;
  out.device = std::move(device);
  return XJC_OK;
}

XJC_RESULT ParseConnectionPath(const std::string& text, PortAddress& out) {
  if (text.empty()) return XJC_E_NO_PORT;
  for (const char* scheme : {"tcp://", "socket://", "net://"}) {
    if (StartsWithNoCase(text, scheme)) {
      std::string rest = text.substr(std::strlen(scheme));
      rest = rest.substr(0, rest.find_first_of("/?"));
      out.kind = PortKind::Net;
      return ParseHostPort(rest, out.ipv4, out.tcpPort) ? XJC_OK : XJC_E_NO_PORT;
    }
  }
  struct DeviceScheme {
    const char* prefix;
    PortKind kind;
  };
  constexpr DeviceScheme kSchemes[] = {
      {"serial:", PortKind::Serial}, {"com:", PortKind::Serial},   {"bt:", PortKind::Bluetooth},
      {"usb:", PortKind::Usb},       {"lpt:", PortKind::Parallel}, {"parallel:", PortKind::Parallel},
  };
  for (const DeviceScheme& s : kSchemes) {
    if (!StartsWithNoCase(text, s.prefix)) continue;
    std::string rest = text.substr(std::strlen(s.prefix));
    std::string query;
    if (const std::size_t q = rest.find('?'); q != std::string::npos) {
      query = rest.substr(q + 1);
      rest.resize(q);
    }
    if (rest.rfind("///", 0) == 0) {
      rest.erase(0, 2);
    } else if (rest.rfind("//", 0) == 0) {
      return XJC_E_NO_PORT;  // "scheme://host/…" names no device of this machine
    }
    if (s.kind == PortKind::Serial || s.kind == PortKind::Bluetooth) {
      ApplySerialOptions(query, out.serial);
      if (const XJC_RESULT rc = ValidateSerial(out.serial); rc != XJC_OK) return rc;
    }
    return ParseDeviceAddress(s.kind, rest, out);
  }
  if (text[0] == '/') {
    const std::string base = BaseName(text);
    PortKind kind = PortKind::Serial;
    if (text.find("/usb/lp") != std::string::npos) kind = PortKind::Usb;
    else if (StartsWithDigitAfter(base, "lp")) kind = PortKind::Parallel;
    else if (StartsWithDigitAfter(base, "rfcomm")) kind = PortKind::Bluetooth;
    return ParseDeviceAddress(kind, text, out);
  }
  out.kind = PortKind::Net;
  return ParseHostPort(text, out.ipv4, out.tcpPort) ? XJC_OK : XJC_E_NO_PORT;
}

}  // namespace

std::string PortAddress::Identity() const {
  switch (kind) {
    case PortKind::Net: return "NET-" + FormatIPv4(ipv4) + "-" + std::to_string(tcpPort);
    case PortKind::Serial:
    case PortKind::Bluetooth: return "SERIAL-" + device;
    case PortKind::Usb: return "USB-" + (device.empty() ? usbIdentity : device);
    case PortKind::Parallel: return "LPT-" + device;
  }
  return {};
}

std::string PortAddress::Endpoint() const {
  if (kind == PortKind::Net) return FormatIPv4(ipv4) + ":" + std::to_string(tcpPort);
  return device;
}

bool ParseIPv4(std::string_view text, std::uint32_t& value) {
  std::uint32_t result = 0;
  std::size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    std::size_t end = text.find('.', start);
    if (part == 3) {
      if (end != std::string_view::npos) return false;
      end = text.size();
    } else if (end == std::string_view::npos) {
      return false;
    }
    const std::string_view digits = text.substr(start, end - start);
    std::uint32_t n = 0;
    if (digits.size() > 3 || !ParseDecimal(digits, 255, n)) return false;
    result = (result << 8) | n;
    start = end + 1;
  }
  value = result;
  return true;
}

bool ParseHostPort(std::string_view text, std::uint32_t& ipv4, std::uint16_t& port) {
  std::uint16_t p = kRawPrintingPort;
  std::string_view host = text;
  if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
    std::uint32_t n = 0;
    if (!ParseDecimal(text.substr(colon + 1), 65535, n) || n == 0) return false;
    p = static_cast<std::uint16_t>(n);
    host = text.substr(0, colon);
  }
  std::uint32_t a = 0;
  if (!ParseIPv4(host, a)) return false;
  ipv4 = a;
  port = p;
  return true;
}

std::string FormatIPv4(std::uint32_t ipv4) {
  return std::to_string(ipv4 >> 24) + "." + std::to_string((ipv4 >> 16) & 0xFF) + "." +
         std::to_string((ipv4 >> 8) & 0xFF) + "." + std::to_string(ipv4 & 0xFF);
}

std::string NetPortName(std::uint32_t ipv4, std::uint16_t port) {
  std::string name = FormatIPv4(ipv4);
  if (port != kRawPrintingPort) name += ":" + std::to_string(port);
  return name;
}

std::string UsbIdentityFromBlock(const std::uint8_t (&block)[260]) {
  if (std::memcmp(block, kUsbBlockMagic, kUsbMagicLength) != 0) return {};
  const char* text = reinterpret_cast<const char*>(block + kUsbMagicLength);
  const std::size_t max = sizeof(block) - kUsbMagicLength;
  return std::string(text, strnlen(text, max));
}

void UsbIdentityToBlock(std::string_view identity, std::uint8_t (&block)[260]) {
  std::memset(block, 0, sizeof(block));
  std::memcpy(block, kUsbBlockMagic, kUsbMagicLength);
  const std::size_t n = std::min(identity.size(), sizeof(block) - kUsbMagicLength - 1);
  std::memcpy(block + kUsbMagicLength, identity.data(), n);
}

XJC_RESULT ParsePortRecord(const PortRecord& record, PortAddress& address) {
  PortAddress out;
  const std::string kind = Upper(Trim(plat::ToUtf8(plat::FieldText(record.kind))));
  const std::string portName = Trim(plat::ToUtf8(plat::FieldText(record.portName)));
  const std::string path = Trim(plat::ToUtf8(plat::FieldText(record.path)));

  if (record.serialParamsSet == 1) {
    out.serial.baudRate = record.baudRate;
    out.serial.bitLength = record.bitLength;
    out.serial.parity = record.parity;
  }

  XJC_RESULT rc = XJC_E_NO_PORT;
  if (kind.empty()) {
    rc = ParseConnectionPath(path.empty() ? portName : path, out);
  } else if (kind == "NET") {
    out.kind = PortKind::Net;
    rc = ParseHostPort(portName, out.ipv4, out.tcpPort) ? XJC_OK : XJC_E_NO_PORT;
  } else if (kind == "COM" || kind == "SERIAL" || kind == "BT") {
    if (const XJC_RESULT v = ValidateSerial(out.serial); v != XJC_OK) return v;
    if (portName.empty()) return XJC_E_NO_PORT;
    rc = ParseDeviceAddress(kind == "BT" ? PortKind::Bluetooth : PortKind::Serial,
                            SerialDevicePath(portName), out);
  } else if (kind == "USB") {
    std::string name = portName;
    if (StartsWithNoCase(name, "USB-")) name.erase(0, 4);
    out.usbIdentity = UsbIdentityFromBlock(record.usbDeviceData);
    if (name.empty() && out.usbIdentity.empty()) return XJC_E_NO_PORT;
    if (name.empty()) {
      // Only the identity is known; the node is looked up when the port is opened.
      out.kind = PortKind::Usb;
      rc = XJC_OK;
    } else {
      rc = ParseDeviceAddress(PortKind::Usb, name[0] == '/' ? name : "/dev/usb/" + name, out);
    }
  } else if (kind == "LPT") {
    if (portName.empty()) return XJC_E_NO_PORT;
    rc = ParseDeviceAddress(PortKind::Parallel, portName[0] == '/' ? portName : "/dev/" + portName,
                            out);
  }
  if (rc != XJC_OK) return rc;
  if (out.kind == PortKind::Serial || out.kind == PortKind::Bluetooth) {
    if (const XJC_RESULT v = ValidateSerial(out.serial); v != XJC_OK) return v;
  }
  address = std::move(out);
  return XJC_OK;
}

}  // namespace xjcomm
