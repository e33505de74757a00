#include "comm/PortEnumeration.h"

#include <algorithm>

#include "comm/XJC.h"

namespace {

std::vector<PortRecord*> PointersTo(std::vector<PortRecord>& records) {
  std::vector<PortRecord*> pointers;
  pointers.reserve(records.size());
  for (PortRecord& r : records) pointers.push_back(&r);
  return pointers;
}

}  // namespace

std::uint32_t EnumerateDevices(XJC* xjc, const std::u16string& kind, std::vector<PortRecord>& records) {
  records.assign(kInitialDeviceRecords, PortRecord{});
  if (xjc == nullptr || !xjc->IsLoaded()) return 0;
  std::uint32_t found = 0;
  std::vector<PortRecord*> pointers = PointersTo(records);
  xjc->XJC_EnumDevPort(kind.c_str(), pointers.data(), static_cast<std::uint32_t>(records.size()), &found);
  if (found > records.size()) {
    // More devices than records: enlarge the block to the count and ask again.
    records.assign(std::min<std::size_t>(found, kMaxDeviceRecords), PortRecord{});
    pointers = PointersTo(records);
    found = 0;
    xjc->XJC_EnumDevPort(kind.c_str(), pointers.data(), static_cast<std::uint32_t>(records.size()), &found);
  }
  return std::min<std::uint32_t>(found, static_cast<std::uint32_t>(records.size()));
}

std::optional<std::vector<PortRecord>> ListRegisteredPorts(XJC* xjc, std::int32_t driverMode) {
  std::uint32_t count = 0;
  if (xjc == nullptr || !xjc->IsLoaded() || xjc->XJC_EnumPort(nullptr, 0, &count, driverMode) != XJC_OK) {
    return std::nullopt;
  }
  std::vector<PortRecord> ports(std::min(count, kMaxRegisteredPorts), PortRecord{});
  std::vector<PortRecord*> pointers = PointersTo(ports);
  std::uint32_t filled = 0;
  const XJC_RESULT rc = xjc->XJC_EnumPort(pointers.empty() ? nullptr : pointers.data(),
                                          static_cast<std::uint32_t>(ports.size()), &filled, driverMode);
  ports.resize(rc == XJC_OK ? std::min<std::size_t>(filled, ports.size()) : 0);
  return ports;
}
