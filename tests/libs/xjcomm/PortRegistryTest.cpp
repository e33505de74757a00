#include "libs/xjcomm/PortRegistry.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include "platform/Profile.h"
#include "platform/Text.h"
#include "tests/support/PortRecords.h"
#include "tests/support/TestEnv.h"

namespace xjcomm {
namespace {

std::u16string RegistryFile() {
  return plat::FromUtf8(testenv::MakeTempDir("registry") + "/a/b/Ports.ini");
}

TEST(PortRegistryTest, EveryFieldSurvivesTheFile) {
  PortRegistry registry(RegistryFile());
  PortRecord r = MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyUSB0"});
  plat::CopyText(r.path, u"  serial:/dev/ttyUSB0  ");      // blanks kept
  plat::CopyText(r.deviceName, u"\"XJ-K52II\"");          // quotes kept
  plat::CopyText(r.deviceInfo, u"XJ-K52II Serial; über = 1");
  r.serialParamsSet = 1;
  r.bitLength = 7;
  r.baudRate = 19200;
  r.parity = 2;
  r.pathGiven = 1;
  r.origin = 3;
  r.usbDeviceData[0] = 0xAB;
  r.usbDeviceData[17] = 0x01;
  ASSERT_EQ(registry.Add(r), XJC_OK);

  std::vector<PortRecord> list;
  ASSERT_EQ(registry.List(list), XJC_OK);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(std::memcmp(&list[0], &r, sizeof(PortRecord)), 0);

  PortRecord query = MakePortRecord({.kind = u"com", .portName = u"/dev/ttyUSB0"});  // kind letter case does not matter
  ASSERT_EQ(registry.Find(query), XJC_OK);
  EXPECT_EQ(std::memcmp(&query, &r, sizeof(PortRecord)), 0);
}

TEST(PortRegistryTest, SamePortIsReplacedOtherPortsAreKept) {
  PortRegistry registry(RegistryFile());
  ASSERT_EQ(registry.Add(MakePortRecord({.kind = u"NET", .portName = u"127.0.0.1"})), XJC_OK);
  ASSERT_EQ(registry.Add(MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS0"})), XJC_OK);
  PortRecord again = MakePortRecord({.kind = u"NET", .portName = u"127.0.0.1"});
  plat::CopyText(again.deviceName, u"XJ-K52II");
  ASSERT_EQ(registry.Add(again), XJC_OK);
  // A different port name (even one naming the same printer) is another entry.
  ASSERT_EQ(registry.Add(MakePortRecord({.kind = u"NET", .portName = u"127.0.0.1:9100"})), XJC_OK);

  std::vector<PortRecord> list;
  registry.List(list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(plat::FieldText(list[0].portName), u"/dev/ttyS0");
  EXPECT_EQ(plat::FieldText(list[1].portName), u"127.0.0.1");
  EXPECT_EQ(plat::FieldText(list[1].deviceName), u"XJ-K52II");

  EXPECT_EQ(registry.Remove(MakePortRecord({.kind = u"NET", .portName = u"127.0.0.1"})), XJC_OK);
  EXPECT_EQ(registry.Remove(MakePortRecord({.kind = u"NET", .portName = u"127.0.0.1"})), XJC_E_NO_PORT);
  PortRecord missing = MakePortRecord({.kind = u"NET", .portName = u"127.0.0.1"});
  EXPECT_EQ(registry.Find(missing), XJC_E_NO_PORT);
  registry.List(list);
  EXPECT_EQ(list.size(), 2u);
}

TEST(PortRegistryTest, UnusableRecordsAreRefused) {
  PortRegistry registry(RegistryFile());
  EXPECT_EQ(registry.Add(MakePortRecord({.portName = u"/dev/ttyS0"})), XJC_E_INVALID_ARG);
  EXPECT_EQ(registry.Add(MakePortRecord({.kind = u"COM", .portName = u""})), XJC_E_INVALID_ARG);
  EXPECT_EQ(registry.Add(MakePortRecord({.kind = u"NET", .portName = u"300.1.1.1"})), XJC_E_INVALID_ARG);
  EXPECT_EQ(registry.Add(MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS0\n[Port9]"})), XJC_E_INVALID_ARG);
  PortRecord r = MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS0"});
  plat::CopyText(r.deviceInfo, u"line1\r\nKind=NET");
  EXPECT_EQ(registry.Add(r), XJC_E_INVALID_ARG);
  std::vector<PortRecord> list;
  registry.List(list);
  EXPECT_TRUE(list.empty());
}

TEST(PortRegistryTest, UnfinishedEntriesAreNeverListed) {
  const std::u16string file = RegistryFile();
  PortRegistry registry(file);
  ASSERT_EQ(registry.Add(MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS0"})), XJC_OK);
  // An entry whose writing stopped before its kind was written.
  ASSERT_TRUE(plat::ProfileWrite(u"Port7", u"PortName", u"\"/dev/ttyS1\"", file));
  std::vector<PortRecord> list;
  registry.List(list);
  ASSERT_EQ(list.size(), 1u);
  ASSERT_EQ(registry.Add(MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS2"})), XJC_OK);
  registry.List(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(plat::FieldText(list[1].portName), u"/dev/ttyS2");
  // The leftover was cleaned away by the change.
  EXPECT_EQ(plat::ProfileString(u"Port7", u"PortName", u"gone", file), u"gone");
}

TEST(PortRegistryTest, WriteFailureIsReportedAndNothingChanges) {
  const std::string dir = testenv::MakeTempDir("blocked");
  ASSERT_TRUE(testenv::WriteFile(dir + "/file", "not a folder"));
  PortRegistry registry(plat::FromUtf8(dir + "/file/Ports.ini"));
  EXPECT_EQ(registry.Add(MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS0"})), XJC_E_STORE);
  std::vector<PortRecord> list;
  EXPECT_EQ(registry.List(list), XJC_OK);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(registry.Remove(MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS0"})), XJC_E_NO_PORT);
}

// True once the kernel lists a waiter blocked on the flock of the file with this inode
// (/proc/locks marks waiters with "->"); false after 20 s (a hang guard).
bool WaiterBlockedOn(ino_t inode) {
  const std::string suffix = ":" + std::to_string(inode);
  for (int attempt = 0; attempt < 2000; ++attempt) {
    std::istringstream locks(testenv::ReadFile("/proc/locks"));
    for (std::string line; std::getline(locks, line);) {
      std::istringstream fields(line);
      std::string number, arrow, kind, device;
      fields >> number >> arrow >> kind;
      if (arrow != "->" || kind != "FLOCK") continue;
      std::string mode, access, pid;
      fields >> mode >> access >> pid >> device;
      if (device.size() > suffix.size() && device.compare(device.size() - suffix.size(), suffix.size(), suffix) == 0)
        return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(PortRegistryTest, AChangeWaitsForAnotherOneAndBuildsOnIt) {
  const std::u16string file = RegistryFile();
  PortRegistry registry(file);
  ASSERT_EQ(registry.Add(MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyS0"})), XJC_OK);

  // Another writer holds the registry's lock, as another process changing it would.
  const std::string lockPath = plat::ToUtf8(file) + ".lock";
  const int holder = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  struct stat info {};
  ASSERT_EQ(::fstat(holder, &info), 0);

  XJC_RESULT added = XJC_E_STORE;
  std::thread change([&] { added = registry.Add(MakePortRecord({.kind = u"NET", .portName = u"127.0.0.1"})); });
  const bool waited = WaiterBlockedOn(info.st_ino);
  // The other writer's entry, written while the change waits.
  ASSERT_TRUE(plat::ProfileWrite(u"Port2", u"PortName", u"\"/dev/ttyS1\"", file));
  ASSERT_TRUE(plat::ProfileWrite(u"Port2", u"Kind", u"\"COM\"", file));
  ::close(holder);
  change.join();

  EXPECT_TRUE(waited);
  EXPECT_EQ(added, XJC_OK);
  std::vector<PortRecord> list;
  registry.List(list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(plat::FieldText(list[1].portName), u"/dev/ttyS1");
  EXPECT_EQ(plat::FieldText(list[2].portName), u"127.0.0.1");
}

TEST(PortRegistryTest, HexRoundTripAndDamage) {
  std::uint8_t block[8] = {0x00, 0xFF, 0x10, 0, 0, 0, 0, 0};
  EXPECT_EQ(PortRegistry::HexEncode(block, sizeof(block)), "00FF10");
  std::uint8_t out[8];
  ASSERT_TRUE(PortRegistry::HexDecode(u"00ff10", out, sizeof(out)));
  EXPECT_EQ(std::memcmp(out, block, sizeof(block)), 0);
  EXPECT_FALSE(PortRegistry::HexDecode(u"0G", out, sizeof(out)));
  EXPECT_FALSE(PortRegistry::HexDecode(u"000", out, sizeof(out)));
  EXPECT_FALSE(PortRegistry::HexDecode(u"000000000000000000", out, sizeof(out)));  // too long
  EXPECT_EQ(out[0], 0);
}

}  // namespace
}  // namespace xjcomm
