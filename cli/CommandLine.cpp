#include "cli/CommandLine.h"

#include <algorithm>
#include <charconv>

namespace {

struct CommandRule {
  const char* name;
  std::size_t minArgs;
  std::size_t maxArgs;  // SIZE_MAX: any number
  bool takesJobs;
  bool takesWait;
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

constexpr CommandRule kCommands[] = {
    {"list", 0, 0, true, false},      {"status", 1, kAny, true, false}, {"backup", 1, 1, false, false},
    {"restore", 2, kAny, true, true}, {"get", 1, kAny, false, false},   {"set", 2, kAny, false, true},
    {"settings", 0, 0, false, false},
};

bool ParseNumber(const std::string& text, int min, int max, int& out) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) return false;
  out = value;
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& argv, CliRequest& request, std::string& error) {
  request = CliRequest{};
  bool jobsGiven = false;
  bool waitGiven = false;
  bool optionsEnded = false;
  std::vector<std::string> words;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // "--name=value" or "--name value".
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    if (const std::size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      hasValue = true;
    }
    auto takeValue = [&]() -> bool {
      if (hasValue) return true;
      if (i + 1 >= argv.size()) {
        error = name + " needs a value";
        return false;
      }
      value = argv[++i];
      return true;
    };
    if (name == "--help" || name == "-h") {
      request.help = true;
    } else if (name == "--version") {
      request.version = true;
    } else if (name == "--json") {
      request.json = true;
    } else if (name == "--probe") {
      request.probe = true;
    } else if (name == "--jobs" || name == "-j") {
      if (!takeValue()) return false;
      if (!ParseNumber(value, 1, kMaxJobs, request.jobs)) {
        error = "--jobs takes a number from 1 to " + std::to_string(kMaxJobs) + ", not \"" + value + "\"";
        return false;
      }
      jobsGiven = true;
    } else if (name == "--wait") {
      if (!takeValue()) return false;
      if (!ParseNumber(value, 1, kMaxWaitSeconds, request.waitSeconds)) {
        error = "--wait takes a number of seconds from 1 to " + std::to_string(kMaxWaitSeconds) + ", not \"" +
                value + "\"";
        return false;
      }
      waitGiven = true;
    } else if (name == "--out" || name == "-o") {
      if (!takeValue()) return false;
      request.out = value;
      if (value.empty()) {
        error = "--out needs a file name";
        return false;
      }
    } else if (name == "--logo") {
      if (!takeValue()) return false;
      request.logo = value;
      if (value.empty()) {
        error = "--logo needs a file name";
        return false;
      }
    } else {
      error = "unknown option " + name;
      return false;
    }
  }
  if (request.help || request.version) return true;
  if (words.empty()) {
    error = "no command given";
    return false;
  }
  request.command = words.front();
  request.args.assign(words.begin() + 1, words.end());
  if (request.command == "help") {
    request.help = true;
    return true;
  }
  const CommandRule* rule = nullptr;
  for (const CommandRule& candidate : kCommands) {
    if (request.command == candidate.name) rule = &candidate;
  }
  if (rule == nullptr) {
    error = "unknown command \"" + request.command + "\"";
    return false;
  }
  const std::size_t count = request.args.size();
  if (count < rule->minArgs || count > rule->maxArgs) {
    error = "wrong number of arguments for " + request.command;
    return false;
  }
  if (request.probe && request.command != "list") {
    error = "--probe belongs to list";
    return false;
  }
  if ((!request.out.empty() || !request.logo.empty()) && request.command != "backup") {
    error = "--out and --logo belong to backup";
    return false;
  }
  if (request.command == "backup" && request.out.empty()) {
    error = "backup needs --out FILE";
    return false;
  }
  if (jobsGiven && !rule->takesJobs) {
    error = "--jobs belongs to list --probe, status and restore";
    return false;
  }
  if (waitGiven && !rule->takesWait) {
    error = "--wait belongs to restore and set";
    return false;
  }
  return true;
}

std::string HelpText() {
  return R"(usage: xjk52-cli [--json] COMMAND [ARGUMENTS]

Configures XJ-K52II printers from a shell, the way the utility's pages do.

Commands:
  list [--probe]                  registered ports and installed print queues;
                                  --probe asks each which model answers
  status PORT...                  model, firmware, status and battery of each printer
  backup PORT --out FILE [--logo LOGOFILE]
                                  saves the printer's settings as a settings command
                                  file (the file the utility's file mode writes); with
                                  --logo the file also stores that logo file (NV
                                  graphics commands) in the printer
  restore FILE PORT...            checks the settings command file once, then sends it
                                  to every printer, several at a time, and reads back
                                  what each took
  get PORT [SETTING...]           the printer's settings (all when none is named)
  set PORT SETTING=VALUE...       changes settings, for example paper-width=80mm
                                  density=110% speed=7; checked before anything is sent
  settings                        the settings' names and their values

Ports are named as the utility names them: KIND:NAME with KIND one of NET, COM, USB,
LPT, BT (NET:192.168.0.20, NET:127.0.0.1:9100, COM:/dev/ttyUSB0, USB:lp0), a
connection path as /r takes it (tcp://192.168.0.20:9100/XJ-K52II, serial:/dev/ttyS0),
or the name of an installed print queue that `list` shows. A port another program has
open is reported as in use; it is never opened twice.

Options:
  --json          the output as one JSON document on standard output
  --jobs N        printers served at once by list --probe, status and restore
                  (1-64, default 4)
  --wait SECONDS  how long restore and set wait for a printer to come back after its
                  restart (1-600, default 30)
  --help          this text;  --version  the version

Exit codes:
  0    everything succeeded
  1    at least one printer failed (no answer, in use, another model, a setting not
       taken); the other printers were served all the same
  2    wrong usage: an unknown command, option, port or setting, an invalid value;
       nothing was sent to any printer
  3    a file could not be read, was refused by its check (header, sizes, CRC-32) or
       could not be written; restore then sends nothing
  4    the communication library (XJComm.so beside the program) could not be loaded
  130  interrupted by Ctrl+C (143: by SIGTERM): printers already being changed were
       finished and left out of user setting mode, the others were not touched
)";
}
