// The library as the program sees it, without a printer: loading, the port registry,
// device enumeration and the answers to bad arguments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "platform/Text.h"
#include "tests/libs/xjcomm/LoadedXJComm.h"
#include "tests/libs/xjcomm/ScriptedPrinter.h"
#include "tests/libs/xjcomm/XJCommTestSupport.h"
#include "tests/support/TestEnv.h"

namespace {

// Every test starts with an empty port registry of its own: the registry lives in the
// common data folder, which each test gets afresh (also when the tests run again).
class XJCommLibraryTest : public testing::Test {
 protected:
  void SetUp() override { setenv("XJ_COMMON_APPDATA", testenv::MakeTempDir("common").c_str(), 1); }
};

std::vector<PortRecord> Enum(LoadedXJComm& x) {
  std::uint32_t count = 0;
  EXPECT_EQ(x.XJC_EnumPort(nullptr, 0, &count, 0), XJC_OK);
  std::vector<PortRecord> records(count);
  std::vector<PortRecord*> pointers;
  for (PortRecord& r : records) pointers.push_back(&r);
  if (count > 0) {
    EXPECT_EQ(x.XJC_EnumPort(pointers.data(), count, &count, 0), XJC_OK);
  }
  records.resize(count);
  return records;
}

TEST_F(XJCommLibraryTest, RegisteredPortsOutliveTheLibrary) {
  {
    LoadedXJComm x;
    ASSERT_TRUE(x.Ok()) << x.Error();
    EXPECT_TRUE(Enum(x).empty());
    PortRecord net = NetPortRecord("127.0.0.1:9100");
    plat::CopyText(net.portName, u"192.168.0.40");
    plat::CopyText(net.deviceInfo, u"XJ-K52II Wi-Fi");
    ASSERT_EQ(x.XJC_AddPort(&net), XJC_OK);
    PortRecord com = ServedPortRecord(u"COM", "/dev/ttyUSB0");
    com.serialParamsSet = 1;
    com.baudRate = 38400;
    com.bitLength = 8;
    com.parity = 0;
    ASSERT_EQ(x.XJC_AddPort(&com), XJC_OK);
    PortRecord bt = ServedPortRecord(u"BT", "/dev/rfcomm0");
    ASSERT_EQ(x.XJC_AddPort(&bt), XJC_OK);
    EXPECT_EQ(x.XJC_RemovePort(&bt), XJC_OK);
    EXPECT_EQ(x.XJC_RemovePort(&bt), XJC_E_NO_PORT);
    EXPECT_EQ(x.XJC_Terminate(), XJC_OK);
  }
  // The registry lives in the common data folder this test process was given.
  const char* common = std::getenv("XJ_COMMON_APPDATA");
  ASSERT_NE(common, nullptr);
  EXPECT_NE(testenv::ReadFile(std::string(common) + "/NORVE/XJComm/Ports.ini").find("192.168.0.40"),
            std::string::npos);

  LoadedXJComm again;
  ASSERT_TRUE(again.Ok());
  const std::vector<PortRecord> ports = Enum(again);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(plat::FieldText(ports[0].kind), u"NET");
  EXPECT_EQ(plat::FieldText(ports[0].portName), u"192.168.0.40");
  EXPECT_EQ(plat::FieldText(ports[0].deviceInfo), u"XJ-K52II Wi-Fi");
  EXPECT_EQ(plat::FieldText(ports[0].deviceName), u"XJ-K52II");
  EXPECT_EQ(ports[0].presetA, -1);
  EXPECT_EQ(plat::FieldText(ports[1].portName), u"/dev/ttyUSB0");
  EXPECT_EQ(ports[1].baudRate, 38400);
  EXPECT_EQ(ports[1].serialParamsSet, 1);

  PortRecord find = ServedPortRecord(u"COM", "/dev/ttyUSB0");
  find.baudRate = 0;
  ASSERT_EQ(again.XJC_FindPort(&find), XJC_OK);
  EXPECT_EQ(find.baudRate, 38400);
  PortRecord unknown = ServedPortRecord(u"COM", "/dev/ttyUSB9");
  EXPECT_EQ(again.XJC_FindPort(&unknown), XJC_E_NO_PORT);
}

TEST_F(XJCommLibraryTest, EnumPortNeverWritesBeyondCapacity) {
  LoadedXJComm x;
  ASSERT_TRUE(x.Ok());
  for (const char* name : {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"}) {
    PortRecord r = ServedPortRecord(u"COM", name);
    ASSERT_EQ(x.XJC_AddPort(&r), XJC_OK);
  }
  std::uint32_t count = 0;
  ASSERT_EQ(x.XJC_EnumPort(nullptr, 0, &count, 1), XJC_OK);
  EXPECT_EQ(count, 3u);
  // A fourth port appears between the two calls: the caller's array still holds three.
  PortRecord late = ServedPortRecord(u"NET", "127.0.0.1");
  ASSERT_EQ(x.XJC_AddPort(&late), XJC_OK);
  auto records = std::make_unique<PortRecord[]>(4);
  PortRecord* pointers[4] = {&records[0], &records[1], &records[2], &records[3]};
  records[3].presetA = 12345;  // a guard the library must not touch
  ASSERT_EQ(x.XJC_EnumPort(pointers, 3, &count, 0), XJC_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(records[3].presetA, 12345);
  EXPECT_EQ(plat::FieldText(records[2].portName), u"/dev/ttyS2");

  EXPECT_EQ(x.XJC_EnumPort(pointers, 4, nullptr, 0), XJC_E_NO_RECORD);
  PortRecord* holes[2] = {&records[0], nullptr};
  EXPECT_EQ(x.XJC_EnumPort(holes, 2, &count, 0), XJC_E_NO_RECORD);
}

TEST_F(XJCommLibraryTest, RegistryThatCannotBeWrittenReportsStore) {
  const std::string blocked = testenv::MakeTempDir("blocked") + "/file";
  ASSERT_TRUE(testenv::WriteFile(blocked, "x"));
  ASSERT_EQ(::setenv("XJ_COMMON_APPDATA", blocked.c_str(), 1), 0);
  LoadedXJComm x;
  ASSERT_TRUE(x.Ok());
  PortRecord r = ServedPortRecord(u"COM", "/dev/ttyS0");
  EXPECT_EQ(x.XJC_AddPort(&r), XJC_E_STORE);
  EXPECT_TRUE(Enum(x).empty());
}

TEST_F(XJCommLibraryTest, BadArgumentsGetClearResults) {
  LoadedXJComm x;
  ASSERT_TRUE(x.Ok());
  EXPECT_EQ(x.XJC_AddPort(nullptr), XJC_E_NO_RECORD);
  EXPECT_EQ(x.XJC_RemovePort(nullptr), XJC_E_NO_RECORD);
  EXPECT_EQ(x.XJC_SetPort(nullptr), XJC_E_NO_RECORD);
  EXPECT_EQ(x.XJC_GetPort(nullptr), XJC_E_NO_RECORD);
  EXPECT_EQ(x.XJC_CommunicationTest(nullptr), XJC_E_NO_RECORD);
  EXPECT_EQ(x.XJC_GetStatus(nullptr), XJC_E_NO_RECORD);
  EXPECT_EQ(x.XJC_RegisterStatusProc(nullptr, nullptr), XJC_E_NO_RECORD);
  EXPECT_EQ(x.XJC_GetCaller(nullptr), XJC_E_NO_RECORD);

  PortRecord empty = ServedPortRecord(u"", "");
  EXPECT_EQ(x.XJC_AddPort(&empty), XJC_E_INVALID_ARG);
  EXPECT_EQ(x.XJC_SetPort(&empty), XJC_E_NO_PORT);
  PortRecord badNet = ServedPortRecord(u"NET", "999.1.1.1");
  EXPECT_EQ(x.XJC_CommunicationTest(&badNet), XJC_E_NO_PORT);
  EXPECT_EQ(plat::FieldText(badNet.deviceName), u"XJ-K52II");  // untouched

  // Nothing selected, nothing open.
  EXPECT_EQ(x.XJC_Open(1), XJC_E_NO_PORT);
  EXPECT_EQ(x.XJC_Open(7), XJC_E_INVALID_ARG);
  PortRecord port{};
  EXPECT_EQ(x.XJC_GetPort(&port), XJC_E_NO_PORT);
  EXPECT_EQ(x.XJC_Initialize(), XJC_E_NOT_OPEN);
  std::int32_t status = -1;
  EXPECT_EQ(x.XJC_GetStatus(&status), XJC_E_NOT_OPEN);
  EXPECT_EQ(status, 2);
  std::int32_t flag = -1;
  EXPECT_EQ(x.XJC_IsSupported(6, &flag), XJC_E_NOT_OPEN);
  EXPECT_EQ(x.XJC_IsEnableCommand(1, 0x0E, 0x30, &flag), XJC_E_NOT_OPEN);
  char buffer[4];
  std::uint32_t done = 7;
  EXPECT_EQ(x.XJC_Read(buffer, sizeof(buffer), &done, 0), XJC_E_NOT_OPEN);
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(x.XJC_Write(buffer, sizeof(buffer), &done, 0), XJC_E_NOT_OPEN);
  EXPECT_EQ(x.XJC_Purge(), XJC_E_NOT_OPEN);
  EXPECT_EQ(x.XJC_Close(), XJC_OK);
  char16_t name[8];
  EXPECT_EQ(x.XJC_GetPortName(name, 8), XJC_E_NO_PORT);

  // A selected port's name, and buffers that are too small.
  PortRecord net = ServedPortRecord(u"NET", "127.0.0.1:9100");
  ASSERT_EQ(x.XJC_SetPort(&net), XJC_OK);
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(x.XJC_GetPortName(small, 4), XJC_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(small[0], u'\0');
  char16_t big[32];
  ASSERT_EQ(x.XJC_GetPortName(big, 32), XJC_OK);
  EXPECT_EQ(std::u16string(big), u"127.0.0.1:9100");
}

TEST_F(XJCommLibraryTest, CallerVersionAndTheEntryPointsWithoutAUseOnThisPlatform) {
  LoadedXJComm x;
  ASSERT_TRUE(x.Ok());
  std::int32_t caller = -1;
  ASSERT_EQ(x.XJC_GetCaller(&caller), XJC_OK);
  EXPECT_EQ(caller, 0);
  ASSERT_EQ(x.XJC_SetCaller(3), XJC_OK);
  ASSERT_EQ(x.XJC_GetCaller(&caller), XJC_OK);
  EXPECT_EQ(caller, 3);
  EXPECT_EQ(x.XJC_SetModelType(0), XJC_OK);
  std::uint32_t version = 0;
  ASSERT_EQ(x.XJC_GetAccessVersion(&version), XJC_OK);
  EXPECT_EQ(version, 0x0001001Eu);
  EXPECT_EQ(x.XJC_GetAccessVersion(nullptr), XJC_E_NO_RECORD);

  // Each says "not supported" and touches nothing it is given.
  PortRecord record = ServedPortRecord(u"COM", "/dev/ttyS0");
  const PortRecord before = record;
  EXPECT_EQ(x.XJC_PortSetting(&record), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
  const std::string file = testenv::MakeTempDir("backup") + "/settings.bak";
  const std::u16string path = plat::FromUtf8(file);
  EXPECT_EQ(x.XJC_Backup(path.c_str()), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(x.XJC_Restore(path.c_str()), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(x.XJC_FileCheck(path.c_str()), XJC_E_NOT_SUPPORTED);
  EXPECT_FALSE(std::filesystem::exists(file));
  std::int32_t flag = 7;
  EXPECT_EQ(x.XJC_SetPortConnector(1), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(x.XJC_IsPortConnectorEnabled(&flag), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(x.XJC_IsWatermarkSupported(&flag), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(flag, 7);
  EXPECT_EQ(x.XJC_RegisterDeviceStateCallback(nullptr, nullptr), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(x.XJC_UnregisterDeviceStateCallback(), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(x.XJC_SetDisableOffOffline(), XJC_E_NOT_SUPPORTED);
  EXPECT_EQ(x.XJC_SetResponseACK(1), XJC_E_NOT_SUPPORTED);
}

TEST_F(XJCommLibraryTest, DeviceEnumerationByKind) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string pty = ::ptsname(master);
  ASSERT_EQ(::setenv("XJCOMM_EXTRA_SERIAL", ("/no/such/device:" + pty).c_str(), 1), 0);

  LoadedXJComm x;
  ASSERT_TRUE(x.Ok());
  std::uint32_t count = 0;
  ASSERT_EQ(x.XJC_EnumDevPort(u"COM", nullptr, 0, &count), XJC_OK);
  ASSERT_GE(count, 1u);
  std::vector<PortRecord> records(count);
  std::vector<PortRecord*> pointers;
  for (PortRecord& r : records) pointers.push_back(&r);
  ASSERT_EQ(x.XJC_EnumDevPort(u"serial", pointers.data(), count, &count), XJC_OK);
  ASSERT_EQ(records.size(), count);
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(records.back().portName)), pty);
  EXPECT_EQ(plat::FieldText(records.back().kind), u"COM");

  for (const char16_t* kind : {u"USB", u"LPT", u"BT"}) {
    EXPECT_EQ(x.XJC_EnumDevPort(kind, nullptr, 0, &count), XJC_OK);
  }
  EXPECT_EQ(x.XJC_EnumDevPort(u"FAX", nullptr, 0, &count), XJC_E_INVALID_ARG);
  EXPECT_EQ(x.XJC_EnumDevPort(nullptr, nullptr, 0, &count), XJC_E_NO_RECORD);
  EXPECT_EQ(x.XJC_EnumDevPort(u"COM", nullptr, 0, nullptr), XJC_E_NO_RECORD);
  ::close(master);
}

TEST_F(XJCommLibraryTest, NetworkSearchRangeMustMakeSense) {
  ASSERT_EQ(::setenv("XJCOMM_NET_SEARCH", "10.0.0.1-10.0.9.9", 1), 0);  // far too many
  LoadedXJComm x;
  ASSERT_TRUE(x.Ok());
  std::uint32_t count = 99;
  EXPECT_EQ(x.XJC_EnumDevPort(u"NET", nullptr, 0, &count), XJC_E_INVALID_ARG);
  ASSERT_EQ(::setenv("XJCOMM_NET_SEARCH", "printer.local", 1), 0);
  EXPECT_EQ(x.XJC_EnumDevPort(u"NET", nullptr, 0, &count), XJC_E_INVALID_ARG);
}

TEST_F(XJCommLibraryTest, SearchRangeFromTheSettingFileBesideTheLibrary) {
  ScriptedPrinter printer([](const Bytes& c) {
    return c == Bytes{0x1D, 0x49, 67} ? Bytes{0x5F, 'X', 'J', '-', 'K', '5', '2', 'I', 'I', 0x00}
                                      : Bytes{};
  });
  // An installation folder of its own: the library and its SETTING.INI.
  const std::string folder = testenv::MakeTempDir("install");
  std::filesystem::copy_file(LoadedXJComm::Path(), folder + "/XJComm.so");
  const std::string range = "127.0.0.1:" + std::to_string(printer.Port());
  ASSERT_TRUE(testenv::WriteFile(folder + "/SETTING.INI",
                                 "[LANGUAGE]\nLANGID=0409\n[IFSetting]\nNetSearchRange=" + range + "\n"));
  ASSERT_EQ(::unsetenv("XJCOMM_NET_SEARCH"), 0);

  LoadedXJComm x((folder + "/XJComm.so").c_str());
  ASSERT_TRUE(x.Ok()) << x.Error();
  PortRecord found{};
  PortRecord* pointers[1] = {&found};
  std::uint32_t count = 0;
  ASSERT_EQ(x.XJC_EnumDevPort(u"NET", pointers, 1, &count), XJC_OK);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(found.portName)), range);

  // The environment, where set, wins over the file.
  ASSERT_EQ(::setenv("XJCOMM_NET_SEARCH", "127.0.0.1:1", 1), 0);
  ASSERT_EQ(x.XJC_EnumDevPort(u"NET", pointers, 1, &count), XJC_OK);
  EXPECT_EQ(count, 0u);
}

TEST_F(XJCommLibraryTest, OpeningAPortNobodyListensOnFails) {
  LoadedXJComm x;
  ASSERT_TRUE(x.Ok());
  // Port 1 on loopback: nothing listens there without privileges.
  PortRecord r = ServedPortRecord(u"NET", "127.0.0.1:1");
  ASSERT_EQ(x.XJC_SetPort(&r), XJC_OK);
  EXPECT_EQ(x.XJC_Open(0), XJC_E_OPEN_FAILED);
  EXPECT_EQ(x.XJC_CommunicationTest(&r), XJC_E_OPEN_FAILED);
  PortRecord missing = ServedPortRecord(u"COM", "/dev/ttyNoSuchPort7");
  EXPECT_EQ(x.XJC_CommunicationTest(&missing), XJC_E_OPEN_FAILED);
}

}  // namespace
