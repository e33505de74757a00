#include "status/StatusPaneText.h"

#include "platform/Registry.h"
#include "platform/Text.h"

namespace {

constexpr char16_t kPathSeparator = u'/';
constexpr char16_t kSchemeSeparator[] = u"//";

std::u16string Joined(std::u16string_view a, std::u16string_view b) {
  std::u16string line(a);
  line += u' ';
  line += b;
  return line;
}

// What follows the last '/' of path; the whole path when it has none.
std::u16string_view LastPart(std::u16string_view path) {
  const std::size_t slash = path.rfind(kPathSeparator);
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

// The host of a connection path: what follows the first "//" up to the next '/';
// empty without "//".
std::u16string_view HostPart(std::u16string_view path) {
  const std::size_t scheme = path.find(kSchemeSeparator);
  if (scheme == std::u16string_view::npos) return {};
  const std::u16string_view rest = path.substr(scheme + std::size(kSchemeSeparator) - 1);
  return rest.substr(0, rest.find(kPathSeparator));
}

// The device number of a name: the integer that starts six characters into it.
std::int32_t DeviceNumber(std::u16string_view name) {
  if (name.size() < kDeviceNumberOffset) return 0;
  return plat::ParseLeadingInt(name.substr(kDeviceNumberOffset));
}

}  // namespace

std::u16string StatusLine(std::u16string_view label, std::u16string_view word, std::int32_t mode) {
  if (mode == kModeFile) return std::u16string(label);
  return Joined(label, word);
}

std::u16string NameLine(std::u16string_view label, std::u16string_view blockName, std::int32_t mode) {
  if (!blockName.empty()) return Joined(label, blockName);
  return Joined(label, mode == kModeFile ? kFileModePrinterName : u"Unknown");
}

std::u16string PortRegistrySuffix(std::u16string_view part) {
  const std::int32_t number = DeviceNumber(part);
  if (number <= 0) return {};
  for (const std::u16string& device : plat::RegEnumSubKeys(kPosPrinterKey)) {
    std::u16string port;
    const std::u16string key = std::u16string(kPosPrinterKey) + u"\\" + device;
    if (!plat::RegQueryString(key, kPosPrinterPortValue, port)) continue;
    if (DeviceNumber(port) == number) return port;
  }
  return {};
}

std::u16string PortText(std::int32_t ifType, std::u16string_view portName, std::u16string_view path,
                        std::int32_t mode, std::u16string_view unknownPort, const DeviceLookup& lookup) {
  std::u16string text;
  switch (ifType) {
    case kIfTypeSerial:
    case kIfTypeParallel:
    case kIfTypeEthernet:
    case kIfTypeBluetooth:
      text = portName;
      break;
    case kIfTypeUsb:
      text = std::u16string(kUsbPortPrefix) + std::u16string(portName);
      break;
    case kIfTypeConnectionPath:
      if (mode == kModeRemote) {
        text = std::u16string(LastPart(path)) + u"@" + std::u16string(HostPart(path));
      } else {
        text = unknownPort;
      }
      break;
    default:
      if (mode != kModeFile) text = portName;
      break;
  }

  if (path.find(kPathSeparator) == std::u16string_view::npos) return text;
  std::u16string part(LastPart(path));
  // A path that ends in '/' has nothing to add.
  if (part.empty()) return text;
  if (part.size() >= kDeviceNumberOffset && lookup) {
    if (const std::u16string port = lookup(part); !port.empty()) part += u"/" + port;
  }
  return text + u" (" + part + u")";
}

std::u16string PortLine(const AppSettingsBlock& block, const StatusPaneLabels& labels, const DeviceLookup& lookup) {
  return Joined(labels.portLabel, PortText(block.chosenIfType, plat::FieldText(block.chosenPort.portName),
                                           plat::FieldText(block.chosenPort.path), block.mode, labels.unknownPort,
                                           lookup));
}
