#include "libs/xjcomm/DeviceSearch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "libs/xjcomm/PortAddress.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace xjcomm {
namespace {

namespace fs = std::filesystem;

// A device folder and a system folder of our own, filled by the test.
struct FakeMachine {
  std::string dev = testenv::MakeTempDir("dev");
  std::string sys = testenv::MakeTempDir("sys");

  void Node(const std::string& path) { ASSERT_TRUE(testenv::WriteFile(dev + "/" + path, "")); }
  void SerialType(const std::string& name, const std::string& type) {
    ASSERT_TRUE(testenv::WriteFile(sys + "/class/tty/" + name + "/type", type + "\n"));
  }
  // A USB printer: its interface folder holds the device ID; the class entry links to it.
  std::string UsbPrinter(const std::string& node, const std::string& interfaceName,
                         const std::string& deviceId) {
    const std::string iface = sys + "/devices/usb1/" + interfaceName;
    EXPECT_TRUE(testenv::WriteFile(iface + "/ieee1284_id", deviceId + "\n"));
    fs::create_directories(sys + "/class/usbmisc/" + node);
    fs::create_symlink(iface, sys + "/class/usbmisc/" + node + "/device");
    Node("usb/" + node);
    return fs::canonical(iface).string();
  }
  DeviceSearch Search() const { return DeviceSearch(dev, sys); }
};

std::vector<std::string> PortNames(const std::vector<PortRecord>& records) {
  std::vector<std::string> names;
  for (const PortRecord& r : records) names.push_back(plat::ToUtf8(plat::FieldText(r.portName)));
  return names;
}

TEST(DeviceSearchTest, SerialPortsWithHardwareInNumericOrder) {
  FakeMachine m;
  m.Node("ttyS0");
  m.SerialType("ttyS0", "4");   // a UART
  m.Node("ttyS1");
  m.SerialType("ttyS1", "0");   // no hardware behind it
  m.Node("ttyS2");              // no kernel information at all
  m.Node("ttyUSB10");
  m.Node("ttyUSB2");
  m.Node("ttyACM0");
  m.Node("ttyUSBx");            // not a numbered device
  m.Node("rfcomm0");
  const std::vector<PortRecord> serial = m.Search().SerialPorts(false, {});
  EXPECT_EQ(PortNames(serial),
            (std::vector<std::string>{m.dev + "/ttyS0", m.dev + "/ttyUSB2", m.dev + "/ttyUSB10",
                                      m.dev + "/ttyACM0"}));
  for (const PortRecord& r : serial) EXPECT_EQ(plat::FieldText(r.kind), u"COM");
  EXPECT_EQ(plat::FieldText(serial[1].deviceInfo), u"USB serial adapter");

  const std::vector<PortRecord> withBt = m.Search().SerialPorts(true, {});
  ASSERT_EQ(withBt.size(), 5u);
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(withBt[4].portName)), m.dev + "/rfcomm0");
  const std::vector<PortRecord> bt = m.Search().BluetoothPorts();
  ASSERT_EQ(bt.size(), 1u);
  EXPECT_EQ(plat::FieldText(bt[0].kind), u"BT");
}

TEST(DeviceSearchTest, ExtraPathsMustBeCharacterDevices) {
  FakeMachine m;
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string pty = ::ptsname(master);
  m.Node("plainfile");
  const std::vector<PortRecord> serial = m.Search().SerialPorts(
      false, DeviceSearch::SplitPathList(" " + pty + " ::" + m.dev + "/plainfile:relative:" + pty));
  ::close(master);
  EXPECT_EQ(PortNames(serial), std::vector<std::string>{pty});
}

TEST(DeviceSearchTest, UsbPrintersCarryModelAndIdentity) {
  FakeMachine m;
  const std::string identity =
      m.UsbPrinter("lp0", "1-2:1.0", "MFG:NORVE;CMD:XJ;MDL:XJ-K52II;CLS:PRINTER;");
  m.UsbPrinter("lp1", "1-3:1.0", "MANUFACTURER:Other;model:Label 9;");
  const std::vector<PortRecord> usb = m.Search().UsbPrinters();
  ASSERT_EQ(usb.size(), 2u);
  EXPECT_EQ(plat::FieldText(usb[0].kind), u"USB");
  EXPECT_EQ(plat::FieldText(usb[0].portName), u"lp0");
  EXPECT_EQ(plat::FieldText(usb[0].deviceName), u"XJ-K52II");
  EXPECT_EQ(plat::FieldText(usb[0].deviceInfo), u"XJ-K52II USB");
  EXPECT_EQ(UsbIdentityFromBlock(usb[0].usbDeviceData), identity);
  EXPECT_EQ(plat::FieldText(usb[1].deviceName), u"Label 9");

  // The printer comes back under another node number: its identity still finds it.
  fs::remove(m.sys + "/class/usbmisc/lp0/device");
  fs::remove(m.dev + "/usb/lp0");
  fs::create_directories(m.sys + "/class/usbmisc/lp4");
  fs::create_symlink(identity, m.sys + "/class/usbmisc/lp4/device");
  EXPECT_EQ(m.Search().FindUsbNode(identity), m.dev + "/usb/lp4");
  EXPECT_EQ(m.Search().FindUsbNode("/nowhere"), "");
  EXPECT_EQ(m.Search().FindUsbNode(""), "");
}

TEST(DeviceSearchTest, ParallelPortsAndEmptyMachine) {
  FakeMachine m;
  EXPECT_TRUE(m.Search().ParallelPorts().empty());
  EXPECT_TRUE(m.Search().UsbPrinters().empty());
  m.Node("lp1");
  m.Node("lp0");
  m.Node("lpx");
  EXPECT_EQ(PortNames(m.Search().ParallelPorts()),
            (std::vector<std::string>{m.dev + "/lp0", m.dev + "/lp1"}));
  EXPECT_TRUE(DeviceSearch("/nonexistent-dev", "/nonexistent-sys").SerialPorts(true, {}).empty());
}

TEST(DeviceSearchTest, DeviceIdFields) {
  EXPECT_EQ(DeviceSearch::DeviceIdField("MFG:NORVE;MDL: XJ-K52II ;", "MDL"), "XJ-K52II");
  EXPECT_EQ(DeviceSearch::DeviceIdField("mfg:NORVE;mdl:A", "MDL"), "A");
  EXPECT_EQ(DeviceSearch::DeviceIdField("MFG:NORVE", "MDL"), "");
  EXPECT_EQ(DeviceSearch::DeviceIdField("", "MDL"), "");
}

}  // namespace
}  // namespace xjcomm
