#include "comm/PortSettings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/Text.h"
#include "sdk/AppSettingsBlock.h"

namespace {

PortSettings Entered(int interfaceIndex) {
  PortSettings settings;
  settings.type = InterfaceType(interfaceIndex);
  settings.modelName = u"XJ-K52II";
  settings.port = u"/dev/port0";
  return settings;
}

}  // namespace

TEST(PortSettings, EveryInterfaceBuildsItsRecord) {
  PortRecord record;

  PortSettings serial = Entered(kInterfaceSerial);
  serial.bitLength = 8;
  serial.baudRate = 19200;
  serial.parity = 2;
  ASSERT_TRUE(BuildPortRecord(serial, record));
  EXPECT_EQ(plat::FieldText(record.kind), u"COM");
  EXPECT_EQ(plat::FieldText(record.portName), u"/dev/port0");
  EXPECT_EQ(plat::FieldText(record.deviceName), u"XJ-K52II");
  EXPECT_EQ(record.presetA, -1);
  EXPECT_EQ(record.presetB, -1);
  EXPECT_EQ(record.serialParamsSet, 1);
  EXPECT_EQ(record.bitLength, 8);
  EXPECT_EQ(record.baudRate, 19200);
  EXPECT_EQ(record.parity, 2);

  ASSERT_TRUE(BuildPortRecord(Entered(kInterfaceParallel), record));
  EXPECT_EQ(plat::FieldText(record.kind), u"LPT");
  EXPECT_EQ(record.serialParamsSet, 0);

  PortSettings usb = Entered(kInterfaceUsb);
  usb.usbDeviceData[0] = 0xA3;
  usb.usbDeviceData[259] = 0x5A;
  ASSERT_TRUE(BuildPortRecord(usb, record));
  EXPECT_EQ(plat::FieldText(record.kind), u"USB");
  EXPECT_EQ(record.usbDeviceData[0], 0xA3);
  EXPECT_EQ(record.usbDeviceData[259], 0x5A);

  ASSERT_TRUE(BuildPortRecord(Entered(kInterfaceBluetooth), record));
  EXPECT_EQ(plat::FieldText(record.kind), u"BT");
  EXPECT_EQ(plat::FieldText(record.portName), u"/dev/port0");

  // Ethernet names the address, with the TCP port of a search result when it had one.
  PortSettings net = Entered(kInterfaceEthernet);
  net.address = 0xC0A80A01u;
  ASSERT_TRUE(BuildPortRecord(net, record));
  EXPECT_EQ(plat::FieldText(record.kind), u"NET");
  EXPECT_EQ(plat::FieldText(record.portName), u"192.168.10.1");
  net.portSuffix = u":9101";
  ASSERT_TRUE(BuildPortRecord(net, record));
  EXPECT_EQ(plat::FieldText(record.portName), u"192.168.10.1:9101");

  // No interface: nothing to test, and a clean record.
  EXPECT_FALSE(BuildPortRecord(Entered(-1), record));
  EXPECT_EQ(plat::FieldText(record.kind), u"");
  EXPECT_EQ(plat::FieldText(record.portName), u"");
  EXPECT_EQ(record.presetA, -1);
}

TEST(PortSettings, InterfacesMapToTypesListsAndEnumerationKinds) {
  EXPECT_EQ(InterfaceType(kInterfaceSerial), kIfTypeSerial);
  EXPECT_EQ(InterfaceType(kInterfaceBluetooth), kIfTypeBluetooth);
  EXPECT_EQ(InterfaceType(kInterfaceCount), 0);

  const std::int32_t order[kInterfaceCount] = {kInterfaceEthernet, kInterfaceSerial, kInterfaceListEnd,
                                               kInterfaceBluetooth, kInterfaceUsb};
  EXPECT_TRUE(IsInterfaceListed(order, kInterfaceSerial));
  EXPECT_FALSE(IsInterfaceListed(order, kInterfaceBluetooth)) << "after the end marker";
  EXPECT_FALSE(IsInterfaceListed(order, kInterfaceParallel));

  // Serial ports include Bluetooth serial devices only when Bluetooth is offered too.
  EXPECT_EQ(EnumerationKindOf(kInterfaceSerial, false), u"COM");
  EXPECT_EQ(EnumerationKindOf(kInterfaceSerial, true), u"SERIAL");
  EXPECT_EQ(EnumerationKindOf(kInterfaceParallel, true), u"LPT");
  EXPECT_EQ(EnumerationKindOf(kInterfaceUsb, false), u"USB");
  EXPECT_EQ(EnumerationKindOf(kInterfaceBluetooth, false), u"BT");
  EXPECT_EQ(EnumerationKindOf(kInterfaceEthernet, false), u"NET");
}

TEST(PortSettings, AddressesAreReadLikeScanfWithTheirTcpPort) {
  std::u16string_view rest;
  EXPECT_EQ(ParseDottedAddress(u"  127.0.0.1:9100", rest), 0x7F000001u);
  EXPECT_EQ(rest, u":9100");
  EXPECT_EQ(ParseDottedAddress(u"10.300.7", rest), 0x0AFF0700u) << "parts above 255 are cut, missing ones 0";
  EXPECT_EQ(rest, u"");
  EXPECT_EQ(ParseDottedAddress(u"1.x.3.4", rest), 0x01000000u) << "reading stops at the first unreadable part";
  EXPECT_EQ(ParseDottedAddress(u"", rest), 0u);

  const SearchedAddress plain = ParseSearchResult(u"192.168.0.5");
  EXPECT_EQ(plain.address, 0xC0A80005u);
  EXPECT_EQ(plain.portSuffix, u"");
  const SearchedAddress withPort = ParseSearchResult(u"127.0.0.1:9101");
  EXPECT_EQ(withPort.address, 0x7F000001u);
  EXPECT_EQ(withPort.portSuffix, u":9101");
  EXPECT_EQ(ParseSearchResult(u"127.0.0.1 (XJ-K52II)").portSuffix, u"") << "only a TCP port is kept";
}
