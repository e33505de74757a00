#pragma once
// A simulator and the real communication library (XJComm.so of the build's dist
// folder) connected to it over TCP, as a setting page sees the printer. Header-only;
// link xj_comm and xj_testsupport, and depend on XJComm and xjk52-sim.
//
// Thread use: one test thread; the library may then be used from a job's worker too.
#include <memory>
#include <string>

#include "comm/XJC.h"
#include "platform/Text.h"
#include "tests/support/PortRecords.h"
#include "tests/support/SimProcess.h"

class SimConnection {
 public:
  explicit SimConnection(SimProcess::Options options = QuickRestart()) : sim_(std::move(options)) {}
  ~SimConnection() { xjc_.Close(); }
  SimConnection(const SimConnection&) = delete;
  SimConnection& operator=(const SimConnection&) = delete;

  // Options whose restart keeps tests short.
  static SimProcess::Options QuickRestart() {
    SimProcess::Options options;
    options.restartDelayMs = 200;
    return options;
  }

  // Starts the simulator, loads distDir/XJComm.so and opens the simulator's port; an
  // empty text on success, else what failed.
  std::string Open(const std::string& distDir) {
    if (!sim_.Start()) return "the simulator did not start";
    if (xjc_.Load(plat::FromUtf8(distDir + "/XJComm.so")) != XJC_OK) return "XJComm.so did not load";
    const std::u16string endpoint = plat::FromUtf8(sim_.TcpEndpoint());
    PortRecord record = MakePortRecord({.kind = kPortKindNet, .portName = endpoint});
    if (OpenPortSequence(&xjc_, &record) != XJC_OK) return "the port did not open";
    return {};
  }

  XJC& Comm() { return xjc_; }
  SimProcess& Sim() { return sim_; }
  // One key of the simulator's status line ("cv3", "restarts", ...), empty when absent.
  std::string Status(const std::string& key) {
    const std::string line = " " + sim_.Control("status") + " ";
    const std::size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) return {};
    const std::size_t start = at + key.size() + 2;
    return line.substr(start, line.find(' ', start) - start);
  }

 private:
  SimProcess sim_;
  XJC xjc_;
};
