// User setting mode, restarts, the state file and NV graphics of the simulator.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/sim/SimLink.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr int kQuietMs = 150;
constexpr int kShortRestartMs = 50;
constexpr int kNvCapacity = 262144;

const Bytes kEnter = B({0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E});
const Bytes kEnd = B({0x1D, 0x28, 0x45, 0x04, 0x00, 0x02, 0x4F, 0x55, 0x54});

Bytes SetValues(std::initializer_list<std::pair<int, int>> values) {
  const int length = 1 + 3 * static_cast<int>(values.size());
  Bytes out = B({0x1D, 0x28, 0x45, length & 0xFF, length >> 8, 0x05});
  for (const auto& [a, v] : values) out = Cat(out, B({a, v & 0xFF, v >> 8}));
  return out;
}
Bytes ReadValue(int a) { return B({0x1D, 0x28, 0x45, 0x02, 0x00, 0x06, a}); }
Bytes ValueReply(int a, int v) {
  return Cat(Cat(B({0x37, 0x27}), Text(std::to_string(a))), Cat(B({0x1F}), Cat(Text(std::to_string(v)), B({0}))));
}
Bytes SetSwitch(int a, const std::string& c8to1) {
  return Cat(B({0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03, a}), Text(c8to1));
}
Bytes ReadSwitch(int a) { return B({0x1D, 0x28, 0x45, 0x02, 0x00, 0x04, a}); }
Bytes SwitchReply(const std::string& bits) { return Cat(Cat(B({0x37, 0x21}), Text(bits)), B({0})); }

Bytes Define(char kc1, char kc2, int width, int height, int fill = 0xAA, bool longForm = false) {
  Bytes body = B({0x30, 0x43, 0x30, kc1, kc2, 0x01, width & 0xFF, width >> 8, height & 0xFF, height >> 8, 0x31});
  body.resize(body.size() + static_cast<std::size_t>((width + 7) / 8 * height), static_cast<std::uint8_t>(fill));
  return Graphics(body, longForm);
}
const Bytes kCapacity = Graphics(B({0x30, 0x33}));
const Bytes kKeyList = Graphics(B({0x30, 0x40, 0x4B, 0x43}));
const Bytes kDeleteAll = Graphics(B({0x30, 0x41, 0x43, 0x4C, 0x52}));
Bytes Delete(char kc1, char kc2) { return Graphics(B({0x30, 0x42, kc1, kc2})); }
Bytes Print(char kc1, char kc2) { return Graphics(B({0x30, 0x45, kc1, kc2, 0x01, 0x01})); }
Bytes CapacityReply(int bytes) { return Cat(Cat(B({0x37, 0x31}), Text(std::to_string(bytes))), B({0})); }
Bytes KeyListReply(bool more, const std::string& keys) {
  return Cat(Cat(B({0x37, 0x72, more ? 0x41 : 0x40}), Text(keys)), B({0}));
}

class SimSettingsTest : public ::testing::Test {
 protected:
  void StartSim(SimProcess::Options options = {}) {
    if (options.restartDelayMs < 0) options.restartDelayMs = kShortRestartMs;
    sim_ = std::make_unique<SimProcess>(options);
    ASSERT_TRUE(sim_->Start());
    Connect();
  }
  void Connect() {
    link_ = SimLink::ConnectTcp(sim_->TcpHost(), sim_->TcpPort());
    ASSERT_TRUE(link_.valid());
  }
  Bytes Ask(const Bytes& request) {
    if (!link_.Send(request)) return {};
    return link_.ReadBlock();
  }
  void EnterUserMode() { ASSERT_EQ(Ask(kEnter), B({0x37, 0x20, 0x00})); }
  std::string Status(const std::string& key) { return StatusValue(sim_->Control("status"), key); }
  // Ends user setting mode: the printer closes the connection and restarts.
  void EndUserModeAndReconnect() {
    ASSERT_TRUE(link_.Send(kEnd));
    ASSERT_TRUE(link_.WaitClosed());
    Connect();
  }

  std::unique_ptr<SimProcess> sim_;
  SimLink link_;
};

TEST_F(SimSettingsTest, ValuesAndSwitchesChangeOnlyInUserSettingModeAndSurviveTheRestart) {
  StartSim();
  // Outside user setting mode the set commands are ignored; reading works.
  ASSERT_TRUE(link_.Send(SetValues({{6, 3}})));
  ASSERT_TRUE(link_.Send(SetSwitch(5, "11111111")));
  EXPECT_EQ(Ask(ReadValue(6)), ValueReply(6, 9));
  EXPECT_EQ(Ask(ReadSwitch(5)), SwitchReply("00000000"));

  EnterUserMode();
  EXPECT_EQ(Status("usermode"), "on");
  ASSERT_TRUE(link_.Send(SetValues({{3, 1}, {5, 65533}, {100, 1}, {122, 1}})));
  ASSERT_TRUE(link_.Send(SetSwitch(5, "22222221")));
  ASSERT_TRUE(link_.Send(SetSwitch(8, "21010211")));
  EXPECT_EQ(Ask(ReadValue(3)), ValueReply(3, 1));
  EXPECT_EQ(Ask(ReadValue(5)), ValueReply(5, 65533));
  EXPECT_EQ(Ask(ReadValue(100)), ValueReply(100, 1));
  EXPECT_EQ(Ask(ReadValue(122)), ValueReply(122, 1));
  EXPECT_EQ(Ask(ReadSwitch(5)), SwitchReply("00000001"));
  EXPECT_EQ(Ask(ReadSwitch(8)), SwitchReply("01010011"));

  EndUserModeAndReconnect();
  EXPECT_EQ(Ask(ReadValue(3)), ValueReply(3, 1));
  EXPECT_EQ(Ask(ReadValue(5)), ValueReply(5, 65533));
  EXPECT_EQ(Ask(ReadSwitch(8)), SwitchReply("01010011"));
  EXPECT_EQ(Status("restarts"), "1");
  EXPECT_EQ(Status("usermode"), "off");
  // After the restart the printer is out of user setting mode again.
  ASSERT_TRUE(link_.Send(SetValues({{3, 6}})));
  EXPECT_EQ(Ask(ReadValue(3)), ValueReply(3, 1));
}

TEST_F(SimSettingsTest, ValuesOutOfRangeAndUnknownNumbersAreRefused) {
  StartSim();
  EnterUserMode();
  // Speed 10, paper width 2, density 9, a switch character '3' and unknown numbers.
  ASSERT_TRUE(link_.Send(SetValues({{6, 10}, {3, 2}, {5, 9}, {7, 1}, {12, 1}})));
  ASSERT_TRUE(link_.Send(SetSwitch(5, "1111111x")));
  ASSERT_TRUE(link_.Send(SetSwitch(9, "11111111")));
  EXPECT_EQ(Ask(ReadValue(6)), ValueReply(6, 9));
  EXPECT_EQ(Ask(ReadValue(3)), ValueReply(3, 6));
  EXPECT_EQ(Ask(ReadValue(5)), ValueReply(5, 0));
  EXPECT_EQ(Ask(ReadValue(12)), ValueReply(12, 1));  // the valid one in the same command is taken
  EXPECT_EQ(Ask(ReadSwitch(5)), SwitchReply("00000000"));
  // Unknown numbers get no reply at all; the connection goes on.
  ASSERT_TRUE(link_.Send(ReadValue(7)));
  ASSERT_TRUE(link_.Send(ReadSwitch(9)));
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());
  // A set command whose length does not fit its groups is refused as a whole.
  ASSERT_TRUE(link_.Send(B({0x1D, 0x28, 0x45, 0x03, 0x00, 0x05, 0x06, 0x01})));
  EXPECT_EQ(Ask(ReadValue(6)), ValueReply(6, 9));
}

TEST_F(SimSettingsTest, EndingUserModeWithoutEnteringItDoesNothing) {
  StartSim();
  ASSERT_TRUE(link_.Send(kEnd));
  ASSERT_TRUE(link_.Send(B({0x10, 0x04, 0x01})));
  EXPECT_EQ(link_.Read(1), B({0x12}));
  EXPECT_EQ(Status("restarts"), "0");
  // Enter with the wrong key bytes is no enter.
  ASSERT_TRUE(link_.Send(B({0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4F})));
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());
  EXPECT_EQ(Status("usermode"), "off");
}

TEST_F(SimSettingsTest, RestartingPrinterIsUnreachableUntilTheDelayIsOver) {
  SimProcess::Options options;
  options.pty = true;
  options.restartDelayMs = 60000;  // far longer than this test runs
  StartSim(options);
  SimLink pty = SimLink::OpenPty(sim_->PtyPath());
  ASSERT_TRUE(pty.valid());
  EnterUserMode();
  ASSERT_TRUE(link_.Send(kEnd));
  ASSERT_TRUE(link_.WaitClosed());
  EXPECT_EQ(Status("restarting"), "yes");
  int error = 0;
  EXPECT_FALSE(SimLink::TryConnectTcp(sim_->TcpHost(), sim_->TcpPort(), error).valid());
  EXPECT_EQ(error, ECONNREFUSED);
  // The serial line hears nothing either.
  ASSERT_TRUE(pty.Send(B({0x10, 0x04, 0x01})));
  EXPECT_TRUE(pty.Drain(kQuietMs).empty());
  // The control channel still works while the printer restarts.
  EXPECT_EQ(sim_->Control("cover open"), "ok");
}

TEST_F(SimSettingsTest, RestartComesBackOnTheSamePortAndTheTerminal) {
  SimProcess::Options options;
  options.pty = true;
  StartSim(options);
  SimLink pty = SimLink::OpenPty(sim_->PtyPath());
  ASSERT_TRUE(pty.valid());
  // Ending user setting mode over the serial line restarts the whole printer.
  ASSERT_TRUE(pty.Send(kEnter));
  EXPECT_EQ(pty.ReadBlock(), B({0x37, 0x20, 0x00}));
  ASSERT_TRUE(pty.Send(kEnd));
  ASSERT_TRUE(link_.WaitClosed());
  ASSERT_TRUE(WaitForStatus(*sim_, "restarting", "no"));
  Connect();
  ASSERT_TRUE(link_.Send(B({0x10, 0x04, 0x02})));
  EXPECT_EQ(link_.Read(1), B({0x12}));
  ASSERT_TRUE(pty.Send(B({0x10, 0x04, 0x03})));
  EXPECT_EQ(pty.Read(1), B({0x12}));
}

TEST_F(SimSettingsTest, StateFileKeepsSettingsAcrossAProcessRestart) {
  const std::string state = testenv::MakeTempDir("state") + "/printer.state";
  SimProcess::Options options;
  options.statePath = state;
  StartSim(options);
  EnterUserMode();
  ASSERT_TRUE(link_.Send(SetValues({{6, 4}, {116, 1}})));
  ASSERT_TRUE(link_.Send(SetSwitch(8, "10000000")));
  ASSERT_TRUE(link_.Send(Define('L', '1', 24, 2, 0x5A)));
  ASSERT_TRUE(link_.Send(B({0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8})));
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity - 6));
  EXPECT_EQ(Status("logos"), "1");
  sim_->Stop();
  EXPECT_EQ(sim_->ExitCode(), 0);
  EXPECT_NE(testenv::ReadFile(state).find("value 6 4"), std::string::npos);

  StartSim(options);  // a new process on a new port
  EXPECT_EQ(Ask(ReadValue(6)), ValueReply(6, 4));
  EXPECT_EQ(Ask(ReadValue(116)), ValueReply(116, 1));
  EXPECT_EQ(Ask(ReadValue(3)), ValueReply(3, 6));  // untouched values keep their defaults
  EXPECT_EQ(Ask(ReadSwitch(8)), SwitchReply("10000000"));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(false, "L1"));
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity - 6));
  EXPECT_EQ(Status("logos"), "1");
  EXPECT_EQ(Status("usermode"), "off");
}

TEST_F(SimSettingsTest, WithoutStateFileNothingIsKept) {
  StartSim();
  EnterUserMode();
  ASSERT_TRUE(link_.Send(SetValues({{6, 4}})));
  EXPECT_EQ(Ask(ReadValue(6)), ValueReply(6, 4));
  sim_->Stop();
  StartSim();
  EXPECT_EQ(Ask(ReadValue(6)), ValueReply(6, 9));
}

TEST_F(SimSettingsTest, MalformedStateFileStopsTheStartAndIsLeftAlone) {
  const std::string dir = testenv::MakeTempDir("state");
  const std::vector<std::string> broken = {
      "not a state file\n",
      "xjk52-sim-state 1\nvalue 6 10\n",                 // out of range
      "xjk52-sim-state 1\nvalue 6 4\nvalue 6 5\n",       // twice
      "xjk52-sim-state 1\nswitch 5 0101\n",              // too short
      "xjk52-sim-state 1\nnv 4c31 8 2 ff\n",             // data shorter than the size
      "xjk52-sim-state 1\nlogo 1 1 0102030405060708 x\n",  // trailing word
      "xjk52-sim-state 2\n",                             // newer format
      "",
  };
  for (std::size_t i = 0; i < broken.size(); ++i) {
    const std::string path = dir + "/broken" + std::to_string(i);
    ASSERT_TRUE(testenv::WriteFile(path, broken[i]));
    SimProcess::Options options;
    options.statePath = path;
    SimProcess sim(options);
    EXPECT_FALSE(sim.Start()) << broken[i];
    EXPECT_EQ(sim.ExitCode(), 1) << broken[i];
    EXPECT_EQ(testenv::ReadFile(path), broken[i]);
  }
}

TEST_F(SimSettingsTest, StateFileThatCannotBeWrittenStopsTheStart) {
  SimProcess::Options options;
  options.statePath = testenv::MakeTempDir("state") + "/no/such/folder/printer.state";
  SimProcess sim(options);
  EXPECT_FALSE(sim.Start());
  EXPECT_EQ(sim.ExitCode(), 1);
}

TEST_F(SimSettingsTest, HandWrittenStateFileIsRead) {
  const std::string path = testenv::MakeTempDir("state") + "/hand.state";
  ASSERT_TRUE(testenv::WriteFile(path,
                                 "xjk52-sim-state 1\r\n# kept by hand\nvalue 5 65530\nswitch 5 00000001\n"
                                 "nv 4b43 8 2 ff00\n"));
  SimProcess::Options options;
  options.statePath = path;
  StartSim(options);
  EXPECT_EQ(Ask(ReadValue(5)), ValueReply(5, 65530));
  EXPECT_EQ(Ask(ReadValue(6)), ValueReply(6, 9));
  EXPECT_EQ(Ask(ReadSwitch(5)), SwitchReply("00000001"));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(false, "KC"));
}

TEST_F(SimSettingsTest, NvGraphicsDefineListCapacityDeleteAndPrint) {
  StartSim();
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(false, ""));
  ASSERT_TRUE(link_.Send(Define('B', '2', 10, 3)));   // 2 x 3 bytes
  ASSERT_TRUE(link_.Send(Define('A', '1', 16, 2)));   // 2 x 2 bytes
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity - 10));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(false, "A1B2"));

  // Redefining a key replaces the image and its room.
  ASSERT_TRUE(link_.Send(Define('A', '1', 8, 1)));
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity - 7));
  // A definition whose data does not match its size, a bad key and a bad width are refused.
  Bytes shortDefine = Define('C', '3', 16, 2);
  shortDefine[3] = static_cast<std::uint8_t>(shortDefine[3] - 1);
  shortDefine.pop_back();
  ASSERT_TRUE(link_.Send(shortDefine));
  ASSERT_TRUE(link_.Send(Define('C', 0x1F, 8, 1)));
  ASSERT_TRUE(link_.Send(Define('C', '4', 0, 1)));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(false, "A1B2"));

  ASSERT_TRUE(link_.Send(Print('B', '2')));
  ASSERT_TRUE(link_.Send(Print('Z', '9')));  // not defined: nothing printed
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity - 7));
  EXPECT_EQ(Status("prints"), "1");

  ASSERT_TRUE(link_.Send(Delete('A', '1')));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(false, "B2"));
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity - 6));
  ASSERT_TRUE(link_.Send(kDeleteAll));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(false, ""));
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity));
}

TEST_F(SimSettingsTest, NvMemoryFillsExactlyAndOversizedCommandsAreSkipped) {
  StartSim();
  // 8192 x 256 dots = 262144 bytes: the whole memory, only possible with the long form.
  ASSERT_TRUE(link_.Send(Define('F', 'F', 8192, 256, 0x01, true)));
  EXPECT_EQ(Ask(kCapacity), CapacityReply(0));
  ASSERT_TRUE(link_.Send(Define('G', 'G', 8, 1)));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(false, "FF"));
  ASSERT_TRUE(link_.Send(kDeleteAll));
  // A command longer than the memory is read past without being kept; the command right
  // after it is answered.
  Bytes huge = Graphics(Bytes(300000, 0x10), true);
  ASSERT_TRUE(link_.Send(Cat(huge, B({0x10, 0x04, 0x01}))));
  EXPECT_EQ(link_.Read(1), B({0x12}));
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity));
}

TEST_F(SimSettingsTest, LongKeyListNeedsTheHostsAcknowledgement) {
  StartSim();
  std::string keys;
  for (int i = 0; i < 45; ++i) {
    const char kc2 = static_cast<char>(0x30 + i);
    ASSERT_TRUE(link_.Send(Define('K', kc2, 1, 1)));
    keys += 'K';
    keys += kc2;
  }
  EXPECT_EQ(Ask(kCapacity), CapacityReply(kNvCapacity - 45));
  EXPECT_EQ(Ask(kKeyList), KeyListReply(true, keys.substr(0, 80)));
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());  // the rest waits for ACK
  EXPECT_EQ(Ask(B({0x06})), KeyListReply(false, keys.substr(80)));

  // Anything but ACK ends the listing and is read as a command of its own.
  EXPECT_EQ(Ask(kKeyList), KeyListReply(true, keys.substr(0, 80)));
  ASSERT_TRUE(link_.Send(B({0x10, 0x04, 0x04})));
  EXPECT_EQ(link_.Read(1), B({0x12}));
  ASSERT_TRUE(link_.Send(B({0x06})));  // too late: print data now
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());
}

TEST_F(SimSettingsTest, LogoCommandReplacesAllImagesAndStopsAtABadSize) {
  StartSim();
  // Two images: 1x1 (8 bytes) and 2x1 (16 bytes), sent byte by byte.
  Bytes logo = B({0x1C, 0x71, 0x02, 0x01, 0x00, 0x01, 0x00});
  logo.resize(logo.size() + 8, 0xF0);
  logo = Cat(logo, B({0x02, 0x00, 0x01, 0x00}));
  logo.resize(logo.size() + 16, 0x0F);
  for (std::uint8_t b : logo) ASSERT_TRUE(link_.Send({b}));
  ASSERT_TRUE(link_.Send(B({0x10, 0x04, 0x01})));
  EXPECT_EQ(link_.Read(1), B({0x12}));
  EXPECT_EQ(Status("logos"), "2");

  // One image replaces both.
  Bytes one = B({0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00});
  one.resize(one.size() + 8, 0xFF);
  ASSERT_TRUE(link_.Send(one));
  ASSERT_TRUE(link_.Send(B({0x10, 0x04, 0x01})));
  EXPECT_EQ(link_.Read(1), B({0x12}));
  EXPECT_EQ(Status("logos"), "1");

  // A width of 0 ends the command; the images before stay and what follows is read.
  ASSERT_TRUE(link_.Send(Cat(B({0x1C, 0x71, 0x01, 0x00, 0x00, 0x01, 0x00}), B({0x10, 0x04, 0x02}))));
  EXPECT_EQ(link_.Read(1), B({0x12}));
  EXPECT_EQ(Status("logos"), "1");
}

}  // namespace
