#include "cli/CliCommands.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/PortTargets.h"
#include "cli/PrinterOperations.h"
#include "cli/PrinterRunner.h"
#include "cli/SettingNames.h"
#include "cli/StopSignals.h"
#include "platform/Text.h"
#include "status/PrinterSettingsFile.h"
#include "status/SettingsFileReader.h"

namespace {

constexpr char kProgram[] = "xjk52-cli";
constexpr char kVersion[] = "1.30";

// What every command needs: the request, the streams, the setting names.
struct Context {
  const CliRequest& request;
  std::ostream& out;
  std::ostream& err;
  const SettingNames& names;
};

int UsageError(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << "\nTry '" << kProgram << " --help'.\n";
  return kExitUsage;
}

// The exit code of a run over printers: interrupted, any failed, or all succeeded.
int ExitCodeOf(const std::vector<PrinterReport>& reports) {
  if (StopRequested()) return kExitSignalBase + StopSignal();
  const bool allOk = std::all_of(reports.begin(), reports.end(), [](const PrinterReport& r) { return r.ok; });
  return allOk ? kExitOk : kExitPrinterFailed;
}

std::size_t CountOk(const std::vector<PrinterReport>& reports) {
  return static_cast<std::size_t>(
      std::count_if(reports.begin(), reports.end(), [](const PrinterReport& r) { return r.ok; }));
}

void WriteField(JsonWriter& json, const ReportField& field) {
  json.Key(field.key);
  switch (field.kind) {
    case ReportField::Kind::kText: json.String(field.value); break;
    case ReportField::Kind::kNumber: json.Number(std::stoll(field.value)); break;
    case ReportField::Kind::kBool: json.Bool(field.value == "true"); break;
  }
}

// A report as a JSON object: port, ok, outcome, message, its fields, and its items as
// an array named itemsKey. With settings, the fields that are settings go into an
// object "settings" of their own.
void WriteReport(JsonWriter& json, const PrinterReport& report, std::string_view itemsKey = "items",
                 const SettingNames* settings = nullptr) {
  json.BeginObject();
  json.Member("port", report.port).Member("ok", report.ok).Member("outcome", report.outcome);
  json.Member("message", report.message);
  auto isSetting = [&](const ReportField& field) { return settings != nullptr && settings->Find(field.key); };
  for (const ReportField& field : report.fields) {
    if (!isSetting(field)) WriteField(json, field);
  }
  if (settings != nullptr) {
    json.Key("settings").BeginObject();
    for (const ReportField& field : report.fields) {
      if (isSetting(field)) WriteField(json, field);
    }
    json.EndObject();
  }
  json.Key(itemsKey).BeginArray();
  for (const std::string& item : report.items) json.String(item);
  json.EndArray();
  json.EndObject();
}

void WriteSummary(JsonWriter& json, const std::vector<PrinterReport>& reports) {
  const std::size_t ok = CountOk(reports);
  json.Key("summary").BeginObject();
  json.Member("printers", static_cast<std::int64_t>(reports.size()));
  json.Member("succeeded", static_cast<std::int64_t>(ok));
  json.Member("failed", static_cast<std::int64_t>(reports.size() - ok));
  json.Member("interrupted", StopRequested());
  json.EndObject();
}

// "PORT: message" for a success, "PORT: FAILED (outcome): message" otherwise, and the
// items below it.
void WriteResultLine(std::ostream& out, const PrinterReport& report, const std::string& success) {
  out << report.port << ": ";
  if (report.ok) {
    out << success;
  } else {
    out << "FAILED (" << report.outcome << "): " << report.message;
  }
  out << '\n';
  for (const std::string& item : report.items) out << "  - " << item << '\n';
}

std::string FieldOr(const PrinterReport& report, std::string_view key, std::string fallback = {}) {
  return report.Field(key).value_or(std::move(fallback));
}

// "XJ-K52II, firmware 1.02, serial K52S0000001, Online, AC adapter, battery 6/6".
std::string StatusLine(const PrinterReport& report) {
  std::string line = FieldOr(report, "model", "unknown model");
  if (const std::string firmware = FieldOr(report, "firmware"); !firmware.empty()) line += ", firmware " + firmware;
  if (const std::string serial = FieldOr(report, "serial"); !serial.empty()) line += ", serial " + serial;
  line += ", " + FieldOr(report, "status", "status unknown");
  if (const std::optional<std::string> power = report.Field("power")) {
    line += *power == "ac" ? ", AC adapter" : ", on battery";
    line += ", battery " + FieldOr(report, "batteryLevel") + "/" + FieldOr(report, "batteryFull");
  } else {
    line += ", battery unknown";
  }
  return line;
}

int ResolveTargets(const Context& c, XJC& xjc, const std::vector<std::string>& texts, std::vector<PortTarget>& targets) {
  std::string error;
  if (!ResolvePortTargets(xjc, texts, targets, error)) return UsageError(c.err, error);
  return kExitOk;
}

// Runs one job over printers with a result line for each (plain output), in the order
// the printers were named, each as soon as it and the ones before it have ended.
std::vector<PrinterReport> RunWithLines(const Context& c, const std::vector<PortTarget>& targets, int jobs,
                                        const PrinterJob& job,
                                        const std::function<std::string(const PrinterReport&)>& success) {
  std::vector<std::optional<PrinterReport>> done(targets.size());
  std::size_t written = 0;
  return RunPrinterJobs(targets, jobs, job, [&](std::size_t index, const PrinterReport& report) {
    if (c.request.json) return;
    done[index] = report;
    for (; written < done.size() && done[written]; ++written) {
      WriteResultLine(c.out, *done[written], success(*done[written]));
    }
    c.out.flush();
  });
}

void WritePlainSummary(const Context& c, const std::vector<PrinterReport>& reports, std::string_view verb) {
  const std::size_t ok = CountOk(reports);
  c.out << verb << ' ' << ok << " of " << reports.size() << (reports.size() == 1 ? " printer" : " printers");
  if (ok < reports.size()) c.out << "; " << reports.size() - ok << " failed";
  if (StopRequested()) c.out << " (interrupted)";
  c.out << ".\n";
}

// ---- commands ----------------------------------------------------------------------

int CommandSettings(const Context& c) {
  if (c.request.json) {
    JsonWriter json;
    json.BeginObject().Key("settings").BeginArray();
    for (const PageDef& page : c.names.Pages()) {
      for (const SettingDef& setting : page.settings) {
        json.BeginObject().Member("name", setting.key).Member("page", plat::ToUtf8(page.title));
        json.Member("label", SettingNames::Label(setting)).Key("values").BeginArray();
        for (const std::string& value : SettingNames::ValueNames(setting)) json.String(value);
        json.EndArray().Member("default", SettingNames::ValueName(setting, setting.defaultValue)).EndObject();
      }
    }
    json.EndArray().EndObject();
    c.out << json.Text();
    return kExitOk;
  }
  for (const PageDef& page : c.names.Pages()) {
    c.out << plat::ToUtf8(page.title) << ":\n";
    for (const SettingDef& setting : page.settings) {
      std::string values;
      for (const std::string& value : SettingNames::ValueNames(setting)) values += (values.empty() ? "" : "|") + value;
      c.out << "  " << setting.key << '=' << values << "  (" << SettingNames::Label(setting) << "; factory "
            << SettingNames::ValueName(setting, setting.defaultValue) << ")\n";
    }
  }
  return kExitOk;
}

int CommandList(const Context& c, XJC& xjc) {
  const std::vector<PortRecord> ports = RegisteredPorts(xjc);
  const std::vector<PrintQueue> queues = ServedPrintQueues(ports);
  std::vector<PrinterReport> probes;
  if (c.request.probe) {
    std::vector<PortTarget> targets;
    for (const PortRecord& port : ports) targets.push_back({PortDisplayName(port), port});
    for (const PrintQueue& queue : queues) targets.push_back({queue.name, queue.record});
    probes = RunPrinterJobs(targets, c.request.jobs, [&xjc](const PortTarget& t) { return ProbePrinter(xjc, t); });
  }
  auto probeAt = [&](std::size_t i) -> const PrinterReport* { return i < probes.size() ? &probes[i] : nullptr; };

  if (c.request.json) {
    JsonWriter json;
    json.BeginObject().Key("ports").BeginArray();
    for (std::size_t i = 0; i < ports.size(); ++i) {
      json.BeginObject().Member("port", PortDisplayName(ports[i]));
      json.Member("kind", plat::ToUtf8(plat::FieldText(ports[i].kind)));
      json.Member("portName", plat::ToUtf8(plat::FieldText(ports[i].portName)));
      json.Member("model", plat::ToUtf8(plat::FieldText(ports[i].deviceName)));
      if (const PrinterReport* probe = probeAt(i)) WriteReport(json.Key("probe"), *probe);
      json.EndObject();
    }
    json.EndArray().Key("queues").BeginArray();
    for (std::size_t i = 0; i < queues.size(); ++i) {
      json.BeginObject().Member("queue", queues[i].name).Member("driver", queues[i].driver);
      json.Member("device", queues[i].device);
      json.Key("port");
      if (queues[i].registered) {
        json.String(PortDisplayName(queues[i].record));
      } else {
        json.Null();
      }
      if (const PrinterReport* probe = probeAt(ports.size() + i)) WriteReport(json.Key("probe"), *probe);
      json.EndObject();
    }
    json.EndArray().EndObject();
    c.out << json.Text();
    return c.request.probe ? ExitCodeOf(probes) : kExitOk;
  }

  auto probeText = [](const PrinterReport* probe) -> std::string {
    if (probe == nullptr) return {};
    if (probe->ok) return "  answers: " + FieldOr(*probe, "model");
    return "  no answer (" + probe->outcome + ")";
  };
  std::size_t width = 0;
  for (const PortRecord& port : ports) width = std::max(width, PortDisplayName(port).size());
  for (const PrintQueue& queue : queues) width = std::max(width, queue.name.size());
  auto pad = [width](const std::string& text) { return text + std::string(width + 2 - std::min(width, text.size()), ' '); };

  c.out << "Registered ports:\n";
  if (ports.empty()) c.out << "  (none)\n";
  for (std::size_t i = 0; i < ports.size(); ++i) {
    const std::string model = plat::ToUtf8(plat::FieldText(ports[i].deviceName));
    c.out << "  " << pad(PortDisplayName(ports[i])) << (model.empty() ? "(model unknown)" : model)
          << probeText(probeAt(i)) << '\n';
  }
  c.out << "Print queues:\n";
  if (queues.empty()) c.out << "  (none)\n";
  for (std::size_t i = 0; i < queues.size(); ++i) {
    const PrintQueue& queue = queues[i];
    c.out << "  " << pad(queue.name) << (queue.registered ? PortDisplayName(queue.record) : "device " + queue.device)
          << "  " << queue.driver << probeText(probeAt(ports.size() + i)) << '\n';
  }
  return c.request.probe ? ExitCodeOf(probes) : kExitOk;
}

int CommandStatus(const Context& c, XJC& xjc) {
  std::vector<PortTarget> targets;
  if (const int rc = ResolveTargets(c, xjc, c.request.args, targets); rc != kExitOk) return rc;
  const std::vector<PrinterReport> reports =
      RunWithLines(c, targets, c.request.jobs, [&xjc](const PortTarget& t) { return ReadPrinterStatus(xjc, t); },
                   StatusLine);
  if (c.request.json) {
    JsonWriter json;
    json.BeginObject().Key("printers").BeginArray();
    for (const PrinterReport& report : reports) WriteReport(json, report);
    json.EndArray();
    WriteSummary(json, reports);
    json.EndObject();
    c.out << json.Text();
  } else if (reports.size() > 1) {
    WritePlainSummary(c, reports, "Answered:");
  }
  return ExitCodeOf(reports);
}

int CommandBackup(const Context& c, XJC& xjc) {
  const CliRequest& r = c.request;
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path out(r.out);
  const fs::path folder = out.has_parent_path() ? out.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, error)) {
    c.err << kProgram << ": the folder of " << r.out << " does not exist; nothing was read.\n";
    return kExitFileError;
  }
  if (!r.logo.empty()) {
    std::ifstream logo(r.logo, std::ios::binary);
    std::vector<std::uint8_t> head(3, 0);
    if (!logo || !logo.read(reinterpret_cast<char*>(head.data()), 3)) {
      c.err << kProgram << ": the logo file " << r.logo << " cannot be read; nothing was read.\n";
      return kExitFileError;
    }
    if (LogoKindOf(head.data(), head.size()) == kLogoKindInvalid) {
      c.err << kProgram << ": " << r.logo
            << " is no logo file (it must hold the printer's NV graphics commands); nothing was read.\n";
      return kExitFileError;
    }
  }
  std::vector<PortTarget> targets;
  if (const int rc = ResolveTargets(c, xjc, c.request.args, targets); rc != kExitOk) return rc;
  const std::vector<PrinterReport> reports = RunWithLines(
      c, targets, 1, [&](const PortTarget& t) { return BackupPrinter(xjc, t, r.out, r.logo, c.names); },
      [&](const PrinterReport& report) {
        return "saved the settings of the " + FieldOr(report, "model") + " to " + r.out + " (" +
               FieldOr(report, "values") + " values, " + FieldOr(report, "switches") + " memory switches" +
               (FieldOr(report, "logo") == "true" ? ", with the logo" : "") + ")." +
               (report.items.empty() ? "" : " The printer did not report these; the file holds their factory values:");
      });
  if (r.json) {
    JsonWriter json;
    WriteReport(json, reports.front(), "notReported");
    c.out << json.Text();
  }
  if (!reports.front().ok && reports.front().outcome == "file-error" && !StopRequested()) return kExitFileError;
  return ExitCodeOf(reports);
}

int CommandRestore(const Context& c, XJC& xjc) {
  const std::string& path = c.request.args.front();
  SettingsFileContents file;
  const SettingsFileCheck check = ReadSettingsFile(plat::FromUtf8(path), file);
  if (check != SettingsFileCheck::kOk) {
    c.err << kProgram << ": " << path << ": " << plat::ToUtf8(SettingsFileCheckText(check))
          << " Nothing was sent.\n";
    return kExitFileError;
  }
  const std::vector<std::string> ports(c.request.args.begin() + 1, c.request.args.end());
  std::vector<PortTarget> targets;
  if (const int rc = ResolveTargets(c, xjc, ports, targets); rc != kExitOk) return rc;
  if (!c.request.json) {
    c.out << "Checked " << path << ": made for the " << (file.modelName.empty() ? "(no model)" : file.modelName)
          << (file.savedAt.empty() ? "" : " on " + file.savedAt) << ", " << file.values.size() << " values, "
          << file.switches.size() << " memory switches" << (file.logoBlock.empty() ? "" : ", a logo") << ".\n";
    c.out.flush();
  }
  const ReconnectPolicy policy = RestartPolicy(c.request.waitSeconds);
  const std::vector<PrinterReport> reports = RunWithLines(
      c, targets, c.request.jobs,
      [&](const PortTarget& t) { return RestorePrinter(xjc, t, file, policy, c.names); },
      [](const PrinterReport&) { return std::string("restored; every setting of the file took."); });
  if (c.request.json) {
    JsonWriter json;
    json.BeginObject().Key("file").BeginObject();
    json.Member("path", path).Member("model", file.modelName).Member("savedAt", file.savedAt);
    json.Member("values", static_cast<std::int64_t>(file.values.size()));
    json.Member("switches", static_cast<std::int64_t>(file.switches.size()));
    json.Member("logo", !file.logoBlock.empty()).EndObject();
    json.Key("printers").BeginArray();
    for (const PrinterReport& report : reports) WriteReport(json, report, "notTaken");
    json.EndArray();
    WriteSummary(json, reports);
    json.EndObject();
    c.out << json.Text();
  } else {
    WritePlainSummary(c, reports, "Restored");
  }
  return ExitCodeOf(reports);
}

int CommandGet(const Context& c, XJC& xjc) {
  std::vector<NamedSetting> settings;
  for (std::size_t i = 1; i < c.request.args.size(); ++i) {
    const std::optional<NamedSetting> named = c.names.Find(c.request.args[i]);
    if (!named) {
      return UsageError(c.err, "unknown setting \"" + c.request.args[i] + "\"; the settings are: " + c.names.NameList());
    }
    settings.push_back(*named);
  }
  if (settings.empty()) settings = c.names.All();
  std::vector<PortTarget> targets;
  if (const int rc = ResolveTargets(c, xjc, {c.request.args.front()}, targets); rc != kExitOk) return rc;
  const std::vector<PrinterReport> reports = RunPrinterJobs(
      targets, 1, [&](const PortTarget& t) { return ReadSettings(xjc, t, settings, c.names); });
  const PrinterReport& report = reports.front();
  if (c.request.json) {
    JsonWriter json;
    WriteReport(json, report, "notReported", &c.names);
    c.out << json.Text();
  } else if (report.ok || report.outcome == "not-reported") {
    for (const ReportField& field : report.fields) {
      if (c.names.Find(field.key)) c.out << field.key << '=' << field.value << '\n';
    }
    for (const std::string& item : report.items) c.out << item << "=(not reported by the printer)\n";
  } else {
    WriteResultLine(c.out, report, {});
  }
  return ExitCodeOf(reports);
}

int CommandSet(const Context& c, XJC& xjc) {
  std::vector<SettingAssignment> assignments;
  std::string error;
  const std::vector<std::string> texts(c.request.args.begin() + 1, c.request.args.end());
  if (!c.names.ParseAssignments(texts, assignments, error)) {
    c.err << kProgram << ": " << error << "\nNothing was sent.\n";
    return kExitUsage;
  }
  std::vector<PortTarget> targets;
  if (const int rc = ResolveTargets(c, xjc, {c.request.args.front()}, targets); rc != kExitOk) return rc;
  const ReconnectPolicy policy = RestartPolicy(c.request.waitSeconds);
  const std::vector<PrinterReport> reports = RunPrinterJobs(
      targets, 1, [&](const PortTarget& t) { return ApplySettings(xjc, t, assignments, policy, c.names); });
  const PrinterReport& report = reports.front();
  if (c.request.json) {
    JsonWriter json;
    WriteReport(json, report, report.ok ? "changed" : "notTaken", &c.names);
    c.out << json.Text();
  } else {
    c.out << report.port << ": " << (report.ok ? "" : "FAILED (" + report.outcome + "): ") << report.message << '\n';
    if (!report.ok) {
      for (const std::string& item : report.items) c.out << "  - " << item << '\n';
    }
    for (const ReportField& field : report.fields) {
      if (c.names.Find(field.key)) c.out << "  " << field.key << '=' << field.value << '\n';
    }
  }
  return ExitCodeOf(reports);
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::u16string_view library) {
  CliRequest request;
  std::string error;
  if (!ParseCommandLine(args, request, error)) return UsageError(err, error);
  if (request.help) {
    out << HelpText();
    return kExitOk;
  }
  if (request.version) {
    out << kProgram << ' ' << kVersion << '\n';
    return kExitOk;
  }
  const SettingNames names;
  const Context context{request, out, err, names};
  if (request.command == "settings") return CommandSettings(context);

  XJC xjc;
  if (xjc.Load(library) != XJC_OK) {
    err << kProgram << ": the communication library " << plat::ToUtf8(library)
        << " cannot be loaded (it belongs beside the program).\n";
    return kExitNoLibrary;
  }
  int rc = kExitUsage;
  if (request.command == "list") rc = CommandList(context, xjc);
  if (request.command == "status") rc = CommandStatus(context, xjc);
  if (request.command == "backup") rc = CommandBackup(context, xjc);
  if (request.command == "restore") rc = CommandRestore(context, xjc);
  if (request.command == "get") rc = CommandGet(context, xjc);
  if (request.command == "set") rc = CommandSet(context, xjc);
  xjc.XJC_Terminate();
  return rc;
}
