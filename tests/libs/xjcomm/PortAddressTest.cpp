#include "libs/xjcomm/PortAddress.h"

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "tests/support/PortRecords.h"

namespace xjcomm {
namespace {

TEST(PortAddressTest, NetworkRecordsWithAndWithoutPort) {
  PortAddress a;
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"NET", .portName = u"192.168.1.20"}), a), XJC_OK);
  EXPECT_EQ(a.kind, PortKind::Net);
  EXPECT_EQ(a.ipv4, 0xC0A80114u);
  EXPECT_EQ(a.tcpPort, kRawPrintingPort);
  EXPECT_EQ(a.Identity(), "NET-192.168.1.20-9100");
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"net", .portName = u"127.0.0.1:40123"}), a), XJC_OK);
  EXPECT_EQ(a.tcpPort, 40123);
  EXPECT_EQ(NetPortName(a.ipv4, a.tcpPort), "127.0.0.1:40123");
  EXPECT_EQ(NetPortName(a.ipv4, kRawPrintingPort), "127.0.0.1");

  for (const char16_t* bad : {u"", u"192.168.1", u"192.168.1.256", u"1.2.3.4.5", u"a.b.c.d",
                              u"1.2.3.4:0", u"1.2.3.4:70000", u"1.2.3.4:", u" 1.2.3.4x"}) {
    EXPECT_EQ(ParsePortRecord(MakePortRecord({.kind = u"NET", .portName = bad}), a), XJC_E_NO_PORT) << plat::ToUtf8(bad);
  }
}

TEST(PortAddressTest, SerialNamesBecomeDevicePaths) {
  PortAddress a;
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyUSB0"}), a), XJC_OK);
  EXPECT_EQ(a.device, "/dev/ttyUSB0");
  EXPECT_EQ(a.serial.baudRate, kDefaultBaudRate);
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"COM", .portName = u"ttyACM1"}), a), XJC_OK);
  EXPECT_EQ(a.device, "/dev/ttyACM1");
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"COM", .portName = u"COM3"}), a), XJC_OK);
  EXPECT_EQ(a.device, "/dev/ttyS2");
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"BT", .portName = u"/dev/rfcomm0"}), a), XJC_OK);
  EXPECT_EQ(a.kind, PortKind::Bluetooth);
  // Bluetooth serial and plain serial name the same device the same way (one lock).
  PortAddress b;
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"SERIAL", .portName = u"/dev/rfcomm0"}), b), XJC_OK);
  EXPECT_EQ(a.Identity(), b.Identity());

  EXPECT_EQ(ParsePortRecord(MakePortRecord({.kind = u"COM", .portName = u"/dev/../etc/passwd"}), a), XJC_E_NO_PORT);
  EXPECT_EQ(ParsePortRecord(MakePortRecord({.kind = u"COM", .portName = u""}), a), XJC_E_NO_PORT);
  EXPECT_EQ(ParsePortRecord(MakePortRecord({.kind = u"COM", .portName = u"/dev/tty\nS0"}), a), XJC_E_NO_PORT);
}

TEST(PortAddressTest, SerialSettingsComeFromTheRecordAndAreChecked) {
  PortRecord r = MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS0"});
  r.serialParamsSet = 1;
  r.baudRate = 115200;
  r.bitLength = 7;
  r.parity = kParityEven;
  PortAddress a;
  ASSERT_EQ(ParsePortRecord(r, a), XJC_OK);
  EXPECT_EQ(a.serial.baudRate, 115200);
  EXPECT_EQ(a.serial.bitLength, 7);
  EXPECT_EQ(a.serial.parity, kParityEven);

  r.baudRate = 12345;
  EXPECT_EQ(ParsePortRecord(r, a), XJC_E_INVALID_ARG);
  r.baudRate = 9600;
  r.bitLength = 9;
  EXPECT_EQ(ParsePortRecord(r, a), XJC_E_INVALID_ARG);
  r.bitLength = 8;
  r.parity = 5;
  EXPECT_EQ(ParsePortRecord(r, a), XJC_E_INVALID_ARG);
  // Without serialParamsSet the fields are not looked at.
  r.serialParamsSet = 0;
  EXPECT_EQ(ParsePortRecord(r, a), XJC_OK);
  EXPECT_EQ(a.serial.parity, kParityNone);
}

TEST(PortAddressTest, UsbAndParallelRecords) {
  PortAddress a;
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"USB", .portName = u"lp0"}), a), XJC_OK);
  EXPECT_EQ(a.device, "/dev/usb/lp0");
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"USB", .portName = u"USB-lp1"}), a), XJC_OK);
  EXPECT_EQ(a.device, "/dev/usb/lp1");
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.kind = u"LPT", .portName = u"lp0"}), a), XJC_OK);
  EXPECT_EQ(a.kind, PortKind::Parallel);
  EXPECT_EQ(a.device, "/dev/lp0");

  PortRecord r = MakePortRecord({.kind = u"USB", .portName = u""});
  EXPECT_EQ(ParsePortRecord(r, a), XJC_E_NO_PORT);
  UsbIdentityToBlock("/sys/devices/pci0000:00/usb1/1-2/1-2:1.0", r.usbDeviceData);
  ASSERT_EQ(ParsePortRecord(r, a), XJC_OK);
  EXPECT_EQ(a.usbIdentity, "/sys/devices/pci0000:00/usb1/1-2/1-2:1.0");
  EXPECT_TRUE(a.device.empty());
  EXPECT_EQ(UsbIdentityFromBlock(PortRecord{}.usbDeviceData), "");
}

TEST(PortAddressTest, ConnectionPathsOfRecordsWithoutKind) {
  PortAddress a;
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.path = u"tcp://127.0.0.1:9200/XJ-K52II"}), a), XJC_OK);
  EXPECT_EQ(a.kind, PortKind::Net);
  EXPECT_EQ(a.tcpPort, 9200);
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.portName = u"socket://10.0.0.7"}), a), XJC_OK);  // portName as path
  EXPECT_EQ(a.ipv4, 0x0A000007u);
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.path = u"serial:/dev/ttyS1?baud=38400+bits=7+parity=odd"}), a),
            XJC_OK);
  EXPECT_EQ(a.device, "/dev/ttyS1");
  EXPECT_EQ(a.serial.baudRate, 38400);
  EXPECT_EQ(a.serial.bitLength, 7);
  EXPECT_EQ(a.serial.parity, kParityOdd);
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.path = u"usb:///dev/usb/lp2"}), a), XJC_OK);
  EXPECT_EQ(a.kind, PortKind::Usb);
  EXPECT_EQ(a.device, "/dev/usb/lp2");
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.path = u"/dev/lp1"}), a), XJC_OK);
  EXPECT_EQ(a.kind, PortKind::Parallel);
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.path = u"/dev/rfcomm3"}), a), XJC_OK);
  EXPECT_EQ(a.kind, PortKind::Bluetooth);
  ASSERT_EQ(ParsePortRecord(MakePortRecord({.path = u"127.0.0.1:9101"}), a), XJC_OK);
  EXPECT_EQ(a.tcpPort, 9101);

  EXPECT_EQ(ParsePortRecord(MakePortRecord({.path = u"pipe://xj/zldprt001"}), a), XJC_E_NO_PORT);
  EXPECT_EQ(ParsePortRecord(MakePortRecord({.path = u"usb://Maker/Model?serial=1"}), a), XJC_E_NO_PORT);
  EXPECT_EQ(ParsePortRecord(MakePortRecord({.path = u"serial:/dev/ttyS1?parity=mark"}), a),
            XJC_E_INVALID_ARG);
  EXPECT_EQ(ParsePortRecord(MakePortRecord({.portName = u""}), a), XJC_E_NO_PORT);
  EXPECT_EQ(ParsePortRecord(MakePortRecord({.kind = u"FAX", .portName = u"/dev/ttyS0"}), a), XJC_E_NO_PORT);
}

}  // namespace
}  // namespace xjcomm
