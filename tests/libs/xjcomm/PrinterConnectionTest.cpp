#include "libs/xjcomm/PrinterConnection.h"
#include "libs/xjcomm/StatusMonitor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/libs/xjcomm/ScriptedPrinter.h"
#include "tests/support/TestEnv.h"

namespace xjcomm {
namespace {

constexpr std::uint8_t kIdle = 0x12;
const Bytes kAllClear{0x10, 0x00, 0x00, 0x00};

PortAddress Loopback(std::uint16_t port) {
  PortAddress a;
  a.kind = PortKind::Net;
  EXPECT_TRUE(ParseIPv4("127.0.0.1", a.ipv4));
  a.tcpPort = port;
  return a;
}

ConnectionTimeouts Short() {
  ConnectionTimeouts t;
  t.replyMs = 300;
  return t;
}

Bytes InfoBlock(const std::string& text) {
  Bytes b{0x5F};
  b.insert(b.end(), text.begin(), text.end());
  b.push_back(0x00);
  return b;
}

// A healthy printer whose status bytes the test can change.
struct Printer {
  std::atomic<std::uint8_t> rt[5] = {kIdle, kIdle, kIdle, kIdle, kIdle};
  std::atomic<bool> mute{false};
  ScriptedPrinter server{[this](const Bytes& c) -> Bytes {
    if (mute) return {};
    if (c.size() == 3 && c[0] == 0x10 && c[1] == 0x04 && c[2] >= 1 && c[2] <= 4) return {rt[c[2]].load()};
    if (c == Bytes{0x1D, 0x49, 67}) return InfoBlock("XJ-K52II");
    if (c == Bytes{0x1D, 0x49, 68}) return InfoBlock("SN0001");
    if (c == Bytes{0x10, 0x14, 0x07, 0x05}) return {0x37, 0x45, 0x31, 0x30, 0x00};
    return {};
  }};
};

TEST(PrinterConnectionTest, StatusFromRealTimeBytesAndBatteryCheckWhenOffline) {
  Printer p;
  PrinterConnection c(Loopback(p.server.Port()), Short());
  ASSERT_EQ(c.Open(), XJC_OK);
  std::uint32_t code = 99;
  ASSERT_EQ(c.QueryStatusCode(code), XJC_OK);
  EXPECT_EQ(code, 0u);
  p.rt[2] = kIdle | 0x04;  // cover open
  p.rt[1] = kIdle | 0x08;
  ASSERT_EQ(c.QueryStatusCode(code), XJC_OK);
  EXPECT_EQ(code, 6u);
  // Offline with nothing else wrong, on an empty battery: the battery is the cause.
  p.rt[2] = kIdle;
  ASSERT_EQ(c.QueryStatusCode(code), XJC_OK);
  EXPECT_EQ(code, 16u);
  ASSERT_EQ(c.LastBattery(), std::optional<std::uint16_t>(0x3031));
  std::string serial;
  ASSERT_EQ(c.QueryInfoText(68, serial), XJC_OK);
  EXPECT_EQ(serial, "SN0001");
}

TEST(PrinterConnectionTest, StatusBlocksAroundRepliesAreCountedNotAnswers) {
  ScriptedPrinter server([](const Bytes& c) -> Bytes {
    if (c[0] == 0x10 && c[1] == 0x04) return {0x30, 0x00, 0x00, 0x00, kIdle, 0x11, 0x13, 0x11};
    if (c == Bytes{0x1D, 0x49, 1}) return {0x38, 0x00, 0x00, 0x00, 0x90};
    return {};
  });
  PrinterConnection c(Loopback(server.Port()), Short());
  ASSERT_EQ(c.Open(), XJC_OK);
  PrinterState state;
  ASSERT_EQ(c.QueryState(state), XJC_OK);
  EXPECT_EQ(state, PrinterState{});
  std::uint8_t id = 0;
  ASSERT_EQ(c.QueryPrinterId(1, id), XJC_OK);
  EXPECT_EQ(id, 0x90);
  EXPECT_EQ(c.StatusBlockCount(), 5u);
  EXPECT_TRUE(c.LastStatusBlockState().coverOpen);
  EXPECT_EQ(c.QueuedReplyBytes(), 0u);
}

TEST(PrinterConnectionTest, LateAnswerIsNeverTakenForTheNextOne) {
  std::atomic<int> nameQuestions{0};
  ScriptedPrinter server([&](const Bytes& c) -> Bytes {
    if (c == Bytes{0x1D, 0x49, 67}) return ++nameQuestions == 1 ? Bytes{} : InfoBlock("NEW");
    return {};
  });
  PrinterConnection c(Loopback(server.Port()), Short());
  ASSERT_EQ(c.Open(), XJC_OK);
  std::string text;
  EXPECT_EQ(c.QueryInfoText(67, text), XJC_E_TIMEOUT);
  ASSERT_TRUE(server.Send(InfoBlock("OLD")));  // the slow printer's answer after all
  for (int i = 0; i < 2000 && c.QueuedReplyBytes() == 0; ++i) {
    c.Drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_GT(c.QueuedReplyBytes(), 0u);
  ASSERT_EQ(c.QueryInfoText(67, text), XJC_OK);
  EXPECT_EQ(text, "NEW");
}

TEST(PrinterConnectionTest, RawReadsSkipStatusAndKeepUnreadReplies) {
  // The caller's reply is slow: it arrives only after the library has asked its own
  // question, just ahead of that question's answer.
  std::atomic<bool> callerReplySent{false};
  ScriptedPrinter server([&](const Bytes& c) -> Bytes {
    if (c[0] == 0x10 && c[1] == 0x04) {
      if (callerReplySent.exchange(true)) return {kIdle};
      return {0x10, 0x00, 0x00, 0x00, 0x5F, 'N', 0x13, 'O', 0x00, kIdle};
    }
    return {};
  });
  PrinterConnection c(Loopback(server.Port()), Short());
  ASSERT_EQ(c.Open(), XJC_OK);
  const Bytes request{0x1D, 0x49, 66};
  std::size_t done = 0;
  ASSERT_EQ(c.Write(request.data(), request.size(), &done, 1000), XJC_OK);
  EXPECT_EQ(done, 3u);
  ASSERT_TRUE(server.WaitForCommands(1));
  // The library asks its own question before the caller reads: its answer is not the
  // caller's, and the caller's reply stays for the caller.
  PrinterState state;
  state.coverOpen = true;
  ASSERT_EQ(c.QueryState(state), XJC_OK);
  EXPECT_EQ(state, PrinterState{});
  Bytes got;
  std::uint8_t buffer[3];
  while (got.size() < 4) {
    ASSERT_EQ(c.Read(buffer, sizeof(buffer), &done, 2000), XJC_OK);
    got.insert(got.end(), buffer, buffer + done);
  }
  EXPECT_EQ(got, (Bytes{0x5F, 'N', 'O', 0x00}));
  EXPECT_EQ(c.Read(buffer, sizeof(buffer), &done, 50), XJC_E_TIMEOUT);
  EXPECT_EQ(done, 0u);
}

TEST(PrinterConnectionTest, ACallersStatusRequestsKeepTheirRepliesWhenTheLibraryAsksBeforeTheyArrive) {
  // The printer holds back its answers to the caller's four status requests and its
  // battery request until the library has asked its own questions, then answers all in
  // order: the caller's first.
  const Bytes callerReplies{0x16, 0x1A, 0x32, 0x52, 0x37, 0x45, 0x31, 0x33, 0x00};
  std::atomic<int> commands{0};
  std::atomic<bool> printing{false};
  ScriptedPrinter server([&](const Bytes& c) -> Bytes {
    const int n = ++commands;
    if (n <= 5 || printing) return {};
    Bytes reply = n == 6 ? callerReplies : Bytes{};
    if (c[0] == 0x10 && c[1] == 0x04) reply.push_back(kIdle);
    if (c == Bytes{0x10, 0x14, 0x07, 0x05}) reply.insert(reply.end(), {0x37, 0x45, 0x30, 0x36, 0x00});
    return reply;
  });
  PrinterConnection c(Loopback(server.Port()), Short());
  ASSERT_EQ(c.Open(), XJC_OK);
  const Bytes requests{0x10, 0x04, 1, 0x10, 0x04, 2, 0x10, 0x04, 3, 0x10, 0x04, 4, 0x10, 0x14, 0x07, 0x05};
  std::size_t done = 0;
  ASSERT_EQ(c.Write(requests.data(), requests.size(), &done, 1000), XJC_OK);
  ASSERT_TRUE(server.WaitForCommands(5));

  PrinterState state;
  state.coverOpen = true;
  ASSERT_EQ(c.QueryState(state), XJC_OK);
  EXPECT_EQ(state, PrinterState{}) << "the library took a reply of the caller's";
  std::uint16_t battery = 0;
  ASSERT_EQ(c.QueryBattery(battery), XJC_OK);
  EXPECT_EQ(battery, 0x3630);
  Bytes got;
  std::uint8_t buffer[16];
  while (got.size() < callerReplies.size()) {
    ASSERT_EQ(c.Read(buffer, sizeof(buffer), &done, 2000), XJC_OK);
    got.insert(got.end(), buffer, buffer + done);
  }
  EXPECT_EQ(got, callerReplies);

  // The same bytes amid other data (an image, say) owe nothing: the printer does not
  // answer them, and the library's next question gets its own answer.
  printing = true;
  const Bytes printData{'A', 0x10, 0x04, 1, 'B'};
  const std::size_t before = server.Commands().size();
  ASSERT_EQ(c.Write(printData.data(), printData.size(), &done, 1000), XJC_OK);
  ASSERT_TRUE(server.WaitForCommands(before + 3));
  printing = false;
  ASSERT_EQ(c.QueryState(state), XJC_OK);
  EXPECT_EQ(state, PrinterState{});
}

TEST(PrinterConnectionTest, GarbageAndEndlessRepliesStayBounded) {
  ScriptedPrinter server([](const Bytes&) {
    Bytes junk(20000, 'q');  // 'q' reads as a real-time status byte: far too many
    junk[0] = 0x37;          // ... and starts with a block that never ends
    return junk;
  });
  PrinterConnection c(Loopback(server.Port()), Short());
  ASSERT_EQ(c.Open(), XJC_OK);
  std::string text;
  EXPECT_EQ(c.QueryInfoText(67, text), XJC_E_BAD_REPLY);
  PrinterState state;
  EXPECT_EQ(c.QueryState(state), XJC_E_BAD_REPLY);
  for (int i = 0; i < 20; ++i) c.Drain();
  EXPECT_LE(c.QueuedReplyBytes(), 64u * 1024u);
}

TEST(PrinterConnectionTest, OnePortOneHolder) {
  Printer p;
  PrinterConnection first(Loopback(p.server.Port()), Short());
  PrinterConnection second(Loopback(p.server.Port()), Short());
  ASSERT_EQ(first.Open(), XJC_OK);
  EXPECT_EQ(second.Open(), XJC_E_IN_USE);
  first.Close();
  EXPECT_EQ(second.Open(), XJC_OK);
}

TEST(PrinterConnectionTest, PortLockWorksAcrossUsers) {
  const std::string identity = "NET-127.0.0.1-9100";  // the lock folder is this test's own
  const std::string path = PortLock::LockFilePath(identity);
  {
    PortLock lock;
    ASSERT_EQ(lock.Acquire(identity), XJC_OK);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IROTH, 0u) << "other users must be able to take the lock too";
  }
  // A holder with a read-only descriptor (as another user has) still holds the port.
  const int other = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  PortLock mine;
  EXPECT_EQ(mine.Acquire(identity), XJC_E_IN_USE);
  ::close(other);
  EXPECT_EQ(mine.Acquire(identity), XJC_OK);
}

TEST(PrinterConnectionTest, OnlyCharacterDevicesAreOpened) {
  const std::string file = testenv::MakeTempDir("notadevice") + "/ttyS0";
  ASSERT_TRUE(testenv::WriteFile(file, "keep me"));
  PortAddress a;
  a.kind = PortKind::Serial;
  a.device = file;
  PrinterConnection c(a, Short());
  EXPECT_EQ(c.Open(), XJC_E_OPEN_FAILED);
  EXPECT_EQ(testenv::ReadFile(file), "keep me");
  a.kind = PortKind::Usb;
  PrinterConnection usb(a, Short());
  EXPECT_EQ(usb.Open(), XJC_E_OPEN_FAILED);
  a.kind = PortKind::Parallel;
  PrinterConnection lpt(a, Short());
  EXPECT_EQ(lpt.Open(), XJC_E_OPEN_FAILED);
  EXPECT_EQ(testenv::ReadFile(file), "keep me");
}

TEST(PrinterConnectionTest, ForcedFlowControlWaitsForXon) {
  ScriptedPrinter server([](const Bytes& c) -> Bytes {
    if (c == Bytes{0x1D, 0x49, 2}) return {0x13, 0x02};  // buffer full, then the type ID
    return {};
  });
  PrinterConnection c(Loopback(server.Port()), Short());
  ASSERT_EQ(c.Open(), XJC_OK);
  c.SetFlowControlForced(true);
  std::uint8_t type = 0;
  ASSERT_EQ(c.QueryPrinterId(2, type), XJC_OK);
  EXPECT_EQ(type, 0x02);

  const Bytes request{0x1D, 0x49, 1};
  std::size_t done = 99;
  EXPECT_EQ(c.Write(request.data(), request.size(), &done, 200), XJC_E_TIMEOUT);
  EXPECT_EQ(done, 0u);
  ASSERT_TRUE(server.Send({0x11}));
  EXPECT_EQ(c.Write(request.data(), request.size(), &done, 10000), XJC_OK);
  EXPECT_EQ(done, 3u);
  EXPECT_TRUE(server.WaitForCommands(2));

  // Without forcing, XOFF is ignored.
  c.SetFlowControlForced(false);
  ASSERT_EQ(c.QueryPrinterId(2, type), XJC_OK);
  EXPECT_EQ(c.Write(request.data(), request.size(), &done, 1000), XJC_OK);
}

// The monitor is woken by the bytes themselves: with every rhythm of its own ten minutes
// long, a status block the printer sends still reaches the procedure, also one that
// another caller's read takes in.
TEST(StatusMonitorTest, AnArrivingStatusBlockWakesTheMonitor) {
  Printer p;
  auto connection = std::make_shared<PrinterConnection>(Loopback(p.server.Port()), Short());
  ASSERT_EQ(connection->Open(), XJC_OK);
  struct Seen {
    std::mutex mutex;
    std::vector<std::uint32_t> codes;
    bool Has(std::uint32_t code) {
      std::lock_guard<std::mutex> lock(mutex);
      return std::find(codes.begin(), codes.end(), code) != codes.end();
    }
    bool LastIs(std::uint32_t code) {
      std::lock_guard<std::mutex> lock(mutex);
      return !codes.empty() && codes.back() == code;
    }
  } seen;
  StatusProcedures procedures;
  procedures.RegisterStatus(
      [](std::uint32_t code, void* context) -> std::int32_t {
        auto* s = static_cast<Seen*>(context);
        std::lock_guard<std::mutex> lock(s->mutex);
        s->codes.push_back(code);
        return 1;
      },
      &seen);
  MonitorTiming never;
  never.drainMs = never.pollMs = never.confirmPollMs = never.batteryMs = 600000;
  StatusMonitor monitor(connection, procedures, never);
  monitor.Start();
  const auto waitFor = [&](std::uint32_t code) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!seen.Has(code) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return seen.Has(code);
  };
  ASSERT_TRUE(waitFor(XJC_STATUS_ONLINE));  // the first look, right at the start
  ASSERT_TRUE(p.server.Send({0x38, 0x00, 0x00, 0x00}));  // offline, cover open
  EXPECT_TRUE(waitFor(XJC_STATUS_COVER_OPEN));

  // While another caller reads replies, the descriptor is left to it; a status block its
  // reads bring in still reaches the procedure.
  const auto readReply = [&](const std::string& text) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (got.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::uint8_t buffer[64];
      std::size_t done = 0;
      if (connection->Read(buffer, sizeof buffer, &done, 100) == XJC_OK) got.append(buffer, buffer + done);
    }
    return got.find(text) != std::string::npos;
  };
  ASSERT_TRUE(p.server.Send(InfoBlock("first")));
  ASSERT_TRUE(readReply("first"));
  Bytes closedThenReply = kAllClear;
  const Bytes second = InfoBlock("second");
  closedThenReply.insert(closedThenReply.end(), second.begin(), second.end());
  ASSERT_TRUE(p.server.Send(closedThenReply));
  ASSERT_TRUE(readReply("second"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!seen.LastIs(XJC_STATUS_ONLINE) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(seen.LastIs(XJC_STATUS_ONLINE));
  monitor.RequestStop();
  monitor.Join();
  connection->Close();
}

}  // namespace
}  // namespace xjcomm
