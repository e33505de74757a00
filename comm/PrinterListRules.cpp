#include "comm/PrinterListRules.h"

#include <cstring>

#include "platform/Registry.h"
#include "platform/Text.h"

namespace {
// Length of the fixed "ZLDPRT" part before a driver port's number.
constexpr std::size_t kDriverPortNumberOffset = 6;
}  // namespace

std::u16string DriverPortNameFromPath(std::u16string_view path) {
  const std::u16string lower = plat::ToLowerAscii(path);
  const std::size_t pipe = lower.find(kDriverPipePrefix);
  if (pipe == std::u16string::npos) return {};
  const std::size_t start = lower.find(kDriverPortMarker, pipe + std::char_traits<char16_t>::length(kDriverPipePrefix));
  if (start == std::u16string::npos) return {};
  std::size_t end = lower.find(u'"', start);
  if (end == std::u16string::npos) end = lower.find(u'/', start);
  if (end == std::u16string::npos) end = lower.size();
  return std::u16string(path.substr(start, end - start));
}

std::int32_t DriverPortNumber(std::u16string_view text) {
  // A value shorter than the fixed part has no number (and must not be read past).
  if (text.size() <= kDriverPortNumberOffset) return 0;
  return plat::ParseLeadingInt(text.substr(kDriverPortNumberOffset));
}

std::u16string DriverPortColumnText(std::u16string_view path) {
  const std::u16string name = DriverPortNameFromPath(path);
  if (name.empty()) return {};
  const std::int32_t wanted = DriverPortNumber(name);
  if (wanted <= 0) return {};
  for (const std::u16string& device : plat::RegEnumSubKeys(kPosPrinterKey)) {
    std::u16string port;
    const std::u16string key = std::u16string(kPosPrinterKey) + u"\\" + device;
    if (!plat::RegQueryString(key, kPosPrinterPortValue, port, kPosPrinterPortBufferBytes)) continue;
    if (DriverPortNumber(port) == wanted) return u"(" + port + u")";
  }
  return {};
}

std::u16string_view PathLastSegment(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string_view PathUpToLastSlash(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash + 1);
}

bool IsServedInstalledPrinter(const plat::InstalledPrinter& printer, std::u16string_view driverFilter,
                              std::u16string_view nameFilter) {
  if (!nameFilter.empty() && printer.name != nameFilter) return false;
  if (printer.driverName.find(driverFilter) == std::u16string::npos) return false;
  return printer.driverName.find(kReceiptDriverMark) != std::u16string::npos ||
         printer.driverName.find(kLabelDriverMark) != std::u16string::npos;
}

std::vector<InstalledPrinterEntry> BuildInstalledPrinterEntries(
    const std::vector<plat::InstalledPrinter>& printers, PortRecord* ports, std::size_t portCount,
    std::u16string_view driverFilter, std::u16string_view nameFilter, const QueueDeviceLookup& devices) {
  std::vector<InstalledPrinterEntry> entries;
  for (const plat::InstalledPrinter& printer : printers) {
    if (!IsServedInstalledPrinter(printer, driverFilter, nameFilter)) continue;
    InstalledPrinterEntry entry;
    entry.name = printer.name;
    for (std::size_t i = 0; ports != nullptr && i < portCount; ++i) {
      if (PathLastSegment(plat::FieldText(ports[i].path)) == printer.portName) {
        entry.record = &ports[i];
        break;
      }
    }
    entry.device.problem = QueueDeviceProblem::None;
    if (entry.record == nullptr) {
      entry.deviceUri = printer.deviceUri;
      entry.device = MapDeviceUri(printer.deviceUri, devices);
      entry.ownedRecord = std::make_unique<PortRecord>();
      if (entry.device.problem == QueueDeviceProblem::None) {
        *entry.ownedRecord = entry.device.record;
      } else {
        std::memset(entry.ownedRecord.get(), 0, sizeof(PortRecord));
        plat::CopyText(entry.ownedRecord->portName, printer.portName);
      }
      plat::CopyText(entry.ownedRecord->deviceName, printer.driverName);
      entry.ownedRecord->origin = kPortOriginInstalledPrinter;
      entry.record = entry.ownedRecord.get();
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}
