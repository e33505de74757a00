// bench_user: what a user of the program waits for, each figure measured beside its
// floor in the same run, so that the ratio of the two holds on a busy machine where the
// absolute times do not (bench/README.md describes every figure, its floor and target):
//   1 start-up in file mode to the main window shown, and its peak memory
//     floor: floor_window, a Qt Widgets program that only shows a window of that size
//   2 OK in the printer selection dialog (mode 3, the simulator on loopback TCP) to
//     every page's settings read and the progress dialog closed
//     floor: the setting queries the program sent, once each, one after another
//   3 the same on a pseudo-terminal paced at 38400 baud
//     floor: the bytes of those queries and their replies at 10 bits a byte
//   4 the printer's cover opening or closing (control socket) to the status line's text
//     floor: the simulator's automatic status block reaching a bare TCP client
//   5 a language file of 10,000 lines loaded into a table
//     floor: reading the file's bytes
// The program runs from the installation folder on the offscreen platform with its event
// log, whose times (monotonic clock) give the figures.
//
//   bench_user [--runs N] [--only 1,2,...] [--dump-queries]
// --dump-queries prints what the program sent to the printer and got back while the
// queries were recorded, with the times from the OK.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchEnv.h"
#include "bench/FloorClient.h"
#include "bench/ProgramRun.h"
#include "bench/RecordingProxy.h"
#include "bench/SimLauncher.h"
#include "comm/XJC.h"
#include "lang/CLangResTable.h"
#include "platform/Text.h"

namespace {

using floorclient::Request;
using floorclient::RequestKind;

constexpr int kDefaultRuns = 9;
constexpr int kStartTimeoutMs = 60000;
constexpr int kExitTimeoutMs = 30000;
constexpr int kSimStartTimeoutMs = 15000;
constexpr int kControlTimeoutMs = 5000;
constexpr int kReplyTimeoutMs = 5000;
constexpr int kChangeTimeoutMs = 10000;

constexpr int kSerialBaud = 38400;
constexpr double kBitsPerByte = 10;
constexpr int kLanguageLines = 10000;
constexpr std::int32_t kEnglish = 0x0409;
constexpr double kSettledSeconds = 3.5;  // the profile reader keeps a parsed copy after 3 s

constexpr int kStatusRounds = 3;       // program starts, each with a floor batch before it
constexpr int kChangesPerRound = 7;
constexpr int kMaxPauseMs = 250;       // between changes, not timed
constexpr unsigned kPauseSeed = 52;
constexpr std::uint8_t kAllStatusItems = 0x0F;
constexpr std::size_t kStatusBlockBytes = 4;

constexpr double kStartupTimeTarget = 1.5;
constexpr double kStartupMemoryTarget = 1.5;
constexpr double kReadTcpTarget = 1.2;
constexpr double kReadSerialTarget = 1.1;
constexpr double kStatusBeyondTargetMs = 50;
constexpr double kLanguageTarget = 3;

std::string Dist() { return XJ_DIST_DIR; }
std::string Program() { return Dist() + "/xjk52util"; }
std::string Simulator() { return Dist() + "/xjk52-sim"; }

// ---- figures and how they are printed ------------------------------------------------

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t mid = v.size() / 2;
  return v.size() % 2 == 1 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

struct Figure {
  enum class Compare { kRatio, kBeyond, kNone };
  explicit Figure(std::string title) : name(std::move(title)) {}
  std::string name;
  std::string unit = "ms";
  std::vector<double> values;  // one per run
  std::vector<double> floors;  // one per run, measured beside it
  Compare compare = Compare::kRatio;
  double target = 0;
  std::vector<std::string> notes;
  std::string error;

  // Ratio of each run to the floor measured beside it, then their median: a load that
  // slows both alike cancels out.
  double Ratio() const {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < values.size() && i < floors.size(); ++i)
      if (floors[i] > 0) ratios.push_back(values[i] / floors[i]);
    return Median(ratios);
  }
  double Beyond() const { return Median(values) - Median(floors); }
  bool Met() const { return compare == Compare::kRatio ? Ratio() <= target : Beyond() <= target; }
};

std::string Format(double value) {
  char text[32];
  std::snprintf(text, sizeof text, value >= 100 ? "%.0f" : value >= 10 ? "%.1f" : "%.2f", value);
  return text;
}

std::string Spread(const std::vector<double>& v) {
  if (v.empty()) return "-";
  return Format(*std::min_element(v.begin(), v.end())) + "-" + Format(*std::max_element(v.begin(), v.end()));
}

void Print(const Figure& f) {
  std::printf("\n%s\n", f.name.c_str());
  if (!f.error.empty()) {
    std::printf("  NOT MEASURED: %s\n", f.error.c_str());
    return;
  }
  std::printf("  program  median %9s %-3s  spread %s (%zu runs)\n", Format(Median(f.values)).c_str(), f.unit.c_str(),
              Spread(f.values).c_str(), f.values.size());
  if (!f.floors.empty()) {
    std::printf("  floor    median %9s %-3s  spread %s (%zu runs)\n", Format(Median(f.floors)).c_str(), f.unit.c_str(),
                Spread(f.floors).c_str(), f.floors.size());
  }
  switch (f.compare) {
    case Figure::Compare::kRatio:
      std::printf("  ratio    %.2f x (target <= %.1f x): %s\n", f.Ratio(), f.target, f.Met() ? "met" : "MISSED");
      break;
    case Figure::Compare::kBeyond:
      std::printf("  beyond   %s %s (target <= %.0f %s): %s\n", Format(f.Beyond()).c_str(), f.unit.c_str(), f.target,
                  f.unit.c_str(), f.Met() ? "met" : "MISSED");
      break;
    case Figure::Compare::kNone: break;
  }
  for (const std::string& note : f.notes) std::printf("  %s\n", note.c_str());
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

double Ms(double seconds) { return seconds * 1000.0; }

// ---- helpers ---------------------------------------------------------------------------

// Registers a port with the communication library (test, then add) as the port setting
// dialog does, in a child process: the library stays out of the benchmark.
bool RegisterPort(const PortRecord& record) {
  return RunInChildProcess([&] {
    XJC xjc;
    if (xjc.Load(plat::FromUtf8(Dist() + "/XJComm.so")) != XJC_OK) return 2;
    PortRecord copy = record;
    int rc = 0;
    if (xjc.XJC_CommunicationTest(&copy) != XJC_OK) {
      rc = 3;
    } else if (xjc.XJC_AddPort(&copy) != XJC_OK) {
      rc = 4;
    }
    xjc.XJC_Terminate();
    return rc;
  }) == 0;
}

PortRecord NewPortRecord(std::u16string_view kind, const std::string& portName) {
  PortRecord record;
  std::memset(&record, 0, sizeof record);
  record.presetA = -1;
  record.presetB = -1;
  plat::CopyText(record.kind, kind);
  plat::CopyText(record.portName, plat::FromUtf8(portName));
  return record;
}

// Each figure that registers a port gets common folders of its own, so that the
// selection dialog lists its one port.
void UseOwnCommonFolder(const std::string& hint) {
  setenv("XJ_COMMON_APPDATA", benchenv::MakeTempDir(hint).c_str(), 1);
}

// The control socket of a simulator started with --control.
class ControlSocket {
 public:
  ~ControlSocket() {
    if (fd_ >= 0) close(fd_);
  }
  bool Connect(const std::string& path) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    return fd_ >= 0 && connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  bool Send(const std::string& command) {
    const std::string line = command + "\n";
    return write(fd_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  }
  // The next reply line; empty when none came in time.
  std::string Reply() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kControlTimeoutMs);
    while (buffered_.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd_, POLLIN, 100};
      if (poll(&p, 1, 100) <= 0) continue;
      char chunk[256];
      const ssize_t n = read(fd_, chunk, sizeof chunk);
      if (n <= 0) return {};
      buffered_.append(chunk, static_cast<std::size_t>(n));
    }
    const std::size_t end = buffered_.find('\n');
    if (end == std::string::npos) return {};
    std::string line = buffered_.substr(0, end);
    buffered_.erase(0, end + 1);
    return line;
  }

 private:
  int fd_ = -1;
  std::string buffered_;
};

// Reads exactly size bytes from fd within timeoutMs.
bool ReadExactly(int fd, std::size_t size, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t got = 0;
  while (got < size) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    std::uint8_t chunk[64];
    const ssize_t n = read(fd, chunk, std::min(sizeof chunk, size - got));
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

// ---- 1: start-up -----------------------------------------------------------------------

struct StartRun {
  double seconds = 0;
  double mib = 0;
  double cpuSeconds = 0;  // processor time to the window (and the floor's end)
  std::string error;
};

StartRun RunToWindow(const std::string& program, const std::vector<std::string>& args, bool terminate) {
  StartRun result;
  ProgramRun run(benchenv::MakeTempDir("start"));
  run.SetEnv("XJ_MESSAGE_BOX_ANSWER", "no");  // no settings command file at exit
  if (!run.Start(program, args)) {
    result.error = "cannot start " + program;
    return result;
  }
  const std::optional<plat::EventLine> shown = run.WaitForEvent("main-window-shown", kStartTimeoutMs);
  // The program waits in its event loop once the window is up; the floor ends by itself.
  if (terminate) result.cpuSeconds = run.CpuSeconds();
  const int exit = terminate ? run.Terminate(kExitTimeoutMs) : run.Wait(kExitTimeoutMs);
  if (!terminate) result.cpuSeconds = run.CpuSeconds();
  if (!shown || exit != 0) {
    result.error = program + " did not show its window and end (exit " + std::to_string(exit) + "): " + run.Output();
    return result;
  }
  result.seconds = shown->seconds - run.StartSeconds();
  result.mib = static_cast<double>(run.PeakKiB()) / 1024.0;
  return result;
}

void MeasureStartup(int runs, std::vector<Figure>& out) {
  Figure time{"1  start of xjk52util in file mode (/mF) to its main window shown"};
  time.target = kStartupTimeTarget;
  Figure memory{"1' peak memory of that start-up (resident set high-water mark)"};
  memory.unit = "MiB";
  memory.target = kStartupMemoryTarget;
  const std::string settings = benchenv::MakeTempDir("file-mode") + "/settings.bin";
  std::vector<double> programCpu, floorCpu;
  // The first pair warms the page cache and is not counted.
  for (int i = -1; i < runs; ++i) {
    const StartRun floor = RunToWindow(XJ_FLOOR_WINDOW, {}, false);
    const StartRun program = RunToWindow(Program(), {"/mF" + settings}, true);
    const std::string& error = !floor.error.empty() ? floor.error : program.error;
    if (!error.empty()) {
      time.error = memory.error = error;
      break;
    }
    if (i < 0) continue;
    time.values.push_back(Ms(program.seconds));
    time.floors.push_back(Ms(floor.seconds));
    memory.values.push_back(program.mib);
    memory.floors.push_back(floor.mib);
    programCpu.push_back(Ms(program.cpuSeconds));
    floorCpu.push_back(Ms(floor.cpuSeconds));
  }
  time.notes.push_back("from the fork of the process to \"main-window-shown\" in its event log");
  time.notes.push_back("processor time to the window (all threads; less disturbed by the machine's load): program median " +
                       Format(Median(programCpu)) + " ms, floor median " + Format(Median(floorCpu)) + " ms");
  out.push_back(time);
  out.push_back(memory);
}

// ---- 2, 3: reading every setting -----------------------------------------------------

struct ReadRun {
  std::string error;
  double seconds = 0;       // OK to the progress dialog closed
  double heldSeconds = 0;   // the dialog's hold after the job ended
  double toProgress = 0;    // OK to the progress dialog shown
  double toWindow = 0;      // OK to the main window shown
  double answeredAt = 0;
  double jobEndAt = 0;      // the dialog closed, less its hold
};

// Starts the program in mode 3 with the selection dialog answered OK, waits until every
// page has read the printer's settings and the program has shown its main window, and
// ends it.
ReadRun RunSettingsRead() {
  ReadRun result;
  ProgramRun run(benchenv::MakeTempDir("read"));
  run.SetEnv("XJ_SELECT_DIALOG_ANSWER", "ok");
  run.SetEnv("XJ_MESSAGE_BOX_ANSWER", "ok");
  if (!run.Start(Program(), {"/mR"})) {
    result.error = "cannot start the program";
    return result;
  }
  const auto answered = run.WaitForEvent("selection-answered", kStartTimeoutMs);
  const auto closed = run.WaitForEvent("progress-closed", kStartTimeoutMs);
  const auto read = run.WaitForEvent("settings-read", kStartTimeoutMs);
  const auto window = run.WaitForEvent("main-window-shown", kStartTimeoutMs);
  const auto shown = run.WaitForEvent("progress-shown", 0);
  const auto box = run.WaitForEvent("messagebox", 0);
  const int exit = run.Terminate(kExitTimeoutMs);
  if (!answered || !closed || !read || !window || exit != 0) {
    result.error = "the program did not read the printer and end: " + run.Output();
    return result;
  }
  if (read->fields.empty() || read->fields[0] != "1" || box) {
    result.error = "reading the settings did not complete" +
                   (box && box->fields.size() > 1 ? ": " + box->fields[1] : std::string());
    return result;
  }
  result.answeredAt = answered->seconds;
  result.seconds = closed->seconds - answered->seconds;
  result.heldSeconds = closed->fields.size() > 1 ? std::atof(closed->fields[1].c_str()) / 1000.0 : 0;
  result.jobEndAt = closed->seconds - result.heldSeconds;
  result.toProgress = shown ? shown->seconds - answered->seconds : 0;
  result.toWindow = window->seconds - answered->seconds;
  return result;
}

struct Queries {
  std::vector<Request> distinct;  // the setting queries, once each, in the order first sent
  std::size_t settingQueries = 0;  // setting queries with repeats
  std::size_t statusRequests = 0;
  std::size_t otherRequests = 0;
  std::string error;
};

// Runs the program once through a recording relay to the simulator and takes the
// requests it sent between the OK and the end of the reading job. With dump, prints the
// whole conversation with the times relative to the OK.
Queries RecordQueries(bool dump) {
  Queries q;
  SimLauncher sim;
  if (!sim.Start(Simulator(), kSimStartTimeoutMs)) {
    q.error = sim.Error();
    return q;
  }
  RecordingProxy proxy;
  if (!proxy.Start(sim.Port())) {
    q.error = "the recording relay did not start";
    return q;
  }
  UseOwnCommonFolder("common-record");
  if (!RegisterPort(NewPortRecord(kPortKindNet, "127.0.0.1:" + std::to_string(proxy.Port())))) {
    q.error = "the relayed simulator could not be registered";
    return q;
  }
  const ReadRun run = RunSettingsRead();
  proxy.Stop();
  if (!run.error.empty()) {
    q.error = run.error;
    return q;
  }
  std::set<std::string> seen;
  for (const RecordingProxy::Chunk& chunk : proxy.Chunks()) {
    if (dump) {
      std::printf("%9.3f ms %s %s\n", Ms(chunk.seconds - run.answeredAt), chunk.toPrinter ? "->" : "<-",
                  floorclient::Hex(chunk.bytes).c_str());
    }
    if (!chunk.toPrinter || chunk.seconds < run.answeredAt || chunk.seconds > run.jobEndAt) continue;
    for (Request& request : floorclient::SplitRequests(chunk.bytes)) {
      switch (floorclient::KindOf(request)) {
        case RequestKind::kSettingQuery:
          ++q.settingQueries;
          if (seen.insert(std::string(request.begin(), request.end())).second) q.distinct.push_back(std::move(request));
          break;
        case RequestKind::kStatus: ++q.statusRequests; break;
        case RequestKind::kOther: ++q.otherRequests; break;
      }
    }
  }
  if (q.distinct.empty()) q.error = "the program sent no setting query";
  return q;
}

std::string QueryNote(const Queries& q) {
  return "the program sent " + std::to_string(q.settingQueries) + " setting queries (" +
         std::to_string(q.distinct.size()) + " different), " + std::to_string(q.statusRequests) +
         " status requests and " + std::to_string(q.otherRequests) + " other requests between OK and the job's end";
}

void AddReadNotes(Figure& f, const std::vector<ReadRun>& runs) {
  std::vector<double> held, total, toProgress, toWindow;
  for (const ReadRun& r : runs) {
    held.push_back(Ms(r.heldSeconds));
    total.push_back(Ms(r.seconds));
    toProgress.push_back(Ms(r.toProgress));
    toWindow.push_back(Ms(r.toWindow));
  }
  f.notes.push_back("OK to the progress dialog closed, hold included: median " + Format(Median(total)) + " ms (" +
                    Spread(total) + ")");
  f.notes.push_back("the progress dialog's minimum display, left out above: median " + Format(Median(held)) +
                    " ms (" + Spread(held) + ")");
  f.notes.push_back("OK to the progress dialog shown: median " + Format(Median(toProgress)) +
                    " ms; OK to the main window shown: median " + Format(Median(toWindow)) + " ms");
}

void MeasureReadTcp(int runs, const Queries& queries, std::vector<Figure>& out) {
  Figure f{"2  OK in the selection dialog (mode 3, simulator on loopback TCP) to every page's settings read"};
  f.target = kReadTcpTarget;
  SimLauncher sim;
  UseOwnCommonFolder("common-tcp");
  if (!sim.Start(Simulator(), kSimStartTimeoutMs)) {
    f.error = sim.Error();
  } else if (!RegisterPort(NewPortRecord(kPortKindNet, "127.0.0.1:" + std::to_string(sim.Port())))) {
    f.error = "the simulator could not be registered";
  }
  std::vector<ReadRun> reads;
  for (int i = -1; i < runs && f.error.empty(); ++i) {
    // The floor: its own connection, opened and tried once before the clock starts (the
    // simulator may still be closing the program's connection).
    const int fd = floorclient::ConnectLoopback(sim.Port());
    const floorclient::ReplayResult warm = floorclient::Replay(fd, {queries.distinct.front()}, kReplyTimeoutMs);
    const floorclient::ReplayResult floor = floorclient::Replay(fd, queries.distinct, kReplyTimeoutMs);
    if (fd >= 0) close(fd);
    const ReadRun read = RunSettingsRead();
    if (!warm.ok || !floor.ok || !read.error.empty()) {
      f.error = !floor.ok ? "floor client: " + floor.error : !warm.ok ? "floor client: " + warm.error : read.error;
      break;
    }
    if (i < 0) continue;
    f.values.push_back(Ms(read.seconds - read.heldSeconds));
    f.floors.push_back(Ms(floor.seconds));
    reads.push_back(read);
  }
  f.notes.push_back(QueryNote(queries));
  if (f.error.empty()) AddReadNotes(f, reads);
  out.push_back(f);
}

void MeasureReadSerial(int runs, const Queries& queries, std::vector<Figure>& out) {
  Figure f{"3  the same on a pseudo-terminal at " + std::to_string(kSerialBaud) +
           " baud (simulator --pty-baud, port registered as COM at that rate)"};
  f.target = kReadSerialTarget;
  SimLauncher sim;
  UseOwnCommonFolder("common-serial");
  if (!sim.Start(Simulator(), kSimStartTimeoutMs, {"--pty", "--pty-baud", std::to_string(kSerialBaud)})) {
    f.error = sim.Error();
  } else {
    PortRecord record = NewPortRecord(kPortKindCom, sim.PtyPath());
    record.serialParamsSet = 1;
    record.baudRate = kSerialBaud;
    record.bitLength = 8;
    record.parity = 0;
    if (!RegisterPort(record)) f.error = "the simulator's terminal could not be registered";
  }
  std::vector<ReadRun> reads;
  std::vector<double> replayed, programBytes;
  std::size_t floorBytes = 0;
  for (int i = -1; i < runs && f.error.empty(); ++i) {
    const int fd = floorclient::OpenSerial(sim.PtyPath(), kSerialBaud);
    const floorclient::ReplayResult floor = floorclient::Replay(fd, queries.distinct, kReplyTimeoutMs);
    if (fd >= 0) close(fd);
    const long before = sim.Counter("bytesin", kControlTimeoutMs) + sim.Counter("bytesout", kControlTimeoutMs);
    const ReadRun read = RunSettingsRead();
    const long after = sim.Counter("bytesin", kControlTimeoutMs) + sim.Counter("bytesout", kControlTimeoutMs);
    if (!floor.ok || !read.error.empty()) {
      f.error = !floor.ok ? "floor client: " + floor.error : read.error;
      break;
    }
    if (i < 0) continue;
    floorBytes = floor.bytesIn + floor.bytesOut;
    f.values.push_back(Ms(read.seconds - read.heldSeconds));
    f.floors.push_back(Ms(static_cast<double>(floorBytes) * kBitsPerByte / kSerialBaud));
    replayed.push_back(Ms(floor.seconds));
    programBytes.push_back(static_cast<double>(after - before));
    reads.push_back(read);
  }
  if (f.error.empty()) {
    f.notes.push_back("floor: " + std::to_string(floorBytes) + " bytes of queries and replies x 10 bits / " +
                      std::to_string(kSerialBaud) + " baud; the floor client itself took median " +
                      Format(Median(replayed)) + " ms on the paced terminal");
    f.notes.push_back("bytes on the line from start to end of the program, median " + Format(Median(programBytes)) +
                      " (status polling and the selection's test included)");
    AddReadNotes(f, reads);
  }
  out.push_back(f);
}

// ---- 4: status changes -----------------------------------------------------------------

void MeasureStatus(std::vector<Figure>& out) {
  Figure f{"4  the simulator's cover opened or closed (control socket) to the status line's new text"};
  f.compare = Figure::Compare::kBeyond;
  f.target = kStatusBeyondTargetMs;
  const std::string socketPath = benchenv::MakeTempDir("status") + "/sim.sock";
  SimLauncher sim;
  ControlSocket control;
  UseOwnCommonFolder("common-status");
  if (!sim.Start(Simulator(), kSimStartTimeoutMs, {"--control", socketPath})) {
    f.error = sim.Error();
  } else if (!control.Connect(socketPath)) {
    f.error = "cannot connect to the simulator's control socket";
  } else if (!RegisterPort(NewPortRecord(kPortKindNet, "127.0.0.1:" + std::to_string(sim.Port())))) {
    f.error = "the simulator could not be registered";
  }
  std::mt19937 random(kPauseSeed);
  std::uniform_int_distribution<int> pause(0, kMaxPauseMs);
  bool open = false;
  // One change: the pause, then the command; returns the time it was sent.
  const auto change = [&]() -> std::optional<double> {
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    open = !open;
    const double sent = MonotonicSeconds();
    if (!control.Send(open ? "cover open" : "cover closed")) return std::nullopt;
    return sent;
  };
  for (int round = 0; round < kStatusRounds && f.error.empty(); ++round) {
    // The floor: a bare client with automatic status on, the block timed on arrival.
    const int fd = floorclient::ConnectLoopback(sim.Port());
    const std::uint8_t enable[] = {0x1D, 0x61, kAllStatusItems};
    if (fd < 0 || write(fd, enable, sizeof enable) != sizeof enable || !ReadExactly(fd, kStatusBlockBytes, kReplyTimeoutMs)) {
      f.error = "the bare client got no status block";
    }
    for (int i = 0; i < kChangesPerRound && f.error.empty(); ++i) {
      const std::optional<double> sent = change();
      if (!sent || !ReadExactly(fd, kStatusBlockBytes, kChangeTimeoutMs) || control.Reply() != "ok") {
        f.error = "the bare client saw no change";
        break;
      }
      f.floors.push_back(Ms(MonotonicSeconds() - *sent));
    }
    if (fd >= 0) close(fd);
    if (!f.error.empty()) break;

    // The program, once it has read the printer and follows it.
    ProgramRun run(benchenv::MakeTempDir("status-run"));
    run.SetEnv("XJ_SELECT_DIALOG_ANSWER", "ok");
    run.SetEnv("XJ_MESSAGE_BOX_ANSWER", "ok");
    const std::string online = "Status: Online";
    if (!run.Start(Program(), {"/mR"}) || !run.WaitForEvent("settings-read", kStartTimeoutMs, 0, "1") ||
        !run.WaitForEvent("status-line", kStartTimeoutMs, 0, open ? "Status: Cover is open" : online)) {
      f.error = "the program did not follow the printer: " + run.Output();
      break;
    }
    for (int i = 0; i < kChangesPerRound; ++i) {
      const std::optional<double> sent = change();
      const std::string expected = open ? "Status: Cover is open" : online;
      const auto shown = sent ? run.WaitForEvent("status-line", kChangeTimeoutMs, *sent, expected) : std::nullopt;
      if (!shown || control.Reply() != "ok") {
        f.error = "the status line did not change to \"" + expected + "\"";
        break;
      }
      f.values.push_back(Ms(shown->seconds - *sent));
    }
    if (run.Terminate(kExitTimeoutMs) != 0 && f.error.empty()) f.error = "the program did not end: " + run.Output();
  }
  f.notes.push_back("changes alternate between open and closed, " + std::to_string(kStatusRounds * kChangesPerRound) +
                    " of each side, a random pause of up to " + std::to_string(kMaxPauseMs) + " ms before each");
  out.push_back(f);
}

// ---- 5: a large language file --------------------------------------------------------------

// A language file of `lines` lines for the resource key BIG: the common sections and every
// record kind of the key, with texts of the length a real file has. *records receives the
// number of records a table loads from it.
std::string LanguageFile(int lines, long* records) {
  std::ostringstream text;
  text << "; generated: a language file of " << lines << " lines\n";
  int written = 1;
  *records = 0;
  const char* const kinds[] = {"CMN_STR", "CMN_MSG", "BIG_CAP", "BIG_CMB", "BIG_LSTCTRL", "BIG_MSG", "BIG_STR"};
  const int perKind = (lines - 1) / static_cast<int>(std::size(kinds)) - 1;  // a header line each
  for (const char* kind : kinds) {
    text << "[" << kind << "]\n";
    ++written;
    const std::string k = kind;
    for (int i = 0; i < perKind && written < lines; ++i, ++written, ++*records) {
      if (k == "BIG_CAP") {
        text << "TXT_ITEM_" << 2000 + i << "=Caption of the control number " << i << " on the big window\n";
      } else if (k == "BIG_CMB") {
        text << "ITEM_" << i << "_1017=Choice number " << i << " of the combo box||" << i << "\n";
      } else if (k == "BIG_LSTCTRL") {
        text << "COL_" << i << "_1020=Column " << i << " of the list||" << i % 8 << "||120||0\n";
      } else if (k.ends_with("_MSG")) {
        text << "MSG_" << i << "=Message number " << i << ": the printer reported something worth telling.\n";
      } else {
        text << "STR_" << i << "=Text number " << i << " of the window\n";
      }
    }
  }
  while (written++ < lines) text << "; filler\n";
  return text.str();
}

long TableRecords(const CLangResTable& table) {
  long records = static_cast<long>(table.Captions().size() + table.ComboItems().size() + table.ListColumns().size());
  for (const auto* list : {&table.Strings(), &table.Messages(), &table.CommonStrings(), &table.CommonMessages()})
    for (const auto& entry : *list) records += entry ? 1 : 0;
  return records;
}

void MeasureLanguageFile(int runs, std::vector<Figure>& out) {
  Figure f{"5  a language file of " + std::to_string(kLanguageLines) + " lines loaded into a table (one window's key)"};
  f.unit = "ms";
  f.target = kLanguageTarget;
  long expected = 0;
  const std::string content = LanguageFile(kLanguageLines, &expected);
  // One copy per run, each read once, as a program reads its installed file: settled on
  // disk (the reader then keeps one parsed copy for the key's sections), never read before.
  std::vector<std::string> folders;
  for (int i = 0; i <= runs; ++i) {
    folders.push_back(benchenv::MakeTempDir("lang"));
    benchenv::WriteFile(folders.back() + "/0409.DAT", content);
  }
  benchenv::WaitUntilUnchangedFor(folders.back() + "/0409.DAT", kSettledSeconds);
  for (int i = -1; i < runs; ++i) {
    const std::string& folder = folders[static_cast<std::size_t>(i + 1)];
    const std::string path = folder + "/0409.DAT";
    const auto readStart = std::chrono::steady_clock::now();
    std::string bytes;
    {
      const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      struct stat st {};
      if (fd >= 0 && fstat(fd, &st) == 0) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        for (ssize_t n; got < bytes.size() && (n = read(fd, bytes.data() + got, bytes.size() - got)) > 0;)
          got += static_cast<std::size_t>(n);
        bytes.resize(got);
      }
      if (fd >= 0) close(fd);
    }
    const auto loadStart = std::chrono::steady_clock::now();
    CLangResTable table;
    const bool loaded = table.SelectLanguageFile(plat::FromUtf8(folder), kEnglish, kEnglish) == kLangFileRequested &&
                        table.LoadResources(u"BIG") == kLangOk;
    const auto loadEnd = std::chrono::steady_clock::now();
    if (bytes.size() != content.size() || !loaded || TableRecords(table) != expected) {
      f.error = "the language file was not read whole (" + std::to_string(TableRecords(table)) + " of " +
                std::to_string(expected) + " records)";
      break;
    }
    if (i < 0) continue;
    f.values.push_back(Ms(std::chrono::duration<double>(loadEnd - loadStart).count()));
    f.floors.push_back(Ms(std::chrono::duration<double>(loadStart - readStart).count()));
  }
  f.notes.push_back(std::to_string(content.size()) + " bytes, " + std::to_string(expected) +
                    " records; floor: open, read and close the file (in the page cache)");
  out.push_back(f);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = kDefaultRuns;
  bool dump = false;
  std::set<int> only;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--dump-queries") {
      dump = true;
    } else if (arg == "--only" && i + 1 < argc) {
      std::stringstream list(argv[++i]);
      for (std::string item; std::getline(list, item, ',');) only.insert(std::atoi(item.c_str()));
    } else {
      std::fprintf(stderr, "usage: %s [--runs N] [--only 1,2,3,4,5] [--dump-queries]\n", argv[0]);
      return 2;
    }
  }
  const auto wanted = [&](int figure) { return only.empty() || only.count(figure) > 0; };

  const std::string root = benchenv::Root();
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("XJ_LOCK_FOLDER", (root + "/run").c_str(), 1);
  std::printf("bench_user: %d runs of each figure, each beside its floor; load average at the start %s\n", runs,
              LoadAverage().c_str());
  std::fflush(stdout);

  std::vector<Figure> figures;
  if (wanted(1)) MeasureStartup(runs, figures);
  if (wanted(2) || wanted(3)) {
    const Queries queries = RecordQueries(dump);
    if (!queries.error.empty()) {
      for (int n : {2, 3}) {
        if (!wanted(n)) continue;
        Figure f{std::to_string(n) + "  reading every setting"};
        f.error = "recording the program's queries: " + queries.error;
        figures.push_back(f);
      }
    } else {
      if (wanted(2)) MeasureReadTcp(runs, queries, figures);
      if (wanted(3)) MeasureReadSerial(runs, queries, figures);
    }
  }
  if (wanted(4)) MeasureStatus(figures);
  if (wanted(5)) MeasureLanguageFile(runs, figures);

  bool measured = true;
  for (const Figure& f : figures) {
    Print(f);
    measured = measured && f.error.empty();
  }
  std::printf("\nload average at the end %s (2 cores)\n", LoadAverage().c_str());
  benchenv::RemoveRoot();
  return measured ? 0 : 1;
}
