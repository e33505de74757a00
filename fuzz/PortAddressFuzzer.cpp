// Where ports point, as users type them, the command line gives them and the shared
// port registry (Ports.ini) holds them: the input is read as a registry file and, as
// text, as a connection path and as the port name of every port kind. Every address
// worked out must name a device path that cannot leave its folder, or an IPv4 endpoint
// that reads back the same.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "libs/xjcomm/PortAddress.h"
#include "libs/xjcomm/PortRegistry.h"
#include "platform/Text.h"
#include "sdk/PortRecord.h"

namespace {

using fuzzsupport::Require;
using namespace xjcomm;

constexpr const char16_t* kKinds[] = {u"", kPortKindCom, kPortKindSerial, kPortKindLpt,
                                      kPortKindUsb, kPortKindNet, kPortKindBt};

void CheckAddress(const PortRecord& record) {
  PortAddress address;
  if (ParsePortRecord(record, address) != XJC_OK) return;
  Require(!address.Identity().empty(), "an address has an identity");
  address.Endpoint();
  if (address.kind == PortKind::Net) {
    std::uint32_t ipv4 = 0;
    std::uint16_t port = 0;
    Require(ParseHostPort(NetPortName(address.ipv4, address.tcpPort), ipv4, port) && ipv4 == address.ipv4 &&
                port == address.tcpPort && port != 0,
            "a network address reads back the same");
    return;
  }
  if (address.kind == PortKind::Usb && address.device.empty()) {
    Require(!address.usbIdentity.empty(), "a USB port without a node has an identity");
    return;
  }
  const std::string& device = address.device;
  Require(device.size() >= 2 && device.front() == '/' && device.find("/../") == std::string::npos &&
              device.find("//") == std::string::npos && !device.ends_with("/.."),
          "a device path is absolute and stays in its folder");
  if (address.kind == PortKind::Serial || address.kind == PortKind::Bluetooth) {
    Require(address.serial.bitLength >= 5 && address.serial.bitLength <= 8 && address.serial.parity >= kParityNone &&
                address.serial.parity <= kParityEven,
            "serial settings are valid");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = fuzzsupport::Folder("ports") + "/Ports.ini";
  fuzzsupport::WriteInput(file, data, size);
  std::vector<PortRecord> records;
  PortRegistry registry(plat::FromUtf8(file));
  if (registry.List(records) == XJC_OK) {
    for (const PortRecord& record : records) {
      CheckAddress(record);
      PortRecord copy = record;
      registry.Find(copy);
    }
  }

  const std::u16string text = plat::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const char16_t* kind : kKinds) {
    auto record = std::make_unique<PortRecord>();
    std::memset(record.get(), 0, sizeof(PortRecord));
    plat::CopyText(record->kind, kind);
    plat::CopyText(record->portName, text);
    if (*kind == u'\0') plat::CopyText(record->path, text);
    if (size >= sizeof record->usbDeviceData) std::memcpy(record->usbDeviceData, data, sizeof record->usbDeviceData);
    CheckAddress(*record);
    record->serialParamsSet = 1;
    record->baudRate = kDefaultBaudRate;
    record->bitLength = size > 0 ? static_cast<std::int32_t>(data[0] % 10) : kDefaultBitLength;
    record->parity = size > 1 ? static_cast<std::int32_t>(data[1] % 4) - 1 : kParityNone;
    CheckAddress(*record);
  }
  std::uint32_t ipv4 = 0;
  std::uint16_t port = 0;
  ParseHostPort(std::string_view(reinterpret_cast<const char*>(data), size), ipv4, port);
  return 0;
}
