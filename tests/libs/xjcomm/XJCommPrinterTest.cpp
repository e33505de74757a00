// The library talking to the printer simulator over TCP and over a pseudo-terminal, loaded
// and called the way the program does it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/Text.h"
#include "tests/libs/xjcomm/LoadedXJComm.h"
#include "tests/libs/xjcomm/XJCommTestSupport.h"
#include "tests/support/SimProcess.h"

namespace {

class XJCommPrinterTest : public ::testing::Test {
 protected:
  void StartSim(SimProcess::Options options = {}) {
    sim_ = std::make_unique<SimProcess>(options);
    ASSERT_TRUE(sim_->Start());
  }
  void Control(const std::string& command) {
    const std::string reply = sim_->Control(command);
    ASSERT_EQ(reply.rfind("ok", 0), 0u) << command << ": " << reply;
  }
  // The open sequence of the program: select, read back, open with check, initialise.
  XJC_RESULT OpenSequence(PortRecord& record) {
    XJC_RESULT rc = x_.XJC_SetPort(&record);
    if (rc == XJC_OK) rc = x_.XJC_GetPort(&record);
    if (rc == XJC_OK) rc = x_.XJC_Open(1);
    if (rc == XJC_OK) rc = x_.XJC_Initialize();
    return rc;
  }
  // Starts the simulator and opens its network port (port_) as the program does.
  void OpenSimulator() {
    ASSERT_TRUE(x_.Ok()) << x_.Error();
    StartSim();
    port_ = NetPortRecord(sim_->TcpEndpoint());
    ASSERT_EQ(OpenSequence(port_), XJC_OK);
  }
  // Registers recorder as the status procedure and waits for its first report (online).
  void WatchStatus(ProcRecorder& recorder) {
    ASSERT_EQ(x_.XJC_RegisterStatusProc(&ProcRecorder::Proc, &recorder), XJC_OK);
    ASSERT_TRUE(recorder.WaitForLast(0));
  }
  void TearDown() override {
    if (x_.Ok()) x_.XJC_Terminate();
  }

  LoadedXJComm x_;
  std::unique_ptr<SimProcess> sim_;
  PortRecord port_{};
  // The procedures' recorders belong to the fixture: the library's monitor may still
  // call them until TearDown has terminated it.
  ProcRecorder status_;
  ProcRecorder battery_;
};

TEST_F(XJCommPrinterTest, CommunicationTestReadsTheModelOverTcp) {
  ASSERT_TRUE(x_.Ok()) << x_.Error();
  StartSim();
  PortRecord r = NetPortRecord(sim_->TcpEndpoint());
  plat::CopyText(r.deviceName, u"");
  ASSERT_EQ(x_.XJC_CommunicationTest(&r), XJC_OK);
  EXPECT_EQ(plat::FieldText(r.deviceName), u"XJ-K52II");
  EXPECT_EQ(plat::FieldText(r.deviceInfo), u"XJ-K52II Ethernet");

  // A connection path names the same printer.
  PortRecord byPath{};
  plat::CopyText(byPath.path, plat::FromUtf8("tcp://127.0.0.1:" + std::to_string(sim_->TcpPort()) + "/XJ"));
  byPath.pathGiven = 1;
  ASSERT_EQ(x_.XJC_CommunicationTest(&byPath), XJC_OK);
  EXPECT_EQ(plat::FieldText(byPath.deviceName), u"XJ-K52II");
}

TEST_F(XJCommPrinterTest, AnotherModelAnswersWithItsOwnName) {
  ASSERT_TRUE(x_.Ok());
  SimProcess::Options o;
  o.model = "XJ-T90";
  o.deviceId = 40;
  StartSim(o);
  PortRecord r = NetPortRecord(sim_->TcpEndpoint());
  ASSERT_EQ(x_.XJC_CommunicationTest(&r), XJC_OK);
  EXPECT_EQ(plat::FieldText(r.deviceName), u"XJ-T90");
  ASSERT_EQ(OpenSequence(r), XJC_OK);
  std::int32_t flag = -1;
  ASSERT_EQ(x_.XJC_IsSupported(6, &flag), XJC_OK);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(x_.XJC_IsEnableCommand(1, 0x0E, 0x30, &flag), XJC_OK);
  EXPECT_EQ(flag, 0);
}

TEST_F(XJCommPrinterTest, OpenSequenceAndPrinterQueries) {
  ASSERT_TRUE(x_.Ok());
  SimProcess::Options o;
  o.extraArgs = {"--serial", "K52-000123", "--firmware", "1.07 XJ"};
  StartSim(o);
  PortRecord stored = NetPortRecord(sim_->TcpEndpoint());
  plat::CopyText(stored.deviceInfo, u"XJ-K52II Wi-Fi");
  ASSERT_EQ(x_.XJC_AddPort(&stored), XJC_OK);

  PortRecord r = NetPortRecord(sim_->TcpEndpoint());  // as the program builds it: no deviceInfo
  ASSERT_EQ(OpenSequence(r), XJC_OK);
  EXPECT_EQ(plat::FieldText(r.deviceInfo), u"XJ-K52II Wi-Fi");  // completed from the registry
  std::int32_t flag = -1;
  ASSERT_EQ(x_.XJC_IsSupported(6, &flag), XJC_OK);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(x_.XJC_IsEnableCommand(1, 0x0E, 0x30, &flag), XJC_OK);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(x_.XJC_IsEnableCommand(1, 0x0E, 0x52, &flag), XJC_OK);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(x_.XJC_IsEnableCommand(1, 0x0E, 0x31, &flag), XJC_OK);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(x_.XJC_IsARPSupported(&flag), XJC_OK);
  EXPECT_EQ(flag, 1);
  std::int32_t status = -1;
  ASSERT_EQ(x_.XJC_GetStatus(&status), XJC_OK);
  EXPECT_EQ(status, 0);

  char16_t text[64];
  ASSERT_EQ(x_.XJC_GetDeviceName(text, 64), XJC_OK);
  EXPECT_EQ(std::u16string(text), u"XJ-K52II");
  ASSERT_EQ(x_.XJC_GetSerialNumber(text, 64), XJC_OK);
  EXPECT_EQ(std::u16string(text), u"K52-000123");
  ASSERT_EQ(x_.XJC_GetFirmVersion(text, 64), XJC_OK);
  EXPECT_EQ(std::u16string(text), u"1.07 XJ");
  EXPECT_EQ(x_.XJC_GetDeviceName(text, 5), XJC_E_BUFFER_TOO_SMALL);

  // The communication test of the open port goes over the open connection.
  PortRecord again = NetPortRecord(sim_->TcpEndpoint());
  ASSERT_EQ(x_.XJC_CommunicationTest(&again), XJC_OK);
  ASSERT_EQ(x_.XJC_ReopenPort(), XJC_OK);
  ASSERT_EQ(x_.XJC_GetStatus(&status), XJC_OK);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(x_.XJC_Close(), XJC_OK);
  EXPECT_EQ(x_.XJC_GetStatus(&status), XJC_E_NOT_OPEN);
}

TEST_F(XJCommPrinterTest, RawTrafficHidesAutomaticStatus) {
  ASSERT_TRUE(x_.Ok());
  StartSim();
  PortRecord r = NetPortRecord(sim_->TcpEndpoint());
  ASSERT_EQ(OpenSequence(r), XJC_OK);  // automatic status on: blocks come on every change
  Control("paper near-end");
  const std::uint8_t request[] = {0x1D, 0x49, 66};  // maker name
  std::uint32_t done = 0;
  ASSERT_EQ(x_.XJC_Write(request, sizeof(request), &done, 2000), XJC_OK);
  EXPECT_EQ(done, 3u);
  Control("paper ok");
  std::string got;
  while (got.empty() || got.back() != '\0') {
    char buffer[4];
    ASSERT_EQ(x_.XJC_Read(buffer, sizeof(buffer), &done, 5000), XJC_OK);
    got.append(buffer, done);
  }
  EXPECT_EQ(got, std::string("\x5F" "NORVE", 6) + std::string(1, '\0'));
  ASSERT_EQ(x_.XJC_Purge(), XJC_OK);
  ASSERT_EQ(x_.XJC_Reset(), XJC_OK);
  ASSERT_EQ(x_.XJC_RecoverySending(), XJC_OK);
  ASSERT_EQ(x_.XJC_SetFlowCtrlForced(1), XJC_OK);
  ASSERT_EQ(x_.XJC_Write(request, sizeof(request), &done, 0), XJC_OK);
}

TEST_F(XJCommPrinterTest, NetworkSearchFindsTheSimulatorOnLoopbackOnly) {
  ASSERT_TRUE(x_.Ok());
  StartSim();
  const std::string range = "127.0.0.1:" + std::to_string(sim_->TcpPort());
  ASSERT_EQ(::setenv("XJCOMM_NET_SEARCH", range.c_str(), 1), 0);
  std::uint32_t count = 0;
  ASSERT_EQ(x_.XJC_EnumDevPort(u"NET", nullptr, 0, &count), XJC_OK);
  ASSERT_EQ(count, 1u);
  PortRecord found{};
  PortRecord* pointers[1] = {&found};
  ASSERT_EQ(x_.XJC_EnumDevPort(u"NET", pointers, 1, &count), XJC_OK);
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(found.portName)), range);
  EXPECT_EQ(plat::FieldText(found.kind), u"NET");
  EXPECT_EQ(plat::FieldText(found.deviceName), u"XJ-K52II");
  EXPECT_EQ(plat::FieldText(found.deviceInfo), u"XJ-K52II Ethernet");
  // What the search found opens and answers.
  ASSERT_EQ(x_.XJC_CommunicationTest(&found), XJC_OK);
}

TEST_F(XJCommPrinterTest, PseudoTerminalIsListedAndTalkedTo) {
  ASSERT_TRUE(x_.Ok());
  SimProcess::Options o;
  o.tcp = false;
  o.pty = true;
  StartSim(o);
  ASSERT_EQ(::setenv("XJCOMM_EXTRA_SERIAL", sim_->PtyPath().c_str(), 1), 0);
  std::uint32_t count = 0;
  ASSERT_EQ(x_.XJC_EnumDevPort(u"COM", nullptr, 0, &count), XJC_OK);
  std::vector<PortRecord> records(count);
  std::vector<PortRecord*> pointers;
  for (PortRecord& r : records) pointers.push_back(&r);
  ASSERT_EQ(x_.XJC_EnumDevPort(u"COM", pointers.data(), count, &count), XJC_OK);
  ASSERT_FALSE(records.empty());
  PortRecord pty = records.back();
  ASSERT_EQ(plat::ToUtf8(plat::FieldText(pty.portName)), sim_->PtyPath());

  // As the port setting dialog builds it.
  PortRecord r = ServedPortRecord(u"COM", sim_->PtyPath());
  r.serialParamsSet = 1;
  r.baudRate = 115200;
  r.bitLength = 8;
  r.parity = 0;
  ASSERT_EQ(x_.XJC_CommunicationTest(&r), XJC_OK);
  EXPECT_EQ(plat::FieldText(r.deviceName), u"XJ-K52II");
  EXPECT_EQ(plat::FieldText(r.deviceInfo), u"XJ-K52II Serial");
  ASSERT_EQ(x_.XJC_AddPort(&r), XJC_OK);
  ASSERT_EQ(OpenSequence(r), XJC_OK);
  ProcRecorder& status = status_;
  ASSERT_NO_FATAL_FAILURE(WatchStatus(status));
  Control("cover open");
  EXPECT_TRUE(status.WaitForLast(6));
}

TEST_F(XJCommPrinterTest, SecondProcessGetsInUse) {
  ASSERT_TRUE(x_.Ok());
  StartSim();
  PortRecord r = NetPortRecord(sim_->TcpEndpoint());
  int toParent[2], toChild[2];
  ASSERT_EQ(::pipe(toParent), 0);
  ASSERT_EQ(::pipe(toChild), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The other copy of the program: opens the port and holds it until told to go.
    char result = x_.XJC_SetPort(&r) == XJC_OK && x_.XJC_Open(1) == XJC_OK ? 'y' : 'n';
    (void)!::write(toParent[1], &result, 1);
    char go;
    (void)!::read(toChild[0], &go, 1);
    ::_exit(0);
  }
  char opened = 0;
  ASSERT_EQ(::read(toParent[0], &opened, 1), 1);
  ASSERT_EQ(opened, 'y');

  ASSERT_EQ(x_.XJC_SetPort(&r), XJC_OK);
  EXPECT_EQ(x_.XJC_Open(1), XJC_E_IN_USE);
  PortRecord test = NetPortRecord(sim_->TcpEndpoint());
  EXPECT_EQ(x_.XJC_CommunicationTest(&test), XJC_E_IN_USE);

  const char go = 'g';
  ASSERT_EQ(::write(toChild[1], &go, 1), 1);
  int wstatus = 0;
  ASSERT_EQ(::waitpid(child, &wstatus, 0), child);
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
  // The lock went with the other process.
  EXPECT_EQ(x_.XJC_Open(1), XJC_OK);
}

TEST_F(XJCommPrinterTest, StatusProcedureFollowsThePrinter) {
  ASSERT_NO_FATAL_FAILURE(OpenSimulator());
  ProcRecorder& status = status_;
  ASSERT_NO_FATAL_FAILURE(WatchStatus(status));
  Control("cover open");
  ASSERT_TRUE(status.WaitForLast(6));
  std::int32_t current = -1;
  ASSERT_EQ(x_.XJC_GetStatus(&current), XJC_OK);
  EXPECT_EQ(current, 6);
  Control("cover closed");
  ASSERT_TRUE(status.WaitForLast(0));
  Control("paper end");
  ASSERT_TRUE(status.WaitForLast(7));
  Control("paper ok");
  ASSERT_TRUE(status.WaitForLast(0));
  Control("cutter error");
  ASSERT_TRUE(status.WaitForLast(9));
  Control("fatal on");
  ASSERT_TRUE(status.WaitForLast(3));  // fatal outranks the cutter
  Control("fatal off");
  Control("cutter ok");
  ASSERT_TRUE(status.WaitForLast(0));
  Control("paper near-end");
  ASSERT_TRUE(status.WaitForLast(18));
  // Only changes are reported: no two equal codes in a row.
  const std::vector<std::uint32_t> values = status.Values();
  for (std::size_t i = 1; i < values.size(); ++i) EXPECT_NE(values[i], values[i - 1]) << i;
  ASSERT_EQ(x_.XJC_UnregisterStatusProc(), XJC_OK);
}

TEST_F(XJCommPrinterTest, BatteryProcedureFollowsLevelAndSource) {
  ASSERT_NO_FATAL_FAILURE(OpenSimulator());
  ProcRecorder& battery = battery_;
  ProcRecorder& status = status_;
  ASSERT_EQ(x_.XJC_RegisterBatStatusProc(&ProcRecorder::Proc, &battery), XJC_OK);
  ASSERT_EQ(x_.XJC_RegisterStatusProc(&ProcRecorder::Proc, &status), XJC_OK);
  ASSERT_TRUE(battery.WaitForLast(0x3630));  // full, on the adapter
  Control("power battery");
  ASSERT_TRUE(battery.WaitForLast(0x3631));
  Control("battery 2");
  ASSERT_TRUE(battery.WaitForLast(0x3231));
  Control("battery 0");
  ASSERT_TRUE(battery.WaitForLast(0x3031));
  ASSERT_TRUE(status.WaitForLast(16));  // offline for the empty battery
  Control("power ac");
  ASSERT_TRUE(battery.WaitForLast(0x3030));
  ASSERT_TRUE(status.WaitForLast(0));
}

TEST_F(XJCommPrinterTest, SilentPrinterGivesCannotGetStatusWithoutHanging) {
  ASSERT_NO_FATAL_FAILURE(OpenSimulator());
  Control("silent on");
  std::int32_t current = -1;
  ASSERT_EQ(x_.XJC_GetStatus(&current), XJC_OK);  // no monitor: asked now
  EXPECT_EQ(current, 2);
  PortRecord test = NetPortRecord(sim_->TcpEndpoint());
  EXPECT_EQ(x_.XJC_CommunicationTest(&test), XJC_E_TIMEOUT);
  std::int32_t flag = 0;
  EXPECT_EQ(x_.XJC_Initialize(), XJC_E_TIMEOUT);
  char16_t text[32];
  EXPECT_EQ(x_.XJC_GetSerialNumber(text, 32), XJC_E_TIMEOUT);
  char buffer[8];
  std::uint32_t done = 0;
  EXPECT_EQ(x_.XJC_Read(buffer, sizeof(buffer), &done, 200), XJC_E_TIMEOUT);

  ProcRecorder& status = status_;
  ASSERT_EQ(x_.XJC_RegisterStatusProc(&ProcRecorder::Proc, &status), XJC_OK);
  ASSERT_TRUE(status.WaitForLast(2));
  Control("silent off");
  ASSERT_TRUE(status.WaitForLast(0));
  EXPECT_EQ(x_.XJC_IsSupported(6, &flag), XJC_OK);
  EXPECT_EQ(flag, 1);
}

TEST_F(XJCommPrinterTest, GarbageNeverBreaksTheLibrary) {
  ASSERT_NO_FATAL_FAILURE(OpenSimulator());
  ProcRecorder& status = status_;
  ProcRecorder& battery = battery_;
  ASSERT_EQ(x_.XJC_RegisterStatusProc(&ProcRecorder::Proc, &status), XJC_OK);
  ASSERT_EQ(x_.XJC_RegisterBatStatusProc(&ProcRecorder::Proc, &battery), XJC_OK);
  ASSERT_TRUE(status.WaitForLast(0));
  Control("garbage on");
  const std::size_t before = status.Values().size();
  PortRecord test = NetPortRecord(sim_->TcpEndpoint());
  EXPECT_EQ(x_.XJC_CommunicationTest(&test), XJC_E_BAD_REPLY);
  std::int32_t current = -1;
  x_.XJC_GetStatus(&current);
  char16_t text[32];
  x_.XJC_GetFirmVersion(text, 32);
  char buffer[64];
  std::uint32_t done = 0;
  x_.XJC_Read(buffer, sizeof(buffer), &done, 100);
  ASSERT_TRUE(status.WaitForCount(before + 1));  // whatever it made of the noise
  Control("garbage off");
  ASSERT_TRUE(status.WaitForLast(0));
  ASSERT_EQ(x_.XJC_CommunicationTest(&test), XJC_OK);
  EXPECT_EQ(plat::FieldText(test.deviceName), u"XJ-K52II");
}

TEST_F(XJCommPrinterTest, DroppedConnectionComesBack) {
  ASSERT_NO_FATAL_FAILURE(OpenSimulator());
  ProcRecorder& status = status_;
  ASSERT_NO_FATAL_FAILURE(WatchStatus(status));
  Control("drop");
  Control("cover open");
  // The monitor connects again and sees the open cover (automatic status back is on
  // again on the new connection, or the next poll finds it).
  ASSERT_TRUE(status.WaitForLast(6));
}

TEST_F(XJCommPrinterTest, UnregisteringStopsCallsAndTerminateLeavesNoThread) {
  ASSERT_TRUE(x_.Ok());
  StartSim();
  const int threadsBefore = ThreadCount();
  PortRecord r = NetPortRecord(sim_->TcpEndpoint());
  ASSERT_EQ(OpenSequence(r), XJC_OK);

  // A procedure that unregisters itself from inside its first call.
  ProcRecorder self;
  self.onCall = [this](std::uint32_t) { EXPECT_EQ(x_.XJC_UnregisterStatusProc(), XJC_OK); };
  ASSERT_EQ(x_.XJC_RegisterStatusProc(&ProcRecorder::Proc, &self), XJC_OK);
  ASSERT_TRUE(self.WaitForCount(1));

  // From another thread: once Unregister returns, no call starts.
  std::atomic<bool> unregistered{false};
  std::atomic<int> lateCalls{0};
  ProcRecorder battery;
  battery.onCall = [&](std::uint32_t) {
    if (unregistered) ++lateCalls;
  };
  ASSERT_EQ(x_.XJC_RegisterBatStatusProc(&ProcRecorder::Proc, &battery), XJC_OK);
  ASSERT_TRUE(battery.WaitForCount(1));
  Control("battery 3");
  Control("power battery");
  ASSERT_EQ(x_.XJC_UnregisterBatStatusProc(), XJC_OK);
  unregistered = true;
  Control("battery 1");
  Control("cover open");
  std::int32_t current = -1;
  ASSERT_EQ(x_.XJC_GetStatus(&current), XJC_OK);  // asked directly: the monitor has gone
  EXPECT_EQ(current, 6);
  EXPECT_EQ(self.Values().size(), 1u);
  EXPECT_EQ(lateCalls.load(), 0);

  // Monitor running again, then Terminate: back to the threads we started with.
  ProcRecorder& status = status_;
  ASSERT_EQ(x_.XJC_RegisterStatusProc(&ProcRecorder::Proc, &status), XJC_OK);
  ASSERT_TRUE(status.WaitForLast(6));
  EXPECT_GT(ThreadCount(), threadsBefore);
  ASSERT_EQ(x_.XJC_Terminate(), XJC_OK);
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_EQ(x_.XJC_GetStatus(&current), XJC_E_NOT_OPEN);
}

}  // namespace
