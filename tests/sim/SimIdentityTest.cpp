// Printer ID replies, the command line and the control channel of the simulator.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/sim/SimLink.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr int kQuietMs = 150;

Bytes IdText(const std::string& text) { return Cat(Cat(B({0x5F}), Text(text)), B({0x00})); }

struct Started {
  explicit Started(SimProcess::Options options) : sim(std::move(options)) {
    started = sim.Start();
    if (started) link = SimLink::ConnectTcp(sim.TcpHost(), sim.TcpPort());
  }
  Bytes Id(int n, bool block) {
    if (!link.Send(B({0x1D, 0x49, n}))) return {};
    return block ? link.ReadBlock() : link.Read(1);
  }
  SimProcess sim;
  bool started = false;
  SimLink link;
};

TEST(SimIdentityTest, DefaultPrinterIdentifiesItself) {
  Started s{SimProcess::Options{}};
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.link.valid());
  EXPECT_EQ(s.Id(1, false), B({0x90}));
  EXPECT_EQ(s.Id(2, false), B({0x02}));  // autocutter, no multibyte fonts
  EXPECT_EQ(s.Id(3, false).size(), 1u);
  EXPECT_EQ(s.Id(65, true), IdText("1.02"));
  EXPECT_EQ(s.Id(66, true), IdText("NORVE"));
  EXPECT_EQ(s.Id(67, true), IdText("XJ-K52II"));
  EXPECT_EQ(s.Id(68, true), IdText("K52S0000001"));
  EXPECT_EQ(s.Id(69, true), B({0x5F, 0x00}));  // no fonts: not ready
  // An ID the printer does not have gets no answer; the next one is answered normally.
  ASSERT_TRUE(s.link.Send(B({0x1D, 0x49, 0x07})));
  EXPECT_TRUE(s.link.Drain(kQuietMs).empty());
  EXPECT_EQ(s.Id(1, false), B({0x90}));
}

TEST(SimIdentityTest, CommandLineChangesModelDeviceAndTexts) {
  SimProcess::Options options;
  options.model = "XJ-K52II-X";
  options.deviceId = 145;
  options.extraArgs = {"--serial", "", "--firmware", "2.10 beta", "--maker", "ACME", "--fonts", "ANK,SC"};
  Started s{options};
  ASSERT_TRUE(s.started);
  EXPECT_EQ(s.Id(1, false), B({0x91}));
  EXPECT_EQ(s.Id(2, false), B({0x01}));  // no autocutter, multibyte fonts
  EXPECT_EQ(s.Id(65, true), IdText("2.10 beta"));
  EXPECT_EQ(s.Id(66, true), IdText("ACME"));
  EXPECT_EQ(s.Id(67, true), IdText("XJ-K52II-X"));
  EXPECT_EQ(s.Id(68, true), B({0x5F, 0x00}));
  EXPECT_EQ(s.Id(69, true), IdText("ANK,SC"));
  // The variant without autocutter cannot report an autocutter error.
  EXPECT_EQ(s.sim.Control("cutter error").rfind("error: ", 0), 0u);
  const std::string status = s.sim.Control("status");
  EXPECT_EQ(StatusValue(status, "cutter"), "ok");
  EXPECT_EQ(StatusValue(status, "firmware"), "2.10%20beta");
}

TEST(SimIdentityTest, BadCommandLinesRefuseToStart) {
  const std::vector<std::vector<std::string>> bad = {
      {"--device-id", "300"}, {"--battery", "7"},       {"--power", "mains"},
      {"--restart-delay", "-1"}, {"--model", "tab\there"}, {"--bogus"},
      {"--tcp"}, {"--pty-baud", "10"}, {"--pty-baud", "9600"},  // the last without --pty
  };
  for (const auto& args : bad) {
    SimProcess::Options options;
    options.extraArgs = args;
    SimProcess sim(options);
    EXPECT_FALSE(sim.Start()) << args[0];
    EXPECT_FALSE(sim.Running());
    EXPECT_EQ(sim.ExitCode(), 2) << args[0];
  }
}

TEST(SimIdentityTest, RefusesToListenOnAnythingButLoopback) {
  for (const std::string address : {"0.0.0.0", "192.0.2.1", "localhost", "::1"}) {
    SimProcess::Options options;
    options.tcpAddress = address;
    SimProcess sim(options);
    EXPECT_FALSE(sim.Start()) << address;
    EXPECT_EQ(sim.ExitCode(), 2) << address;
  }
  SimProcess::Options options;
  options.tcp = false;  // nothing to listen on at all
  SimProcess sim(options);
  EXPECT_FALSE(sim.Start());
  EXPECT_EQ(sim.ExitCode(), 2);
}

TEST(SimIdentityTest, SeveralTcpEndpointsServeTheSamePrinter) {
  SimProcess::Options options;
  options.tcpAddress = "127.0.0.2";
  options.extraArgs = {"--tcp", "127.0.0.1:0"};
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  EXPECT_EQ(sim.TcpHost(), "127.0.0.2");
  const std::string status = sim.Control("status");
  const std::string endpoints = StatusValue(status, "tcp");
  const auto comma = endpoints.find(',');
  ASSERT_NE(comma, std::string::npos) << status;
  const std::string second = endpoints.substr(comma + 1);
  ASSERT_EQ(second.rfind("127.0.0.1:", 0), 0u);
  ASSERT_EQ(sim.Control("cover open"), "ok");
  SimLink link = SimLink::ConnectTcp("127.0.0.1", std::stoi(second.substr(10)));
  ASSERT_TRUE(link.valid());
  ASSERT_TRUE(link.Send(B({0x10, 0x04, 0x02})));
  EXPECT_EQ(link.Read(1), B({0x16}));
}

TEST(SimIdentityTest, AnotherPrinterCanTakeOverTheAddress) {
  Started s{SimProcess::Options{}};
  ASSERT_TRUE(s.started);
  ASSERT_EQ(s.sim.Control("model XJ-K53II"), "ok");
  ASSERT_EQ(s.sim.Control("deviceid 145"), "ok");
  EXPECT_EQ(s.Id(67, true), IdText("XJ-K53II"));
  EXPECT_EQ(s.Id(1, false), B({0x91}));
  const std::string status = s.sim.Control("status");
  EXPECT_EQ(StatusValue(status, "model"), "XJ-K53II");
  EXPECT_EQ(StatusValue(status, "deviceid"), "145");
  // The variant without autocutter has none to report.
  EXPECT_EQ(s.sim.Control("cutter error"), "error: this model has no autocutter");
  ASSERT_EQ(s.sim.Control("deviceid 144"), "ok");
  ASSERT_EQ(s.sim.Control("cutter error"), "ok");
  EXPECT_EQ(s.sim.Control("deviceid 145").rfind("error: ", 0), 0u);
  const std::vector<std::string> refused = {"model", "model a b", "model " + std::string(81, 'M'), "deviceid 256",
                                            "deviceid x"};
  for (const std::string& command : refused) {
    EXPECT_EQ(s.sim.Control(command).rfind("error: ", 0), 0u) << command;
  }
  EXPECT_EQ(StatusValue(s.sim.Control("status"), "model"), "XJ-K53II");
}

TEST(SimControlTest, BadControlCommandsGetAnErrorAndChangeNothing) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  const std::string before = sim.Control("status");
  for (const std::string command :
       {"", "cover", "cover ajar", "cover open now", "paper empty", "battery 7", "battery -1", "battery x",
        "power solar", "slow fast", "slow 600001", "garbage maybe", "status now", "jump", "quit please", "after",
        "after 5", "after -1 drop", "after 5 quit", "after 5 after 2 drop", "after 5 jump"}) {
    const std::string reply = sim.Control(command);
    EXPECT_EQ(reply.rfind("error: ", 0), 0u) << "'" << command << "' -> " << reply;
  }
  const std::string after = sim.Control("status");
  for (const std::string key : {"cover", "paper", "battery", "power", "slow", "garbage", "after"})
    EXPECT_EQ(StatusValue(after, key), StatusValue(before, key)) << key;
  // An over-long line is refused as a whole; the next line is read normally.
  EXPECT_EQ(sim.Control(std::string(5000, 'x')), "error: line too long");
  EXPECT_EQ(sim.Control("cover open"), "ok");
  EXPECT_TRUE(sim.Running());
}

TEST(SimControlTest, ControlSocketTakesTheSameCommands) {
  const std::string path = testenv::MakeTempDir("ctl") + "/sim.sock";
  SimProcess::Options options;
  options.extraArgs = {"--control", path};
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());

  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  SimLink control = SimLink::AdoptFd(fd);
  ASSERT_TRUE(control.Send(Text("paper near-end\r\nstatus\n")));
  const Bytes first = control.Read(3);
  EXPECT_EQ(first, Text("ok\n"));
  Bytes status;
  while (status.empty() || status.back() != '\n') {
    const Bytes more = control.Read(1);
    if (more.empty()) break;
    status.push_back(more[0]);
  }
  EXPECT_EQ(StatusValue(std::string(status.begin(), status.end() - 1), "paper"), "near-end");
  // Both channels steer the same printer.
  EXPECT_EQ(StatusValue(sim.Control("status"), "paper"), "near-end");

  ASSERT_TRUE(control.Send(Text("quit\n")));
  EXPECT_EQ(control.Read(3), Text("ok\n"));
  sim.Stop();
  EXPECT_EQ(sim.ExitCode(), 0);
  EXPECT_NE(access(path.c_str(), F_OK), 0);  // the socket file is removed on exit
}

TEST(SimControlTest, EndOfInputEndsTheSimulatorOnlyWithoutAControlSocket) {
  SimProcess plain;
  ASSERT_TRUE(plain.Start());
  plain.CloseInput();
  EXPECT_TRUE(plain.WaitExited(10000));
  EXPECT_EQ(plain.ExitCode(), 0);

  const std::string path = testenv::MakeTempDir("ctl") + "/sim.sock";
  SimProcess::Options options;
  options.extraArgs = {"--control", path};
  SimProcess withSocket(options);
  ASSERT_TRUE(withSocket.Start());
  withSocket.CloseInput();
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  SimLink control = SimLink::AdoptFd(fd);
  // The end of input came first, so an answer here means the simulator outlived it.
  ASSERT_TRUE(control.Send(Text("battery 3\n")));
  EXPECT_EQ(control.Read(3), Text("ok\n"));
  EXPECT_TRUE(withSocket.Running());
  ASSERT_TRUE(control.Send(Text("quit\n")));
  EXPECT_TRUE(withSocket.WaitExited(10000));
  EXPECT_EQ(withSocket.ExitCode(), 0);
}

TEST(SimControlTest, ControlSocketPathThatIsAFileIsNotTouched) {
  const std::string path = testenv::MakeTempDir("ctl") + "/not-a-socket";
  ASSERT_TRUE(testenv::WriteFile(path, "keep me"));
  SimProcess::Options options;
  options.extraArgs = {"--control", path};
  SimProcess sim(options);
  EXPECT_FALSE(sim.Start());
  EXPECT_EQ(sim.ExitCode(), 1);
  EXPECT_EQ(testenv::ReadFile(path), "keep me");
}

TEST(SimControlTest, QuitAndTerminationSignalEndCleanly) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  EXPECT_EQ(sim.Control("quit"), "ok");
  sim.Stop();
  EXPECT_EQ(sim.ExitCode(), 0);

  ASSERT_TRUE(sim.Start());
  ASSERT_TRUE(sim.Running());
  ASSERT_EQ(kill(sim.Pid(), SIGTERM), 0);
  sim.Stop();
  EXPECT_EQ(sim.ExitCode(), 0);
  EXPECT_FALSE(sim.Running());
}

}  // namespace
