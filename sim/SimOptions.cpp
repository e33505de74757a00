#include "sim/SimOptions.h"

#include <arpa/inet.h>

#include <cstdint>

namespace sim {
namespace {

constexpr int kMaxPort = 65535;
constexpr int kMaxRestartDelayMs = 600000;
constexpr std::size_t kMaxIdText = 80;
constexpr int kMaxByte = 255;

bool ParseInt(const std::string& text, long long min, long long max, long long& value) {
  if (text.empty() || text.size() > 10) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::stoll(text);
  return value >= min && value <= max;
}

// Identity texts travel between a header byte and a terminating 00, so they hold
// printable ASCII only.
bool IsPrintableText(const std::string& text) {
  if (text.size() > kMaxIdText) return false;
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

}  // namespace

bool IsLoopbackAddress(const std::string& text) {
  in_addr addr{};
  if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return false;
  return (ntohl(addr.s_addr) >> 24) == 127;
}

bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool hasInlineValue = false;
    if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        hasInlineValue = true;
      }
    }
    auto needValue = [&]() -> bool {
      if (hasInlineValue) return true;
      if (i + 1 >= argc) {
        error = "option " + arg + " needs a value";
        return false;
      }
      value = argv[++i];
      return true;
    };
    auto noValue = [&]() -> bool {
      if (!hasInlineValue) return true;
      error = "option " + arg + " takes no value";
      return false;
    };
    long long number = 0;
    if (arg == "--help" || arg == "-h") {
      if (!noValue()) return false;
      options.help = true;
    } else if (arg == "--pty") {
      if (!noValue()) return false;
      options.pty = true;
    } else if (arg == "--tcp") {
      if (!needValue()) return false;
      const auto colon = value.rfind(':');
      if (colon == std::string::npos) {
        error = "--tcp wants ADDR:PORT, got '" + value + "'";
        return false;
      }
      TcpEndpoint endpoint{value.substr(0, colon), 0};
      if (!IsLoopbackAddress(endpoint.address)) {
        error = "--tcp address '" + endpoint.address + "' is not a loopback address (127.x.y.z)";
        return false;
      }
      if (!ParseInt(value.substr(colon + 1), 0, kMaxPort, number)) {
        error = "--tcp port '" + value.substr(colon + 1) + "' is not a number from 0 to 65535";
        return false;
      }
      endpoint.port = static_cast<int>(number);
      options.tcp.push_back(endpoint);
    } else if (arg == "--state") {
      if (!needValue()) return false;
      if (value.empty()) {
        error = "--state needs a file name";
        return false;
      }
      options.statePath = value;
    } else if (arg == "--control") {
      if (!needValue()) return false;
      if (value.empty()) {
        error = "--control needs a socket path";
        return false;
      }
      options.controlPath = value;
    } else if (arg == "--print-dir") {
      if (!needValue()) return false;
      if (value.empty()) {
        error = "--print-dir needs a folder name";
        return false;
      }
      options.printDir = value;
    } else if (arg == "--restart-delay") {
      if (!needValue()) return false;
      if (!ParseInt(value, 0, kMaxRestartDelayMs, number)) {
        error = "--restart-delay wants milliseconds from 0 to " + std::to_string(kMaxRestartDelayMs);
        return false;
      }
      options.restartDelayMs = static_cast<int>(number);
    } else if (arg == "--pty-baud") {
      if (!needValue()) return false;
      if (!ParseInt(value, kMinPtyBaud, kMaxPtyBaud, number)) {
        error = "--pty-baud wants a baud rate from " + std::to_string(kMinPtyBaud) + " to " +
                std::to_string(kMaxPtyBaud);
        return false;
      }
      options.ptyBaud = static_cast<int>(number);
    } else if (arg == "--device-id") {
      if (!needValue()) return false;
      if (!ParseInt(value, 0, kMaxByte, number)) {
        error = "--device-id wants a number from 0 to 255";
        return false;
      }
      options.identity.deviceId = static_cast<int>(number);
    } else if (arg == "--battery") {
      if (!needValue()) return false;
      if (!ParseInt(value, 0, kBatteryFull, number)) {
        error = "--battery wants a level from 0 to 6";
        return false;
      }
      options.batteryLevel = static_cast<int>(number);
    } else if (arg == "--power") {
      if (!needValue()) return false;
      if (value == "ac") {
        options.power = PowerSource::kAc;
      } else if (value == "battery") {
        options.power = PowerSource::kBattery;
      } else {
        error = "--power wants ac or battery";
        return false;
      }
    } else if (arg == "--model" || arg == "--serial" || arg == "--firmware" || arg == "--maker" ||
               arg == "--fonts") {
      if (!needValue()) return false;
      if (!IsPrintableText(value)) {
        error = arg + " wants printable ASCII text of at most 80 characters";
        return false;
      }
      if (arg == "--model") options.identity.model = value;
      if (arg == "--serial") options.identity.serial = value;
      if (arg == "--firmware") options.identity.firmware = value;
      if (arg == "--maker") options.identity.maker = value;
      if (arg == "--fonts") options.identity.fonts = value;
    } else {
      error = "unknown argument '" + std::string(argv[i]) + "' (see --help)";
      return false;
    }
  }
  if (!options.help && options.tcp.empty() && !options.pty) {
    error = "nothing to listen on: give --tcp ADDR:PORT and/or --pty";
    return false;
  }
  if (options.ptyBaud != 0 && !options.pty) {
    error = "--pty-baud paces the pseudo-terminal: give --pty too";
    return false;
  }
  return true;
}

std::string SimUsage() {
  return "usage: xjk52-sim [--tcp ADDR:PORT]... [--pty [--pty-baud N]] [--state FILE] [--control SOCKET]\n"
         "                 [--model NAME] [--device-id N] [--serial TEXT] [--firmware TEXT]\n"
         "                 [--maker TEXT] [--fonts TEXT] [--battery 0-6] [--power ac|battery]\n"
         "                 [--restart-delay MS] [--print-dir DIR] [--help]\n"
         "\n"
         "A virtual XJ-K52II thermal receipt printer.\n"
         "  --tcp ADDR:PORT     listen for raw printing connections; ADDR must be 127.x.y.z,\n"
         "                      port 0 picks a free port (repeatable)\n"
         "  --pty               offer a pseudo-terminal as a serial port\n"
         "  --pty-baud N        carry the pseudo-terminal's bytes at N baud, 10 bits a byte, each way\n"
         "                      (default: as fast as the kernel copies them)\n"
         "  --state FILE        keep customized values, memory switches and NV graphics here\n"
         "  --control SOCKET    also take control commands on this Unix socket\n"
         "  --model NAME        model name (default XJ-K52II)\n"
         "  --device-id N       model ID, 144 (default) or 145 for the variant without autocutter\n"
         "  --serial, --firmware, --maker, --fonts TEXT   identity texts (empty: not ready)\n"
         "  --battery 0-6       battery level (default 6 = full)\n"
         "  --power ac|battery  power source (default ac)\n"
         "  --restart-delay MS  how long a restart keeps the printer unreachable (default 300)\n"
         "  --print-dir DIR     record what is printed in DIR: journal.txt and image-NNNN.pbm\n"
         "\n"
         "Prints one line per endpoint ('tcp 127.0.0.1:PORT', 'pty /dev/pts/N'), then 'ready'.\n"
         "Control commands, one per line on standard input (or the control socket), each\n"
         "answered by 'ok ...' or 'error: ...':\n"
         "  cover open|closed   paper ok|near-end|end   cutter error|ok   fatal on|off\n"
         "  recoverable on|off  autorecoverable on|off  feed on|off       drawer high|low\n"
         "  battery 0-6         power ac|battery        offline on|off    slow MS\n"
         "  garbage on|off      silent on|off           drop              factory\n"
         "  status   help   quit\n";
}

}  // namespace sim
