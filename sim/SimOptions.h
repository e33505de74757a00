#pragma once
// The simulator's command line (see sim/README.md for the full description).
#include <string>
#include <vector>

#include "sim/PrinterModel.h"

namespace sim {

// Line rates --pty-baud accepts.
inline constexpr int kMinPtyBaud = 50;
inline constexpr int kMaxPtyBaud = 4000000;

// One TCP endpoint to listen on: an IPv4 loopback address and a port (0: any free port).
struct TcpEndpoint {
  std::string address;
  int port = 0;
};

struct SimOptions {
  std::vector<TcpEndpoint> tcp;
  bool pty = false;
  int ptyBaud = 0;                // 0: the terminal is not paced
  std::string statePath;          // empty: nothing is kept
  std::string controlPath;        // empty: control on standard input only
  std::string printDir;           // empty: nothing printed is recorded
  int restartDelayMs = 300;
  Identity identity;
  int batteryLevel = kBatteryFull;
  PowerSource power = PowerSource::kAc;
  bool help = false;
};

// Parses argv. On a bad argument returns false with a one-line message in `error`.
// Called once by main on the main thread.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error);

// The text printed for --help.
std::string SimUsage();

// True when `text` is a dotted IPv4 address in 127.0.0.0/8.
bool IsLoopbackAddress(const std::string& text);

}  // namespace sim
