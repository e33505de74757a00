#include "comm/PortSettings.h"

#include <algorithm>
#include <cstring>

#include "platform/Text.h"
#include "sdk/AppSettingsBlock.h"

namespace {
constexpr std::uint32_t kAddressPartMax = 255;
constexpr int kAddressParts = 4;
}  // namespace

std::int32_t InterfaceType(int interfaceIndex) {
  switch (interfaceIndex) {
    case kInterfaceSerial: return kIfTypeSerial;
    case kInterfaceParallel: return kIfTypeParallel;
    case kInterfaceUsb: return kIfTypeUsb;
    case kInterfaceEthernet: return kIfTypeEthernet;
    case kInterfaceBluetooth: return kIfTypeBluetooth;
    default: return 0;
  }
}

bool IsInterfaceListed(const std::int32_t (&order)[kInterfaceCount], int interfaceIndex) {
  for (int k = 0; k < kInterfaceCount && order[k] != kInterfaceListEnd; ++k)
    if (order[k] == interfaceIndex) return true;
  return false;
}

std::u16string_view EnumerationKindOf(int interfaceIndex, bool bluetoothListed) {
  switch (interfaceIndex) {
    case kInterfaceSerial: return bluetoothListed ? kPortKindSerial : kPortKindCom;
    case kInterfaceParallel: return kPortKindLpt;
    case kInterfaceUsb: return kPortKindUsb;
    case kInterfaceBluetooth: return kPortKindBt;
    default: return kPortKindNet;
  }
}

bool BuildPortRecord(const PortSettings& settings, PortRecord& record) {
  std::memset(&record, 0, sizeof(PortRecord));
  record.presetA = -1;
  record.presetB = -1;
  plat::CopyText(record.deviceName, settings.modelName);
  switch (settings.type) {
    case kIfTypeSerial:
      record.serialParamsSet = 1;
      record.bitLength = settings.bitLength;
      record.baudRate = settings.baudRate;
      record.parity = settings.parity;
      plat::CopyText(record.kind, kPortKindCom);
      break;
    case kIfTypeParallel:
      plat::CopyText(record.kind, kPortKindLpt);
      break;
    case kIfTypeUsb:
      plat::CopyText(record.kind, kPortKindUsb);
      std::memcpy(record.usbDeviceData, settings.usbDeviceData.data(), sizeof(record.usbDeviceData));
      break;
    case kIfTypeEthernet: {
      const std::uint32_t a = settings.address;
      const std::u16string port =
          plat::FormatIPv4((a >> 24) & 0xFF, (a >> 16) & 0xFF, (a >> 8) & 0xFF, a & 0xFF) + settings.portSuffix;
      plat::CopyText(record.portName, port);
      plat::CopyText(record.kind, kPortKindNet);
      return true;
    }
    case kIfTypeBluetooth:
      plat::CopyText(record.kind, kPortKindBt);
      break;
    default:
      return false;
  }
  plat::CopyText(record.portName, settings.port);
  return true;
}

std::uint32_t ParseDottedAddress(std::u16string_view text, std::u16string_view& rest) {
  std::uint32_t parts[kAddressParts] = {0, 0, 0, 0};
  std::size_t pos = 0;
  rest = {};
  for (int i = 0; i < kAddressParts; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != u'.') break;
      ++pos;
    }
    while (i == 0 && pos < text.size() && text[pos] == u' ') ++pos;
    const std::size_t start = pos;
    std::uint64_t value = 0;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
      value = std::min<std::uint64_t>(value * 10 + (text[pos] - u'0'), 0xFFFFFFFFu);
      ++pos;
    }
    if (pos == start) break;
    parts[i] = static_cast<std::uint32_t>(std::min<std::uint64_t>(value, kAddressPartMax));
    if (i == kAddressParts - 1) rest = text.substr(pos);
  }
  return (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
}

SearchedAddress ParseSearchResult(std::u16string_view text) {
  SearchedAddress found;
  std::u16string_view rest;
  found.address = ParseDottedAddress(text, rest);
  if (!rest.empty() && rest.front() == u':') found.portSuffix.assign(rest);
  return found;
}
