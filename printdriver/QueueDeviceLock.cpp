#include "printdriver/QueueDeviceLock.h"

#include <chrono>
#include <thread>

#include "comm/DeviceUriMapping.h"
#include "libs/xjcomm/DeviceSearch.h"
#include "libs/xjcomm/PortAddress.h"

namespace receipt {

std::string QueueDeviceLock::PortIdentity(std::string_view deviceUri) {
  QueueDeviceLookup lookup;
  if (DeviceUriScheme(deviceUri) == "usb") lookup.usbPrinters = xjcomm::DeviceSearch().UsbPrinters();
  const QueueDevice device = MapDeviceUri(deviceUri, lookup);
  if (device.problem != QueueDeviceProblem::None) return {};
  xjcomm::PortAddress address;
  if (xjcomm::ParsePortRecord(device.record, address) != XJC_OK) return {};
  return address.Identity();
}

QueueDeviceLock::Result QueueDeviceLock::Acquire(std::string_view deviceUri, const std::atomic<bool>& cancel,
                                                 const std::function<void()>& waiting, int pollMs) {
  const std::string identity = PortIdentity(deviceUri);
  if (identity.empty()) return Result::NoPort;
  bool told = false;
  for (;;) {
    if (cancel.load()) return Result::Cancelled;
    const XJC_RESULT rc = lock_.Acquire(identity);
    if (rc == XJC_OK) return Result::Held;
    if (rc != XJC_E_IN_USE) return Result::Unavailable;
    if (!told && waiting) waiting();
    told = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
}

}  // namespace receipt
