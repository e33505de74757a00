#include "sim/ControlCommands.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <vector>

namespace sim {
namespace {

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

// Status values are single words: blanks, '%' and '=' in texts are percent-encoded.
std::string Encode(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == ' ' || c == '%' || c == '=') {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "%%%02X", c);
      out += buffer;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

bool TakesArgument(const std::string& verb) {
  static const char* const kWithArgument[] = {"cover", "paper", "cutter", "fatal", "recoverable", "autorecoverable",
                                              "feed", "drawer", "battery", "power", "offline", "slow",
                                              "garbage", "silent", "model", "deviceid"};
  return std::find(std::begin(kWithArgument), std::end(kWithArgument), verb) != std::end(kWithArgument);
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

// Limits of the identity commands, as on the command line.
constexpr std::size_t kMaxControlIdText = 80;
constexpr int kMaxDeviceId = 255;

std::string Bits(std::uint8_t value) {
  std::string out;
  for (int bit = 7; bit >= 0; --bit) out.push_back(((value >> bit) & 1) ? '1' : '0');
  return out;
}

bool ParseNumber(const std::string& text, int min, int max, int& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::stoi(text);
  return value >= min && value <= max;
}

constexpr const char* kHelp =
    "ok commands: cover open|closed, paper ok|near-end|end, cutter error|ok, fatal on|off, "
    "recoverable on|off, autorecoverable on|off, feed on|off, drawer high|low, battery 0-6, "
    "power ac|battery, offline on|off, slow MS, garbage on|off, silent on|off, model NAME, deviceid N, drop, "
    "factory, after N COMMAND|off, status, help, quit";

}  // namespace

ControlCommands::ControlCommands(PrinterModel& model, LinkBehaviour& link, Actions& actions)
    : model_(model), link_(link), actions_(actions) {}

ControlCommands::Result ControlCommands::Execute(const std::string& line) {
  const std::vector<std::string> words = SplitWords(line);
  if (words.empty()) return {"error: empty command"};
  const std::string& verb = words[0];
  const std::string arg = words.size() > 1 ? words[1] : std::string();

  if (verb == "after") return After(words);
  // Commands without an argument.
  if (verb == "status" || verb == "drop" || verb == "quit" || verb == "help" || verb == "factory") {
    if (words.size() != 1) return {"error: " + verb + " takes no argument"};
    if (verb == "status") return {StatusLine()};
    if (verb == "factory") {
      // Customized values and memory switches to their defaults, stored images gone.
      model_.settings = NvSettings();
      actions_.SettingsChanged();
      return {"ok"};
    }
    if (verb == "drop") return {"ok " + actions_.DropConnection()};
    if (verb == "help") return {kHelp};
    return {"ok", true};
  }
  if (!TakesArgument(verb))
    return {"error: unknown command '" + verb + "' (see help)"};
  if (words.size() != 2) return {"error: " + verb + " wants one argument (see help)"};

  Condition& c = model_.condition;
  // A two-way switch: `on` / `off` are the accepted words; sets `target`.
  auto toggle = [&](const char* on, const char* off, bool& target, bool isCondition) -> Result {
    if (arg == on) {
      target = true;
    } else if (arg == off) {
      target = false;
    } else {
      return {"error: " + verb + " wants " + on + " or " + off};
    }
    if (isCondition) actions_.ConditionChanged();
    return {"ok"};
  };

  if (verb == "cover") return toggle("open", "closed", c.coverOpen, true);
  if (verb == "fatal") return toggle("on", "off", c.fatalError, true);
  if (verb == "recoverable") return toggle("on", "off", c.recoverableError, true);
  if (verb == "autorecoverable") return toggle("on", "off", c.autoRecoverableError, true);
  if (verb == "feed") return toggle("on", "off", c.feedButton, true);
  if (verb == "drawer") return toggle("high", "low", c.drawerHigh, true);
  if (verb == "offline") return toggle("on", "off", c.forcedOffline, true);
  if (verb == "garbage") return toggle("on", "off", link_.garbage, false);
  if (verb == "silent") return toggle("on", "off", link_.silent, false);
  if (verb == "cutter") {
    if (arg == "error" && !model_.HasAutocutter()) return {"error: this model has no autocutter"};
    return toggle("error", "ok", c.cutterError, true);
  }
  if (verb == "paper") {
    if (arg == "ok") {
      c.paper = PaperState::kOk;
    } else if (arg == "near-end") {
      c.paper = PaperState::kNearEnd;
    } else if (arg == "end") {
      c.paper = PaperState::kEnd;
    } else {
      return {"error: paper wants ok, near-end or end"};
    }
    actions_.ConditionChanged();
    return {"ok"};
  }
  if (verb == "power") {
    if (arg == "ac") {
      c.power = PowerSource::kAc;
    } else if (arg == "battery") {
      c.power = PowerSource::kBattery;
    } else {
      return {"error: power wants ac or battery"};
    }
    actions_.ConditionChanged();
    return {"ok"};
  }
  if (verb == "battery") {
    int level = 0;
    if (!ParseNumber(arg, 0, kBatteryFull, level)) return {"error: battery wants a level from 0 to 6"};
    c.batteryLevel = level;
    actions_.ConditionChanged();
    return {"ok"};
  }
  if (verb == "model") {
    // Another printer at the same address: printable ASCII without blanks.
    if (arg.size() > kMaxControlIdText ||
        !std::all_of(arg.begin(), arg.end(), [](char ch) { return ch > ' ' && ch < 0x7F; }))
      return {"error: model wants printable ASCII of at most " + std::to_string(kMaxControlIdText) +
              " characters without blanks"};
    model_.identity.model = arg;
    return {"ok"};
  }
  if (verb == "deviceid") {
    int id = 0;
    if (!ParseNumber(arg, 0, kMaxDeviceId, id)) return {"error: deviceid wants a number from 0 to 255"};
    if (id == kDeviceIdNoCutter && model_.condition.cutterError)
      return {"error: the variant without autocutter cannot keep a cutter error"};
    model_.identity.deviceId = id;
    return {"ok"};
  }
  if (verb == "slow") {
    int ms = 0;
    if (!ParseNumber(arg, 0, kMaxSlowMs, ms))
      return {"error: slow wants milliseconds from 0 to " + std::to_string(kMaxSlowMs)};
    link_.slowMs = ms;
    return {"ok"};
  }
  return {"error: unknown command '" + verb + "' (see help)"};
}

ControlCommands::Result ControlCommands::After(const std::vector<std::string>& words) {
  if (words.size() == 2 && words[1] == "off") {
    link_.replyBudget.reset();
    link_.afterCommand.clear();
    return {"ok"};
  }
  int bytes = 0;
  if (words.size() < 3 || !ParseNumber(words[1], 0, kMaxAfterBytes, bytes))
    return {"error: after wants a byte count from 0 to " + std::to_string(kMaxAfterBytes) + " and a command, or off"};
  // Commands that report or end the simulator have nobody to answer to later; the
  // arguments are checked when the command is carried out.
  if (words[2] != "drop" && words[2] != "factory" && !TakesArgument(words[2]))
    return {"error: after cannot defer '" + words[2] + "'"};
  std::string command;
  for (std::size_t i = 2; i < words.size(); ++i) command += (i > 2 ? " " : "") + words[i];
  link_.replyBudget = static_cast<std::uint64_t>(bytes);
  link_.afterCommand = command;
  return {"ok"};
}

std::string ControlCommands::StatusLine() const {
  const Condition& c = model_.condition;
  const Counters& n = model_.counters;
  const NvSettings& s = model_.settings;
  std::ostringstream out;
  const char* paper = c.paper == PaperState::kOk ? "ok" : c.paper == PaperState::kNearEnd ? "near-end" : "end";
  out << "ok state=" << (model_.Offline() ? "offline" : "online")
      << " batteryoffline=" << (model_.OfflineForBatteryOnly() ? "yes" : "no")
      << " cover=" << (c.coverOpen ? "open" : "closed") << " paper=" << paper
      << " cutter=" << (c.cutterError ? "error" : "ok") << " fatal=" << OnOff(c.fatalError)
      << " recoverable=" << OnOff(c.recoverableError) << " autorecoverable=" << OnOff(c.autoRecoverableError)
      << " feed=" << OnOff(c.feedButton) << " drawer=" << (c.drawerHigh ? "high" : "low")
      << " battery=" << c.batteryLevel << " power=" << (c.power == PowerSource::kAc ? "ac" : "battery")
      << " offline=" << OnOff(c.forcedOffline) << " usermode=" << OnOff(model_.userSettingMode)
      << " slow=" << link_.slowMs << " garbage=" << OnOff(link_.garbage) << " silent=" << OnOff(link_.silent)
      << " after=" << (link_.replyBudget ? std::to_string(*link_.replyBudget) : std::string("off"))
      << " model=" << Encode(model_.identity.model) << " deviceid=" << model_.identity.deviceId
      << " serial=" << Encode(model_.identity.serial) << " firmware=" << Encode(model_.identity.firmware)
      << " maker=" << Encode(model_.identity.maker) << " fonts=" << Encode(model_.identity.fonts);
  const std::string link = actions_.LinkStatus();
  if (!link.empty()) out << ' ' << link;
  out << " bytesin=" << n.bytesIn << " bytesout=" << n.bytesOut << " printdata=" << n.printData
      << " commands=" << n.commands << " ignored=" << n.ignoredCommands << " dropped=" << n.repliesDropped
      << " connections=" << n.connections << " restarts=" << n.restarts << " prints=" << n.prints
      << " images=" << n.images << " textlines=" << n.textLines << " feeds=" << n.feeds << " cuts=" << n.cuts
      << " barcodes=" << n.barcodes << " journalfailures=" << n.journalFailures
      << " savefailures=" << n.saveFailures << " nvkeys=" << s.NvImages().size() << " nvfree=" << s.NvFree()
      << " logos=" << s.Logos().size();
  for (int number : NvSettings::CustomizedValueNumbers()) out << " cv" << number << '=' << *s.CustomizedValue(number);
  for (int number = kFirstMemorySwitch; number <= kLastMemorySwitch; ++number)
    out << " msw" << number << '=' << Bits(*s.MemorySwitch(number));
  return out.str();
}

}  // namespace sim
