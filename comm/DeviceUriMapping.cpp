#include "comm/DeviceUriMapping.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fstream>

#include "platform/Text.h"

namespace {

constexpr std::uint16_t kRawPrintingPort = 9100;
constexpr std::int32_t kPresetUnset = -1;
constexpr std::int32_t kParityNone = 0;
constexpr std::int32_t kParityOdd = 1;
constexpr std::int32_t kParityEven = 2;
constexpr std::int32_t kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
constexpr std::int32_t kMinBits = 5;
constexpr std::int32_t kMaxBits = 8;
// Longer URIs are not device URIs of a print server.
constexpr std::size_t kMaxUriLength = 1023;

// Schemes of queues that print through a print server or a network print protocol.
constexpr std::array<std::string_view, 13> kPrintServerSchemes = {
    "ipp", "ipps", "http", "https", "lpd", "smb", "dnssd", "mdns", "ipp14", "implicitclass", "driverless",
    "driverless-fax", "cups-brf"};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t max) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (v > max) return std::nullopt;
  return static_cast<std::uint32_t>(v);
}

std::optional<std::uint32_t> ParseIPv4(std::string_view text) {
  std::uint32_t value = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = text.find('.');
    if ((part < 3) == (dot == std::string_view::npos)) return std::nullopt;
    const std::string_view digits = text.substr(0, dot);
    const std::optional<std::uint32_t> n = digits.size() <= 3 ? ParseNumber(digits, 255) : std::nullopt;
    if (!n) return std::nullopt;
    value = (value << 8) | *n;
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  }
  return value;
}

bool IsHostName(std::string_view host) {
  if (host.empty() || host.size() > 253 || host.front() == '-' || host.front() == '.') return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
  });
}

// An absolute device path without empty parts, "..", or control characters.
bool IsDevicePath(std::string_view path) {
  if (path.size() < 2 || path[0] != '/' || path.back() == '/' || path.find("//") != std::string_view::npos)
    return false;
  if (std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return false;
  return path.find("/../") == std::string_view::npos && !path.ends_with("/..");
}

std::string BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsRfcommNode(std::string_view path) {
  const std::string base = BaseName(path);
  return base.size() > 6 && base.starts_with("rfcomm") && std::isdigit(static_cast<unsigned char>(base[6]));
}

std::string FormatIPv4(std::uint32_t a) {
  return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." + std::to_string((a >> 8) & 0xFF) +
         "." + std::to_string(a & 0xFF);
}

PortRecord NewRecord(const char16_t* kind, std::string_view portName) {
  PortRecord record;
  std::memset(&record, 0, sizeof record);
  record.presetA = kPresetUnset;
  record.presetB = kPresetUnset;
  plat::CopyText(record.kind, kind);
  plat::CopyText(record.portName, plat::FromUtf8(portName));
  return record;
}

QueueDevice Problem(QueueDeviceProblem problem, std::string scheme, std::string detail = {}) {
  QueueDevice device;
  device.problem = problem;
  device.scheme = std::move(scheme);
  device.detail = std::move(detail);
  return device;
}

QueueDevice Fault(DeviceUriFault fault, std::string scheme, std::string detail = {}) {
  QueueDevice device = Problem(QueueDeviceProblem::Malformed, std::move(scheme), std::move(detail));
  device.fault = fault;
  return device;
}

QueueDevice Port(PortRecord record, std::string scheme) {
  QueueDevice device;
  device.problem = QueueDeviceProblem::None;
  device.record = record;
  device.scheme = std::move(scheme);
  return device;
}

// "/dev/x" from the part after "scheme:" ("/dev/x" or "///dev/x"), without query.
std::string LocalDevicePath(std::string_view rest) {
  rest = rest.substr(0, rest.find('?'));
  if (rest.starts_with("///")) rest.remove_prefix(2);
  return DecodeUriText(rest);
}

QueueDevice MapSocket(std::string_view rest, const QueueDeviceLookup& lookup) {
  if (!rest.starts_with("//")) return Fault(DeviceUriFault::BadHost, "socket");
  std::string_view authority = rest.substr(2);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (authority.starts_with("[")) return Fault(DeviceUriFault::BadHost, "socket");  // IPv6: not reachable
  std::string_view host = authority;
  std::uint16_t port = kRawPrintingPort;
  if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    const std::optional<std::uint32_t> n = ParseNumber(authority.substr(colon + 1), 65535);
    if (!n || *n == 0) return Fault(DeviceUriFault::BadPort, "socket", std::string(authority.substr(colon + 1)));
    port = static_cast<std::uint16_t>(*n);
  }
  std::optional<std::uint32_t> address = ParseIPv4(host);
  if (!address) {
    const std::string name = DecodeUriText(host);
    if (!IsHostName(name) || std::all_of(name.begin(), name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; }))
      return Fault(DeviceUriFault::BadHost, "socket", name);
    address = lookup.resolveHost ? lookup.resolveHost(name) : ResolveHostIPv4(name);
    if (!address) return Problem(QueueDeviceProblem::NotConnected, "socket", name);
  }
  std::string portName = FormatIPv4(*address);
  if (port != kRawPrintingPort) portName += ":" + std::to_string(port);
  return Port(NewRecord(kPortKindNet, portName), "socket");
}

// The serial settings of "key=value" options separated by "+" or "&". Unknown keys are
// left to the print server's own backend; a value the port cannot use is a fault.
std::optional<std::string> ApplySerialOptions(std::string_view query, PortRecord& record) {
  std::int32_t baud = 9600, bits = 8, parity = kParityNone;
  while (!query.empty()) {
    const std::size_t end = query.find_first_of("+&");
    const std::string_view item = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    const std::size_t eq = item.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string key = Lower(item.substr(0, eq));
    const std::string value = Lower(DecodeUriText(item.substr(eq + 1)));
    const std::string bad = key + "=" + value;
    if (key == "baud") {
      const std::optional<std::uint32_t> n = ParseNumber(value, 4000000);
      if (!n || std::find(std::begin(kBaudRates), std::end(kBaudRates), static_cast<std::int32_t>(*n)) ==
                    std::end(kBaudRates))
        return bad;
      baud = static_cast<std::int32_t>(*n);
    } else if (key == "bits") {
      const std::optional<std::uint32_t> n = ParseNumber(value, 16);
      if (!n || static_cast<std::int32_t>(*n) < kMinBits || static_cast<std::int32_t>(*n) > kMaxBits) return bad;
      bits = static_cast<std::int32_t>(*n);
    } else if (key == "parity") {
      if (value == "none") parity = kParityNone;
      else if (value == "odd") parity = kParityOdd;
      else if (value == "even") parity = kParityEven;
      else return bad;  // space and mark parity are not available on the port
    } else if (key == "flow") {
      // The port answers the printer's XON/XOFF itself; the kind of flow control does not
      // change how the utility talks, but an unknown one is a typing error.
      static constexpr std::string_view kFlows[] = {"none", "soft", "xonxoff", "hard", "rtscts", "dtrdsr"};
      if (std::find(std::begin(kFlows), std::end(kFlows), value) == std::end(kFlows)) return bad;
    } else if (key == "stop") {
      if (value != "1") return bad;  // the port sends one stop bit
    }
  }
  record.serialParamsSet = 1;
  record.baudRate = baud;
  record.bitLength = bits;
  record.parity = parity;
  return std::nullopt;
}

QueueDevice MapSerial(std::string_view rest, const std::string& scheme) {
  const std::string device = LocalDevicePath(rest);
  if (!IsDevicePath(device)) return Fault(DeviceUriFault::BadDevicePath, scheme, device);
  PortRecord record = NewRecord(IsRfcommNode(device) ? kPortKindBt : kPortKindCom, device);
  const std::size_t q = rest.find('?');
  if (const std::optional<std::string> bad = ApplySerialOptions(q == std::string_view::npos ? "" : rest.substr(q + 1), record))
    return Fault(DeviceUriFault::BadSerialOption, scheme, *bad);
  return Port(record, scheme);
}

QueueDevice MapUsb(std::string_view rest, const QueueDeviceLookup& lookup) {
  if (!rest.starts_with("//")) return Fault(DeviceUriFault::NoUsbModel, "usb");
  std::string_view path = rest.substr(2);
  path = path.substr(0, path.find_first_of("?#"));
  const std::size_t slash = path.find('/');
  const std::string make = DecodeUriText(path.substr(0, slash));
  const std::string model = slash == std::string_view::npos ? std::string() : DecodeUriText(path.substr(slash + 1));
  if (model.empty()) return Fault(DeviceUriFault::NoUsbModel, "usb");
  for (const PortRecord& printer : lookup.usbPrinters) {
    if (plat::FieldText(printer.kind) != kPortKindUsb) continue;
    if (EqualsNoCase(plat::ToUtf8(plat::FieldText(printer.deviceName)), model)) return Port(printer, "usb");
  }
  return Problem(QueueDeviceProblem::NotConnected, "usb", make.empty() ? model : make + " " + model);
}

QueueDevice MapParallel(std::string_view rest) {
  const std::string device = LocalDevicePath(rest);
  if (!IsDevicePath(device)) return Fault(DeviceUriFault::BadDevicePath, "parallel", device);
  return Port(NewRecord(kPortKindLpt, device), "parallel");
}

// "AA:BB:CC:DD:EE:FF" (also without colons or with "-") in upper case, empty when the
// text is not a Bluetooth address.
std::string NormalBluetoothAddress(std::string_view text) {
  std::string hex;
  for (char c : text) {
    if (c == ':' || c == '-') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
    hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (hex.size() != 12) return {};
  std::string out;
  for (std::size_t i = 0; i < 12; i += 2) out += (i ? ":" : "") + hex.substr(i, 2);
  return out;
}

// The /dev node of the Bluetooth serial device bound to address, empty when none is.
std::string RfcommNodeOf(const std::string& address, const std::string& sysRoot) {
  const std::string folder = sysRoot + "/class/tty";
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      if (IsRfcommNode(entry->d_name)) names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::ifstream in(folder + "/" + name + "/address");
    std::string bound;
    if (std::getline(in, bound) && NormalBluetoothAddress(bound) == address) return "/dev/" + name;
  }
  return {};
}

QueueDevice MapBluetooth(std::string_view rest, const std::string& scheme, const QueueDeviceLookup& lookup) {
  if (!rest.starts_with("//")) {
    const std::string device = LocalDevicePath(rest);
    if (!IsDevicePath(device)) return Fault(DeviceUriFault::BadDevicePath, scheme, device);
    return Port(NewRecord(kPortKindBt, device), scheme);
  }
  std::string_view text = rest.substr(2);
  text = text.substr(0, text.find_first_of("/?#"));
  const std::string address = NormalBluetoothAddress(DecodeUriText(text));
  if (address.empty()) return Fault(DeviceUriFault::BadBluetoothAddress, scheme, std::string(text));
  const std::string node = RfcommNodeOf(address, lookup.sysRoot);
  if (node.empty()) return Problem(QueueDeviceProblem::NotConnected, scheme, address);
  return Port(NewRecord(kPortKindBt, node), scheme);
}

}  // namespace

std::string DecodeUriText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string DeviceUriScheme(std::string_view uri) {
  const std::size_t colon = uri.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  const std::string_view scheme = uri.substr(0, colon);
  if (!std::isalpha(static_cast<unsigned char>(scheme[0]))) return {};
  const bool valid = std::all_of(scheme.begin(), scheme.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
  });
  return valid ? Lower(scheme) : std::string();
}

std::optional<std::uint32_t> ResolveHostIPv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return std::nullopt;
  const std::uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(found);
  return address;
}

QueueDevice MapDeviceUri(std::string_view uri, const QueueDeviceLookup& lookup) {
  const std::string scheme = DeviceUriScheme(uri);
  if (scheme.empty() || uri.size() > kMaxUriLength ||
      std::any_of(uri.begin(), uri.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }))
    return Fault(DeviceUriFault::NotAUri, scheme);
  const std::string_view rest = uri.substr(scheme.size() + 1);
  if (scheme == "socket") return MapSocket(rest, lookup);
  if (scheme == "serial") return MapSerial(rest, scheme);
  if (scheme == "usb") return MapUsb(rest, lookup);
  if (scheme == "parallel") return MapParallel(rest);
  if (scheme == "bluetooth" || scheme == "rfcomm") return MapBluetooth(rest, scheme, lookup);
  if (std::find(kPrintServerSchemes.begin(), kPrintServerSchemes.end(), scheme) != kPrintServerSchemes.end())
    return Problem(QueueDeviceProblem::PrintServer, scheme);
  return Problem(QueueDeviceProblem::UnknownDevice, scheme);
}
