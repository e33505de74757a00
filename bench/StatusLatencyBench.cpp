// How soon the status pane shows a change of the printer: the real XJComm.so, loaded
// from the installation folder, follows the real printer simulator on a loopback port
// and calls the status pane's callback, whose posted message changes the status line.
//   StatusLineLatency   one iteration opens or closes the simulator's cover and waits
//                       until the status line tells it; the time is from the control
//                       command to the new line. Between changes the benchmark waits a
//                       random while (not timed), so that the changes do not fall into
//                       step with the library's own rhythm. The counters give the median
//                       and the spread (10th and 90th percentile, minimum, maximum) over
//                       all changes, in milliseconds.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "bench/BenchEnv.h"
#include "bench/SimLauncher.h"
#include "comm/XJC.h"
#include "platform/Text.h"
#include "sdk/AppSettingsBlock.h"
#include "status/CUtilStatusView.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSimStartTimeoutMs = 15000;
constexpr int kControlTimeoutMs = 5000;
constexpr int kChangeTimeoutMs = 10000;
constexpr int kChanges = 200;
constexpr int kMaxPauseMs = 250;  // longer than the library's status rhythm
constexpr unsigned kPauseSeed = 52;
constexpr std::int32_t kOpenWithCheck = 1;

struct Session {
  SimLauncher sim;
  XJC xjc;
  PluginDataMgr manager;
  std::recursive_mutex lock;
  AppSettingsBlock block{};
  MenuItemList items;
  std::unique_ptr<QWidget> frame;
  CUtilStatusView* view = nullptr;
  std::string error;
};

Session& TheSession() {
  static Session session;
  return session;
}

// Serves the event loop until the status line reads text; false after the time limit.
bool WaitForLine(CUtilStatusView* view, const QString& text) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kChangeTimeoutMs);
  while (view->StatusText() != text) {
    if (Clock::now() >= deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

void SetUp() {
  Session& s = TheSession();
  if (!s.sim.Start(XJ_SIM_PATH, kSimStartTimeoutMs)) {
    s.error = s.sim.Error();
    return;
  }
  if (s.xjc.Load(plat::FromUtf8(std::string(XJ_DIST_DIR) + "/XJComm.so")) != XJC_OK) {
    s.error = "cannot load XJComm.so";
    return;
  }
  PortRecord& port = s.block.chosenPort;
  port.presetA = port.presetB = -1;
  plat::CopyText(port.kind, kPortKindNet);
  plat::CopyText(port.portName, plat::FromUtf8("127.0.0.1:" + std::to_string(s.sim.Port())));
  if (s.xjc.XJC_SetPort(&port) != XJC_OK || s.xjc.XJC_Open(kOpenWithCheck) != XJC_OK ||
      s.xjc.XJC_Initialize() != XJC_OK) {
    s.error = "the simulator's port does not open";
    return;
  }
  s.block.langId = 0x0409;
  plat::CopyText(s.block.langFolder, plat::FromUtf8(std::string(XJ_DIST_DIR) + "/LANG"));
  plat::CopyText(s.block.exeFolder, plat::FromUtf8(benchenv::MakeTempDir("exe") + "/"));
  s.block.chosenIfType = kIfTypeEthernet;
  s.block.dataMgr = &s.manager;
  s.block.commLock = &s.lock;
  s.block.xjc = &s.xjc;
  s.block.batteryScaleFlag = 1;
  s.frame = std::make_unique<QWidget>();
  s.view = new CUtilStatusView(s.frame.get());
  // Only the status is followed: the start-up result leaves the settings unread.
  s.view->OnInitialUpdate(&s.block, s.frame.get(), false);
  s.view->StartMonitoring(&s.items);
  if (!WaitForLine(s.view, QStringLiteral("Status: Online"))) s.error = "the status pane never said Online";
}

void TearDown() {
  Session& s = TheSession();
  s.frame.reset();
  s.view = nullptr;
  if (s.xjc.IsLoaded()) s.xjc.XJC_Terminate();
  s.xjc.Unload();
  s.sim.Stop();
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

void BM_StatusLineLatency(benchmark::State& state) {
  Session& s = TheSession();
  if (!s.error.empty()) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  std::vector<double> latencies;
  std::mt19937 random(kPauseSeed);
  std::uniform_int_distribution<int> pause(0, kMaxPauseMs);
  bool open = false;
  for (auto _ : state) {
    open = !open;
    const auto resume = Clock::now() + std::chrono::milliseconds(pause(random));
    while (Clock::now() < resume) QApplication::processEvents(QEventLoop::AllEvents, 1);
    const QString expected = open ? QStringLiteral("Status: Cover is open") : QStringLiteral("Status: Online");
    const auto start = Clock::now();
    if (s.sim.Control(open ? "cover open" : "cover closed", kControlTimeoutMs) != "ok") {
      state.SkipWithError("the simulator did not take the command");
      return;
    }
    if (!WaitForLine(s.view, expected)) {
      state.SkipWithError("the status line did not change");
      return;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    latencies.push_back(seconds * 1000.0);
  }
  if (latencies.empty()) return;
  state.counters["median_ms"] = Percentile(latencies, 0.5);
  state.counters["p10_ms"] = Percentile(latencies, 0.1);
  state.counters["p90_ms"] = Percentile(latencies, 0.9);
  state.counters["min_ms"] = *std::min_element(latencies.begin(), latencies.end());
  state.counters["max_ms"] = *std::max_element(latencies.begin(), latencies.end());
  state.counters["changes"] = static_cast<double>(latencies.size());
}
BENCHMARK(BM_StatusLineLatency)->UseManualTime()->Iterations(kChanges)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchenv::Root();  // private folders before anything looks for them
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  SetUp();
  return benchenv::RunBenchmarks(argc, argv, [] { TearDown(); });
}
