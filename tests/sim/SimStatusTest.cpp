// Real-time status, automatic status back, battery status and the stream handling of
// the simulator, driven over a real TCP connection and over its pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "tests/sim/SimLink.h"
#include "tests/support/SimProcess.h"

namespace {

constexpr int kIdle = 0x12;
// A short wait for "nothing arrives" checks: a correct simulator never sends anything
// there, so a slow machine cannot make these checks fail.
constexpr int kQuietMs = 150;

Bytes Eot(int n) { return B({0x10, 0x04, n}); }
Bytes Asb(int n) { return B({0x1D, 0x61, n}); }

class SimStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start());
    link_ = SimLink::ConnectTcp(sim_.TcpHost(), sim_.TcpPort());
    ASSERT_TRUE(link_.valid());
    // One exchange makes sure the simulator has taken the connection out of the backlog.
    ASSERT_EQ(Status(1), kIdle);
  }
  int Status(int n) { return StatusOn(link_, n); }
  static int StatusOn(SimLink& link, int n) {
    if (!link.Send(Eot(n))) return -1;
    const Bytes reply = link.Read(1);
    return reply.size() == 1 ? reply[0] : -1;
  }
  std::vector<int> AllStatus() { return {Status(1), Status(2), Status(3), Status(4)}; }
  void Control(const std::string& command) { ASSERT_EQ(sim_.Control(command), "ok") << command; }

  SimProcess sim_;
  SimLink link_;
};

TEST_F(SimStatusTest, IdlePrinterAnswersTheIdleValueForEveryN) {
  EXPECT_EQ(AllStatus(), (std::vector<int>{kIdle, kIdle, kIdle, kIdle}));
}

struct ConditionCase {
  std::vector<std::string> set;    // control commands that make the condition
  std::vector<std::string> reset;  // and take it back
  std::vector<int> expected;       // DLE EOT 1..4
};

TEST_F(SimStatusTest, EveryConditionSetsItsOwnBitsAndClearsThemAgain) {
  const std::vector<ConditionCase> cases = {
      {{"cover open"}, {"cover closed"}, {0x1A, 0x16, 0x12, 0x12}},
      {{"paper near-end"}, {"paper ok"}, {0x12, 0x12, 0x12, 0x1E}},
      {{"paper end"}, {"paper ok"}, {0x1A, 0x32, 0x12, 0x7E}},
      {{"cutter error"}, {"cutter ok"}, {0x1A, 0x52, 0x1A, 0x12}},
      {{"fatal on"}, {"fatal off"}, {0x1A, 0x52, 0x32, 0x12}},
      {{"recoverable on"}, {"recoverable off"}, {0x3A, 0x52, 0x16, 0x12}},
      {{"autorecoverable on"}, {"autorecoverable off"}, {0x1A, 0x52, 0x52, 0x12}},
      {{"feed on"}, {"feed off"}, {0x5A, 0x1A, 0x12, 0x12}},
      {{"drawer high"}, {"drawer low"}, {0x16, 0x12, 0x12, 0x12}},
      {{"offline on"}, {"offline off"}, {0x1A, 0x12, 0x12, 0x12}},
      {{"power battery", "battery 0"}, {"battery 6", "power ac"}, {0x1A, 0x12, 0x12, 0x12}},
      // An empty battery does not matter while the printer runs on the adapter.
      {{"battery 0"}, {"battery 6"}, {0x12, 0x12, 0x12, 0x12}},
      {{"cover open", "paper end"}, {"cover closed", "paper ok"}, {0x1A, 0x36, 0x12, 0x7E}},
  };
  for (const auto& c : cases) {
    for (const auto& command : c.set) Control(command);
    EXPECT_EQ(AllStatus(), c.expected) << c.set.front();
    for (const auto& command : c.reset) Control(command);
    EXPECT_EQ(AllStatus(), (std::vector<int>{kIdle, kIdle, kIdle, kIdle})) << "after " << c.reset.front();
  }
}

TEST_F(SimStatusTest, StatusLineTellsWhyThePrinterIsOffline) {
  EXPECT_EQ(StatusValue(sim_.Control("status"), "state"), "online");
  Control("power battery");
  Control("battery 0");
  std::string status = sim_.Control("status");
  EXPECT_EQ(StatusValue(status, "state"), "offline");
  EXPECT_EQ(StatusValue(status, "batteryoffline"), "yes");
  Control("cover open");
  status = sim_.Control("status");
  EXPECT_EQ(StatusValue(status, "batteryoffline"), "no");
  EXPECT_EQ(StatusValue(status, "cover"), "open");
}

TEST_F(SimStatusTest, AutomaticStatusIsSentOnEnableOnChangeAndNotAfterDisable) {
  ASSERT_TRUE(link_.Send(Asb(0x0F)));
  EXPECT_EQ(link_.Read(4), B({0x10, 0x00, 0x00, 0x00}));
  EXPECT_EQ(StatusValue(sim_.Control("status"), "asb"), "15");

  Control("cover open");
  EXPECT_EQ(link_.Read(4), B({0x38, 0x00, 0x00, 0x00}));
  Control("paper near-end");
  EXPECT_EQ(link_.Read(4), B({0x38, 0x00, 0x03, 0x00}));
  Control("recoverable on");
  EXPECT_EQ(link_.Read(4), B({0x38, 0x05, 0x03, 0x00}));
  Control("cutter error");
  EXPECT_EQ(link_.Read(4), B({0x38, 0x0D, 0x03, 0x00}));
  Control("feed on");
  EXPECT_EQ(link_.Read(4), B({0x78, 0x0F, 0x03, 0x00}));
  Control("drawer high");
  EXPECT_EQ(link_.Read(4), B({0x7C, 0x0F, 0x03, 0x00}));
  // The same state again changes nothing, so nothing is sent.
  Control("drawer high");
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());

  ASSERT_TRUE(link_.Send(Asb(0)));
  // A reply on the same connection shows that the simulator has taken GS a 0.
  EXPECT_EQ(Status(4), 0x1E);
  Control("cover closed");
  Control("paper end");
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());
  // Real-time status still answers, and it is the first byte after switching ASB off.
  EXPECT_EQ(Status(4), 0x7E);
}

TEST_F(SimStatusTest, AutomaticStatusOnlyForTheEnabledItems) {
  ASSERT_TRUE(link_.Send(Asb(0x08)));  // roll paper only
  EXPECT_EQ(link_.Read(4), B({0x10, 0x00, 0x00, 0x00}));
  Control("cover open");
  Control("fatal on");
  Control("drawer high");
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());
  Control("paper end");
  // The block always carries the whole state, including the items not enabled.
  EXPECT_EQ(link_.Read(4), B({0x3C, 0x20, 0x0F, 0x00}));

  ASSERT_TRUE(link_.Send(Asb(0x02)));  // online/offline only; a new GS a sends at once
  EXPECT_EQ(link_.Read(4), B({0x3C, 0x20, 0x0F, 0x00}));
  Control("paper ok");
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());  // still offline: cover and error
  Control("fatal off");
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());
  Control("cover closed");
  EXPECT_EQ(link_.Read(4), B({0x14, 0x00, 0x00, 0x00}));
}

TEST_F(SimStatusTest, AutomaticStatusIsForgottenWithTheConnection) {
  ASSERT_TRUE(link_.Send(Asb(0x0F)));
  ASSERT_EQ(link_.Read(4).size(), 4u);
  link_.Close();
  link_ = SimLink::ConnectTcp(sim_.TcpHost(), sim_.TcpPort());
  ASSERT_TRUE(link_.valid());
  EXPECT_EQ(Status(1), kIdle);  // the new connection is served
  Control("cover open");
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());
}

TEST_F(SimStatusTest, RecoveryCommandClearsARecoverableError) {
  Control("recoverable on");
  EXPECT_EQ(Status(3), 0x16);
  ASSERT_TRUE(link_.Send(B({0x10, 0x05, 0x02})));
  EXPECT_EQ(Status(3), kIdle);
  EXPECT_EQ(Status(1), kIdle);
  EXPECT_EQ(StatusValue(sim_.Control("status"), "recoverable"), "off");
}

TEST_F(SimStatusTest, BatteryReplyCarriesSourceAndLevel) {
  for (const std::string power : {"ac", "battery"}) {
    Control("power " + power);
    for (int level = 0; level <= 6; ++level) {
      Control("battery " + std::to_string(level));
      ASSERT_TRUE(link_.Send(B({0x10, 0x14, 0x07, 0x05})));
      EXPECT_EQ(link_.ReadBlock(), B({0x37, 0x45, power == "ac" ? '0' : '1', '0' + level, 0x00}))
          << power << " " << level;
    }
  }
}

TEST_F(SimStatusTest, CommandsSplitByteByByteAreAnswered) {
  Control("cover open");
  const Bytes requests = Cat(Cat(Eot(2), B({0x1D, 0x49, 0x43})), B({0x10, 0x14, 0x07, 0x05}));
  Bytes expected = Cat(B({0x16, 0x5F}), Text("XJ-K52II"));
  expected = Cat(expected, B({0x00, 0x37, 0x45, '0', '6', 0x00}));
  Bytes got;
  for (std::uint8_t b : requests) {
    ASSERT_TRUE(link_.Send({b}));
    // A short pause lets the simulator read each byte on its own.
    const Bytes more = link_.Drain(5);
    got.insert(got.end(), more.begin(), more.end());
  }
  const Bytes rest = link_.Read(expected.size() - std::min(expected.size(), got.size()));
  got.insert(got.end(), rest.begin(), rest.end());
  EXPECT_EQ(got, expected);
}

TEST_F(SimStatusTest, SeveralCommandsInOneWriteAreAnsweredInOrder) {
  Control("paper near-end");
  ASSERT_TRUE(link_.Send(Cat(Cat(Eot(4), Eot(1)), Cat(B({0x1D, 0x49, 0x01}), Eot(3)))));
  EXPECT_EQ(link_.Read(4), B({0x1E, 0x12, 0x90, 0x12}));
}

TEST_F(SimStatusTest, PrintDataIsCountedAndDoesNotDisturbCommands) {
  const std::string before = sim_.Control("status");
  ASSERT_TRUE(link_.Send(Cat(Text("Hello\n"), Cat(B({0x1B, 0x40}), Eot(1)))));
  EXPECT_EQ(link_.Read(1), B({kIdle}));
  // An unknown DLE sequence is print data too; the command after it still counts.
  ASSERT_TRUE(link_.Send(Cat(B({0x10, 0x7F}), Eot(2))));
  EXPECT_EQ(link_.Read(1), B({kIdle}));
  const std::string after = sim_.Control("status");
  // "Hello\n" and the DLE sequence are print data; ESC @ and the two DLE EOT are commands.
  EXPECT_EQ(std::stoi(StatusValue(after, "printdata")) - std::stoi(StatusValue(before, "printdata")), 8);
  EXPECT_EQ(std::stoi(StatusValue(after, "commands")) - std::stoi(StatusValue(before, "commands")), 3);
}

TEST_F(SimStatusTest, SlowDelaysEveryReplyByAtLeastTheGivenTime) {
  Control("slow 300");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(link_.Send(Cat(Eot(1), Eot(2))));
  EXPECT_EQ(link_.Read(2), B({kIdle, kIdle}));
  // A lower bound only: the simulator may not answer before the delay.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  Control("slow 0");
  EXPECT_EQ(Status(3), kIdle);
}

TEST_F(SimStatusTest, GarbageRepliesCanNeverPassForAValidReply) {
  Control("garbage on");
  ASSERT_TRUE(link_.Send(B({0x1D, 0x49, 0x43})));
  const Bytes garbage = link_.Read(10);  // as long as the proper reply
  ASSERT_EQ(garbage.size(), 10u);
  for (std::uint8_t b : garbage) EXPECT_NE(b & 0x80, 0) << int(b);
  Control("garbage off");
  EXPECT_EQ(Status(1), kIdle);
}

TEST_F(SimStatusTest, SilentPrinterKeepsTheConnectionButAnswersNothing) {
  Control("silent on");
  Control("cover open");
  ASSERT_TRUE(link_.Send(Eot(1)));
  EXPECT_TRUE(link_.Drain(kQuietMs).empty());
  Control("silent off");
  // The connection is still the same, and the lost reply does not turn up late.
  EXPECT_EQ(Status(2), 0x16);
  EXPECT_EQ(StatusValue(sim_.Control("status"), "dropped"), "1");
}

TEST_F(SimStatusTest, DropClosesTheConnectionAndTheNextOneIsServed) {
  const std::string reply = sim_.Control("drop");
  EXPECT_EQ(reply.rfind("ok dropped tcp 127.0.0.1:", 0), 0u) << reply;
  EXPECT_TRUE(link_.WaitClosed());
  link_ = SimLink::ConnectTcp(sim_.TcpHost(), sim_.TcpPort());
  ASSERT_TRUE(link_.valid());
  EXPECT_EQ(Status(1), kIdle);
  EXPECT_EQ(StatusValue(sim_.Control("status"), "connections"), "2");
  link_.Close();
  EXPECT_TRUE(SimLink::ConnectTcp(sim_.TcpHost(), sim_.TcpPort()).valid());
}

TEST_F(SimStatusTest, AfterCutsTheReplyAtTheCountAndTheRestLeavesAsTheLinkThenBehaves) {
  const Bytes modelRequest = B({0x1D, 0x49, 0x43});  // "_XJ-K52II" 00
  Control("after 5 silent on");
  ASSERT_TRUE(link_.Send(modelRequest));
  EXPECT_EQ(link_.Drain(kQuietMs), Text("_XJ-K"));
  const std::string status = sim_.Control("status");
  EXPECT_EQ(StatusValue(status, "silent"), "on");
  EXPECT_EQ(StatusValue(status, "after"), "off");
  Control("silent off");
  // Half a reply for garbage: the rest of the reply is scrambled.
  Control("after 3 garbage on");
  ASSERT_TRUE(link_.Send(modelRequest));
  const Bytes mixed = link_.Read(10);
  ASSERT_EQ(mixed.size(), 10u);
  EXPECT_EQ(Bytes(mixed.begin(), mixed.begin() + 3), Text("_XJ"));
  for (std::size_t i = 3; i < mixed.size(); ++i) EXPECT_NE(mixed[i] & 0x80, 0) << i;
  Control("garbage off");
  // A condition changes between two replies, and a drop ends the connection mid-reply.
  Control("after 1 cover open");
  EXPECT_EQ(Status(1), kIdle);
  EXPECT_EQ(Status(1), 0x1A);
  Control("after 2 drop");
  ASSERT_TRUE(link_.Send(modelRequest));
  EXPECT_EQ(link_.Read(10, 2000), Text("_X"));
  EXPECT_TRUE(link_.WaitClosed());
}

TEST_F(SimStatusTest, SecondClientWaitsUntilTheFirstCloses) {
  SimLink second = SimLink::ConnectTcp(sim_.TcpHost(), sim_.TcpPort());
  ASSERT_TRUE(second.valid());  // taken into the listen backlog
  ASSERT_TRUE(second.Send(Eot(1)));
  EXPECT_TRUE(second.Drain(kQuietMs).empty());
  EXPECT_EQ(Status(1), kIdle);  // the first is still served
  link_.Close();
  EXPECT_EQ(second.Read(1), B({kIdle}));  // what the second sent early is answered now
}

TEST(SimPtyTest, PseudoTerminalAnswersAndStaysValidAcrossReopen) {
  SimProcess::Options options;
  options.pty = true;
  options.tcp = false;
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  ASSERT_FALSE(sim.PtyPath().empty());
  {
    SimLink pty = SimLink::OpenPty(sim.PtyPath());
    ASSERT_TRUE(pty.valid());
    ASSERT_TRUE(pty.Send(Eot(1)));
    EXPECT_EQ(pty.Read(1), B({kIdle}));
  }
  ASSERT_EQ(sim.Control("cover open"), "ok");
  SimLink pty = SimLink::OpenPty(sim.PtyPath());
  ASSERT_TRUE(pty.valid());
  // Byte by byte over the serial line as well.
  for (std::uint8_t b : Eot(2)) ASSERT_TRUE(pty.Send({b}));
  EXPECT_EQ(pty.Read(1), B({0x16}));
  // Automatic status goes to the terminal too.
  ASSERT_TRUE(pty.Send(Asb(0x02)));
  EXPECT_EQ(pty.Read(4), B({0x38, 0x00, 0x00, 0x00}));
  ASSERT_EQ(sim.Control("cover closed"), "ok");
  EXPECT_EQ(pty.Read(4), B({0x10, 0x00, 0x00, 0x00}));
  EXPECT_EQ(StatusValue(sim.Control("status"), "ptyasb"), "2");
}

TEST(SimPtyTest, DropOnTheTerminalForgetsAHalfCommand) {
  SimProcess::Options options;
  options.pty = true;
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  SimLink pty = SimLink::OpenPty(sim.PtyPath());
  ASSERT_TRUE(pty.valid());
  ASSERT_TRUE(pty.Send(B({0x10, 0x04})));
  ASSERT_TRUE(WaitForStatus(sim, "bytesin", "2"));  // the half command has been read
  EXPECT_EQ(sim.Control("drop"), "ok flushed pty " + sim.PtyPath());
  // "01" alone is print data now, not the end of DLE EOT 1.
  ASSERT_TRUE(pty.Send(B({0x01})));
  EXPECT_TRUE(pty.Drain(kQuietMs).empty());
  ASSERT_TRUE(pty.Send(Eot(3)));
  EXPECT_EQ(pty.Read(1), B({kIdle}));
}

TEST(SimPtyTest, PacedTerminalCarriesEveryByteAtTheLineRate) {
  SimProcess::Options options;
  options.pty = true;
  options.tcp = false;
  options.extraArgs = {"--pty-baud", "1200"};
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  EXPECT_EQ(StatusValue(sim.Control("status"), "ptybaud"), "1200");
  SimLink pty = SimLink::OpenPty(sim.PtyPath());
  ASSERT_TRUE(pty.valid());
  // Two requests in one write: each is carried out once its bytes have arrived, the
  // replies leave whole and in order.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(pty.Send(Cat(B({0x1D, 0x49, 0x43}), Eot(1))));
  EXPECT_EQ(pty.ReadBlock(), Cat(Cat(B({0x5F}), Text("XJ-K52II")), B({0x00})));
  EXPECT_EQ(pty.Read(1), B({kIdle}));
  // A lower bound only: the first request's 3 bytes arrive, then its 10 reply bytes and
  // the second reply's byte leave one after another, 10 bits each at 1200 baud.
  const double byteMs = 10.0 * 1000.0 / 1200.0;
  const double elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(elapsedMs, (3 + 10 + 1) * byteMs);
  // A status block leaves paced as well, and the counters count the line's bytes.
  ASSERT_TRUE(pty.Send(Asb(0x02)));
  EXPECT_EQ(pty.Read(4), B({0x10, 0x00, 0x00, 0x00}));
  const std::string status = sim.Control("status");
  EXPECT_EQ(StatusValue(status, "bytesin"), "9");
  EXPECT_EQ(StatusValue(status, "bytesout"), "15");
}

}  // namespace
