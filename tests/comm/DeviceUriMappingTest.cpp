#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/DeviceUriMapping.h"
#include "platform/Text.h"
#include "tests/support/PortRecords.h"
#include "tests/support/TestEnv.h"

namespace {

std::string Field(const char16_t (&text)[260]) { return plat::ToUtf8(plat::FieldText(text)); }

// The kind and port name of the record a URI maps to, "" when it maps to none.
std::string PortOf(const QueueDevice& device) {
  if (device.problem != QueueDeviceProblem::None) return {};
  return Field(device.record.kind) + " " + Field(device.record.portName);
}

QueueDeviceLookup NoDevices() {
  QueueDeviceLookup lookup;
  lookup.sysRoot = testenv::MakeTempDir("sys");
  lookup.resolveHost = [](const std::string& host) -> std::optional<std::uint32_t> {
    if (host == "receipt.example") return 0x7F000105u;  // 127.0.1.5
    return std::nullopt;
  };
  return lookup;
}

}  // namespace

TEST(DeviceUriMapping, EachDirectConnectionBecomesAPortOfItsKind) {
  QueueDeviceLookup lookup = NoDevices();
  PortRecord usb = MakePortRecord({.kind = kPortKindUsb, .portName = u"lp1", .deviceName = u"XJ-K52II",
                                   .path = u"/dev/usb/lp1"});
  usb.usbDeviceData[0] = 'X';
  lookup.usbPrinters = {MakePortRecord({.kind = kPortKindUsb, .portName = u"lp0", .deviceName = u"Other"}), usb};
  ASSERT_TRUE(testenv::WriteFile(lookup.sysRoot + "/class/tty/rfcomm0/address", "00:11:22:33:44:55\n"));
  ASSERT_TRUE(testenv::WriteFile(lookup.sysRoot + "/class/tty/rfcomm3/address", "aa:bb:cc:dd:ee:0f\n"));

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"socket://127.0.0.1:9100", "NET 127.0.0.1"},
      {"socket://127.0.0.1", "NET 127.0.0.1"},
      {"socket://127.0.0.1:40123/?waiteof=false", "NET 127.0.0.1:40123"},
      {"SOCKET://user@10.0.0.7:9101", "NET 10.0.0.7:9101"},
      {"socket://receipt.example:9102", "NET 127.0.1.5:9102"},
      {"serial:/dev/ttyUSB0?baud=115200+bits=7+parity=even+flow=soft", "COM /dev/ttyUSB0"},
      {"serial:///dev/ttyS1", "COM /dev/ttyS1"},
      {"serial:/dev/rfcomm2?baud=9600", "BT /dev/rfcomm2"},
      {"usb://NORVE/XJ-K52II?serial=000123", "USB lp1"},
      {"usb://norve/xj%2Dk52ii", "USB lp1"},
      {"parallel:/dev/lp0", "LPT /dev/lp0"},
      {"bluetooth://AABBCCDDEE0F", "BT /dev/rfcomm3"},
      {"bluetooth://00:11:22:33:44:55", "BT /dev/rfcomm0"},
      {"rfcomm:/dev/rfcomm1", "BT /dev/rfcomm1"},
  };
  for (const auto& [uri, port] : cases) {
    const QueueDevice device = MapDeviceUri(uri, lookup);
    EXPECT_EQ(PortOf(device), port) << uri;
    EXPECT_EQ(device.record.presetA, -1) << uri;
  }

  // The serial settings travel with the record; without options the port's defaults.
  const PortRecord serial = MapDeviceUri(cases[5].first, lookup).record;
  EXPECT_EQ(serial.serialParamsSet, 1);
  EXPECT_EQ(serial.baudRate, 115200);
  EXPECT_EQ(serial.bitLength, 7);
  EXPECT_EQ(serial.parity, 2);
  const PortRecord plain = MapDeviceUri("serial:/dev/ttyS0?parity=odd&baud=19200", lookup).record;
  EXPECT_EQ(plain.baudRate, 19200);
  EXPECT_EQ(plain.bitLength, 8);
  EXPECT_EQ(plain.parity, 1);
  // The USB printer is the library's record itself, so it is found again after its node
  // number changed.
  const PortRecord found = MapDeviceUri(cases[8].first, lookup).record;
  EXPECT_EQ(Field(found.path), "/dev/usb/lp1");
  EXPECT_EQ(found.usbDeviceData[0], 'X');
  EXPECT_EQ(MapDeviceUri("socket://127.0.0.1", lookup).scheme, "socket");
}

TEST(DeviceUriMapping, QueuesThatAreNoPortOfThisComputerSayWhy) {
  const QueueDeviceLookup lookup = NoDevices();
  const std::vector<std::pair<std::string, QueueDeviceProblem>> cases = {
      {"ipp://printserver/printers/receipt", QueueDeviceProblem::PrintServer},
      {"ipps://printserver:631/ipp/print", QueueDeviceProblem::PrintServer},
      {"lpd://10.0.0.9/queue", QueueDeviceProblem::PrintServer},
      {"smb://office/receipt", QueueDeviceProblem::PrintServer},
      {"dnssd://Receipt._ipp._tcp.local/", QueueDeviceProblem::PrintServer},
      {"http://10.0.0.9:631/printers/x", QueueDeviceProblem::PrintServer},
      {"file:/dev/null", QueueDeviceProblem::UnknownDevice},
      {"cups-pdf:/", QueueDeviceProblem::UnknownDevice},
      {"usb://NORVE/XJ-K52II?serial=1", QueueDeviceProblem::NotConnected},
      {"bluetooth://00:11:22:33:44:66", QueueDeviceProblem::NotConnected},
      {"socket://unknown.example", QueueDeviceProblem::NotConnected},
  };
  for (const auto& [uri, problem] : cases) {
    const QueueDevice device = MapDeviceUri(uri, lookup);
    EXPECT_EQ(device.problem, problem) << uri;
    EXPECT_EQ(device.fault, DeviceUriFault::None) << uri;
    EXPECT_EQ(device.record.kind[0], 0) << uri;
  }
  EXPECT_EQ(MapDeviceUri("usb://NORVE/XJ-K52II", lookup).detail, "NORVE XJ-K52II");
  EXPECT_EQ(MapDeviceUri("bluetooth://001122334466", lookup).detail, "00:11:22:33:44:66");
  EXPECT_EQ(MapDeviceUri("IPP://x/y", lookup).scheme, "ipp");
}

TEST(DeviceUriMapping, MalformedUrisAreRefusedWithTheReason) {
  const QueueDeviceLookup lookup = NoDevices();
  const std::vector<std::tuple<std::string, DeviceUriFault, std::string>> cases = {
      {"", DeviceUriFault::NotAUri, ""},
      {"127.0.0.1:9100", DeviceUriFault::NotAUri, ""},
      {":9100", DeviceUriFault::NotAUri, ""},
      {"socket://127.0.0.1 :9100", DeviceUriFault::NotAUri, ""},
      {"socket://a\nb", DeviceUriFault::NotAUri, ""},
      {"socket://" + std::string(2000, 'a'), DeviceUriFault::NotAUri, ""},
      {"socket:127.0.0.1", DeviceUriFault::BadHost, ""},
      {"socket://", DeviceUriFault::BadHost, ""},
      {"socket://1.2.3:9100", DeviceUriFault::BadHost, "1.2.3"},
      {"socket://300.1.1.1", DeviceUriFault::BadHost, "300.1.1.1"},
      {"socket://[::1]:9100", DeviceUriFault::BadHost, ""},
      {"socket://host!name", DeviceUriFault::BadHost, "host!name"},
      {"socket://127.0.0.1:0", DeviceUriFault::BadPort, "0"},
      {"socket://127.0.0.1:65536", DeviceUriFault::BadPort, "65536"},
      {"socket://127.0.0.1:91x", DeviceUriFault::BadPort, "91x"},
      {"serial:", DeviceUriFault::BadDevicePath, ""},
      {"serial:ttyS0", DeviceUriFault::BadDevicePath, "ttyS0"},
      {"serial:/dev/../etc/passwd", DeviceUriFault::BadDevicePath, "/dev/../etc/passwd"},
      {"serial://host/dev/ttyS0", DeviceUriFault::BadDevicePath, "//host/dev/ttyS0"},
      {"parallel:/dev/", DeviceUriFault::BadDevicePath, "/dev/"},
      {"rfcomm:rfcomm0", DeviceUriFault::BadDevicePath, "rfcomm0"},
      {"serial:/dev/ttyS0?baud=12345", DeviceUriFault::BadSerialOption, "baud=12345"},
      {"serial:/dev/ttyS0?baud=fast", DeviceUriFault::BadSerialOption, "baud=fast"},
      {"serial:/dev/ttyS0?bits=9", DeviceUriFault::BadSerialOption, "bits=9"},
      {"serial:/dev/ttyS0?parity=mark", DeviceUriFault::BadSerialOption, "parity=mark"},
      {"serial:/dev/ttyS0?flow=maybe", DeviceUriFault::BadSerialOption, "flow=maybe"},
      {"serial:/dev/ttyS0?stop=2", DeviceUriFault::BadSerialOption, "stop=2"},
      {"bluetooth://00:11:22", DeviceUriFault::BadBluetoothAddress, "00:11:22"},
      {"bluetooth://GG11223344556", DeviceUriFault::BadBluetoothAddress, "GG11223344556"},
      {"usb://NORVE", DeviceUriFault::NoUsbModel, ""},
      {"usb:/dev/usb/lp0", DeviceUriFault::NoUsbModel, ""},
  };
  for (const auto& [uri, fault, detail] : cases) {
    const QueueDevice device = MapDeviceUri(uri, lookup);
    EXPECT_EQ(device.problem, QueueDeviceProblem::Malformed) << uri;
    EXPECT_EQ(device.fault, fault) << uri;
    if (!detail.empty()) {
      EXPECT_EQ(device.detail, detail) << uri;
    }
  }
  // Unknown serial options are the print server's own and do not make a URI invalid.
  EXPECT_EQ(PortOf(MapDeviceUri("serial:/dev/ttyS0?blocksize=512+stop=1", lookup)), "COM /dev/ttyS0");
  EXPECT_EQ(DecodeUriText("a%20b%2x%"), "a b%2x%");
}
