#pragma once
// DeviceSearch: the printer ports present on this machine, found from the device nodes
// and the kernel's device information, without opening any device:
//   serial     /dev/ttyS* that have hardware behind them (their serial type is known),
//              /dev/ttyUSB*, /dev/ttyACM*, optionally Bluetooth serial /dev/rfcomm*, and
//              extra paths the caller adds (pseudo-terminals of a simulator)
//   USB        /dev/usb/lp* with the model from the printer's IEEE 1284 device ID
//   parallel   /dev/lp*
//   Bluetooth  /dev/rfcomm*
// The device and system folders are parameters, so a test can hand in folders of its own.
// The functions only read files; any thread may call them.
#include <string>
#include <string_view>
#include <vector>

#include "sdk/PortRecord.h"

namespace xjcomm {

class DeviceSearch {
 public:
  explicit DeviceSearch(std::string devRoot = "/dev", std::string sysRoot = "/sys");

  // Serial ports (kind "COM"), Bluetooth serial devices too when withBluetooth, then the
  // extra paths that exist as character devices and are not listed already.
  std::vector<PortRecord> SerialPorts(bool withBluetooth,
                                      const std::vector<std::string>& extraPaths) const;
  // USB printers (kind "USB", portName "lpN", deviceName the model, usbDeviceData the
  // printer's identity).
  std::vector<PortRecord> UsbPrinters() const;
  // Parallel ports (kind "LPT", portName the device path).
  std::vector<PortRecord> ParallelPorts() const;
  // Bluetooth serial devices (kind "BT", portName the device path).
  std::vector<PortRecord> BluetoothPorts() const;

  // The device node of the USB printer with this identity, empty when it is not attached.
  std::string FindUsbNode(std::string_view identity) const;

  // "a:b:c" (the XJCOMM_EXTRA_SERIAL list) into its non-empty parts.
  static std::vector<std::string> SplitPathList(std::string_view list);
  // The value of key (e.g. "MDL" or "MODEL") in an IEEE 1284 device ID text.
  static std::string DeviceIdField(std::string_view deviceId, std::string_view key);

 private:
  // Names in folder of the form prefix + digits, in numeric order.
  std::vector<std::string> NumberedNames(const std::string& folder, std::string_view prefix) const;
  bool SerialHardwarePresent(const std::string& name) const;

  std::string devRoot_;
  std::string sysRoot_;
};

}  // namespace xjcomm
