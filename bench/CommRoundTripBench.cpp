// The printer round trip as the program makes it: the real XJComm.so, loaded from the
// installation folder, talking to the real printer simulator on a loopback TCP port.
//   GetStatus            XJC_GetStatus on an open port without a status monitor: one
//                        real-time status exchange per call.
//   CommunicationTest    XJC_CommunicationTest of a port that is not open, as the printer
//                        selection dialog tests a port: connect, model name query, close.
//   CommunicationTest_OpenPort   the same for the port this process has open (asked over
//                        the open connection).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/BenchEnv.h"
#include "bench/SimLauncher.h"
#include "sdk/PortRecord.h"
#include "sdk/XJComm.h"
#include "platform/DynLib.h"

namespace {

constexpr int kSimStartTimeoutMs = 15000;
constexpr std::int32_t kOpenWithCheck = 1;
constexpr char16_t kExpectedModel[] = u"XJ-K52II";

using SetPortFn = XJC_RESULT (*)(const PortRecord*);
using OpenFn = XJC_RESULT (*)(std::int32_t);
using VoidFn = XJC_RESULT (*)();
using GetStatusFn = XJC_RESULT (*)(std::int32_t*);
using CommTestFn = XJC_RESULT (*)(PortRecord*);

struct Session {
  SimLauncher sim;
  plat::LibHandle lib = nullptr;
  SetPortFn setPort = nullptr;
  OpenFn open = nullptr;
  VoidFn close = nullptr;
  VoidFn terminate = nullptr;
  GetStatusFn getStatus = nullptr;
  CommTestFn communicationTest = nullptr;
  PortRecord record{};
  std::string error;

  bool Ready() const { return error.empty(); }
};

Session& TheSession() {
  static Session session;
  return session;
}

void CopyText(char16_t* field, std::size_t capacity, const std::u16string& text) {
  const std::size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(field, text.data(), n * sizeof(char16_t));
  field[n] = u'\0';
}

template <typename Fn>
bool Resolve(Session& s, Fn& fn, const char* name) {
  fn = reinterpret_cast<Fn>(plat::GetProcAddress(s.lib, name));
  if (fn == nullptr) s.error = std::string("XJComm.so has no ") + name;
  return fn != nullptr;
}

void SetUp() {
  Session& s = TheSession();
  if (!s.sim.Start(XJ_SIM_PATH, kSimStartTimeoutMs)) {
    s.error = s.sim.Error();
    return;
  }
  const std::string libPath = std::string(XJ_DIST_DIR) + "/XJComm.so";
  s.lib = plat::LoadLibraryW(std::u16string(libPath.begin(), libPath.end()));
  if (s.lib == nullptr) {
    s.error = "cannot load " + libPath + ": " + plat::LastLoadError();
    return;
  }
  if (!Resolve(s, s.setPort, "XJC_SetPort") || !Resolve(s, s.open, "XJC_Open") ||
      !Resolve(s, s.close, "XJC_Close") || !Resolve(s, s.terminate, "XJC_Terminate") ||
      !Resolve(s, s.getStatus, "XJC_GetStatus") ||
      !Resolve(s, s.communicationTest, "XJC_CommunicationTest")) {
    return;
  }
  std::memset(&s.record, 0, sizeof(s.record));
  s.record.presetA = -1;
  s.record.presetB = -1;
  CopyText(s.record.kind, std::size(s.record.kind), kPortKindNet);
  const std::string endpoint = "127.0.0.1:" + std::to_string(s.sim.Port());
  CopyText(s.record.portName, std::size(s.record.portName), std::u16string(endpoint.begin(), endpoint.end()));
  if (s.setPort(&s.record) != XJC_OK) s.error = "XJC_SetPort refused " + endpoint;
}

void TearDown() {
  Session& s = TheSession();
  if (s.lib != nullptr) {
    if (s.terminate != nullptr) s.terminate();
    plat::FreeLibrary(s.lib);
    s.lib = nullptr;
  }
  s.sim.Stop();
}

// Opens the selected port with the answer check; false (and the benchmark skipped) when
// the printer does not answer.
bool OpenPort(benchmark::State& state, Session& s) {
  if (!s.Ready()) {
    state.SkipWithError(s.error.c_str());
    return false;
  }
  char message[64];
  const XJC_RESULT rc = s.open(kOpenWithCheck);
  if (rc != XJC_OK) {
    std::snprintf(message, sizeof(message), "XJC_Open failed: 0x%08X", rc);
    state.SkipWithError(message);
    return false;
  }
  return true;
}

void BM_XJC_GetStatus(benchmark::State& state) {
  Session& s = TheSession();
  if (!OpenPort(state, s)) return;
  for (auto _ : state) {
    std::int32_t status = -1;
    if (s.getStatus(&status) != XJC_OK || status != XJC_STATUS_ONLINE) {
      state.SkipWithError("XJC_GetStatus did not report an online printer");
      break;
    }
  }
  s.close();
}

bool TestPort(benchmark::State& state, Session& s) {
  PortRecord record = s.record;
  if (s.communicationTest(&record) != XJC_OK ||
      std::u16string_view(record.deviceName) != kExpectedModel) {
    state.SkipWithError("XJC_CommunicationTest did not find the simulated printer");
    return false;
  }
  return true;
}

void BM_XJC_CommunicationTest(benchmark::State& state) {
  Session& s = TheSession();
  if (!s.Ready()) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  for (auto _ : state) {
    if (!TestPort(state, s)) break;
  }
}

void BM_XJC_CommunicationTest_OpenPort(benchmark::State& state) {
  Session& s = TheSession();
  if (!OpenPort(state, s)) return;
  for (auto _ : state) {
    if (!TestPort(state, s)) break;
  }
  s.close();
}

}  // namespace

BENCHMARK(BM_XJC_GetStatus)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();
// Each test opens a connection of its own, and every closed connection holds a local port
// for a while: a fixed count keeps a run from using up the loopback ports.
constexpr benchmark::IterationCount kOwnConnectionTests = 3000;
BENCHMARK(BM_XJC_CommunicationTest)->Unit(benchmark::kMicrosecond)->Iterations(kOwnConnectionTests)->UseRealTime();
BENCHMARK(BM_XJC_CommunicationTest_OpenPort)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();

int main(int argc, char** argv) {
  benchenv::Root();  // the private folders exist before the library looks for them
  SetUp();
  return benchenv::RunBenchmarks(argc, argv, TearDown);
}
