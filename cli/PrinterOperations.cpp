#include "cli/PrinterOperations.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "app/settings/PluginDataMgr.h"
#include "cli/StopSignals.h"
#include "comm/ModelName.h"
#include "comm/XJC.h"
#include "libs/printerinfo/PrinterQuery.h"
#include "platform/Text.h"
#include "plugins/backup/SettingsRestore.h"
#include "sdk/SettingBlocks.h"
#include "status/PrinterInfoBlock.h"
#include "status/PrinterSettingsFile.h"
#include "status/PrinterStatusTexts.h"

namespace {

constexpr std::uint32_t kTextBufferChars = 260;
constexpr int kRestartPollIntervalMs = 1000;
constexpr std::uint8_t kPowerSourceBattery = 1;
constexpr std::uint8_t kBatteryFull = 6;

std::string HexCode(XJC_RESULT rc) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(rc));
  return text;
}

// The report for a failed open (or a failed question right after it).
void ReportOpenFailure(PrinterReport& report, XJC_RESULT rc) {
  switch (rc) {
    case XJC_E_IN_USE:
      report.Outcome(kOutcomeInUse, "The port is in use by another program; it was not opened.");
      break;
    case XJC_E_NO_PORT:
    case XJC_E_INVALID_ARG:
      report.Outcome("no-port", "The communication library cannot reach this port.");
      break;
    case XJC_E_OPEN_FAILED:
      report.Outcome("cannot-open",
                     "The port could not be opened (no such device, the connection was refused, or no permission).");
      break;
    case XJC_E_TIMEOUT:
    case XJC_E_BAD_REPLY:
    case XJC_E_IO:
      report.Outcome(kOutcomeNoAnswer, "The printer does not answer.");
      break;
    default:
      report.Outcome("failed", "The communication library failed (" + HexCode(rc) + ").");
      break;
  }
}

// The printer at a target, opened as the utility opens a chosen port, and closed again
// when the object goes.
class OpenedPrinter {
 public:
  OpenedPrinter(XJC& xjc, const PortTarget& target) : xjc_(xjc), record_(target.record) {
    result_ = OpenPortSequence(&xjc_, &record_);
  }
  ~OpenedPrinter() { xjc_.Close(); }
  OpenedPrinter(const OpenedPrinter&) = delete;
  OpenedPrinter& operator=(const OpenedPrinter&) = delete;

  // True when open; otherwise the report says why.
  bool Check(PrinterReport& report) const {
    if (result_ == XJC_OK) return true;
    ReportOpenFailure(report, result_);
    return false;
  }

  // A text the library reads from the printer; empty when it cannot.
  std::string Text(XJC_RESULT (*get)(char16_t*, std::uint32_t)) const {
    char16_t buffer[kTextBufferChars] = {};
    if (get == nullptr || get(buffer, kTextBufferChars) != XJC_OK) return {};
    return plat::ToUtf8(plat::FieldText(buffer));
  }
  std::string Model() const { return Text(xjc_.XJC_GetDeviceName); }

  // True for the XJ-K52II; otherwise the report says which model answered and that
  // nothing was sent. The model is added to the report.
  bool CheckServedModel(PrinterReport& report, std::string* model = nullptr) const {
    const std::string name = Model();
    if (model != nullptr) *model = name;
    if (name.empty()) {
      report.Outcome(kOutcomeWrongModel, "The printer did not tell its model: nothing was sent.");
      return false;
    }
    report.Text("model", name);
    if (!IsAcceptedModel(plat::FromUtf8(name), false)) {
      report.Outcome(kOutcomeWrongModel, "The printer at this port is a " + name + ", not an " +
                                             plat::ToUtf8(kModelName) + ": nothing was sent.");
      return false;
    }
    return true;
  }

 private:
  XJC& xjc_;
  PortRecord record_;
  XJC_RESULT result_ = XJC_E_NOT_OPEN;
};

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

std::optional<NamedSetting> SettingOf(const SettingNames& names, std::uint8_t number, int bit) {
  for (const NamedSetting& named : names.All()) {
    const SettingDef& s = *named.setting;
    const bool isValue = s.source == SettingDef::Source::kCustomValue;
    if (s.number == number && (bit == 0 ? isValue : !isValue && s.bit == bit)) return named;
  }
  return std::nullopt;
}

// A page of just these settings, one 32-bit field each after the header, so settings
// of several pages are read and applied in one pass.
PageDef PageOf(const std::vector<const SettingDef*>& settings) {
  PageDef page;
  std::size_t offset = kBlockHeaderSize;
  for (const SettingDef* setting : settings) {
    SettingDef copy = *setting;
    copy.offset = offset;
    offset += 4;
    page.settings.push_back(copy);
  }
  page.blockSize = static_cast<std::int32_t>(offset);
  return page;
}

bool Contains(const std::vector<const SettingDef*>& list, const SettingDef& setting) {
  return std::find(list.begin(), list.end(), &setting) != list.end();
}

std::vector<std::string> KeysOf(const std::vector<const SettingDef*>& settings) {
  std::vector<std::string> keys;
  for (const SettingDef* setting : settings) keys.push_back(setting->key);
  return keys;
}

std::string FileFailureText(SettingsFileResult rc) {
  switch (rc) {
    case kSettingsFileNoPath: return "The folder of the file (or the logo file) does not exist.";
    case kSettingsFileCannotCreate: return "The file cannot be created (no permission, or not a folder).";
    case kSettingsFileCannotOpenLogo: return "The logo file cannot be opened.";
    case kSettingsFileReadError: return "The logo file cannot be read, or the settings are incomplete.";
    case kSettingsFileWriteError: return "The file could not be written completely (the disk may be full).";
    case kSettingsFileBadLogo: return "The logo file holds no logo the printer takes (NV graphics commands).";
    case kSettingsFileNoMemory: return "There is not enough memory for the logo file.";
    case kSettingsFileOk: break;
  }
  return {};
}

}  // namespace

ReconnectPolicy RestartPolicy(int waitSeconds) {
  ReconnectPolicy policy;
  policy.attempts = std::max(waitSeconds, 1) * 1000 / kRestartPollIntervalMs;
  policy.intervalMs = kRestartPollIntervalMs;
  policy.stop = [] { return StopRequested(); };
  return policy;
}

std::string SettingKeyOf(const SettingNames& names, std::uint8_t number, int bit) {
  if (std::optional<NamedSetting> named = SettingOf(names, number, bit)) return named->setting->key;
  if (bit == 0) return "setting " + std::to_string(number);
  return "memory switch " + std::to_string(number) + " bit " + std::to_string(bit);
}

PrinterReport ProbePrinter(XJC& xjc, const PortTarget& target) {
  PrinterReport report;
  PortRecord record = target.record;
  const XJC_RESULT rc = xjc.XJC_CommunicationTest(&record);
  if (rc != XJC_OK) {
    ReportOpenFailure(report, rc);
    return report;
  }
  report.Text("model", plat::ToUtf8(plat::FieldText(record.deviceName)));
  return report.Outcome("ok");
}

PrinterReport ReadPrinterStatus(XJC& xjc, const PortTarget& target) {
  PrinterReport report;
  OpenedPrinter printer(xjc, target);
  if (!printer.Check(report)) return report;
  report.Text("model", printer.Model());
  report.Text("firmware", printer.Text(xjc.XJC_GetFirmVersion));
  report.Text("serial", printer.Text(xjc.XJC_GetSerialNumber));
  std::int32_t status = XJC_STATUS_UNKNOWN;
  xjc.GetStatus(&status);
  report.Number("statusCode", status);
  report.Text("status", plat::ToUtf8(StatusWordOf(status).english));
  std::uint8_t source = 0;
  std::uint8_t level = 0;
  PrinterQuery query(&xjc);
  if (query.ReadBattery(&source, &level) == PrinterQuery::Status::kOk) {
    report.Text("power", source == kPowerSourceBattery ? "battery" : "ac");
    report.Number("batteryLevel", level);
    report.Number("batteryFull", kBatteryFull);
  }
  return report.Outcome("ok");
}

PrinterReport ReadSettings(XJC& xjc, const PortTarget& target, const std::vector<NamedSetting>& settings,
                           const SettingNames& names) {
  PrinterReport report;
  OpenedPrinter printer(xjc, target);
  if (!printer.Check(report) || !printer.CheckServedModel(report)) return report;
  std::vector<const SettingDef*> wanted;
  for (const NamedSetting& named : settings) wanted.push_back(named.setting);
  const PageDef page = PageOf(wanted);
  Block block = DefaultBlock(page);
  const PrinterResult read = ReadPageSettings(&xjc, page, block);
  if (read.outcome == PrinterOutcome::kNoAnswer) {
    return report.Outcome(kOutcomeNoAnswer, "The printer stopped answering while its settings were read.");
  }
  for (const SettingDef& setting : page.settings) {
    if (Contains(read.failed, setting)) {
      report.items.push_back(setting.key);
      continue;
    }
    report.Text(setting.key, SettingNames::ValueName(setting, FieldValue(block, setting)));
  }
  if (!report.items.empty()) {
    return report.Outcome("not-reported", "The printer does not report " + Join(report.items) + ".");
  }
  return report.Outcome("ok");
}

PrinterReport ApplySettings(XJC& xjc, const PortTarget& target, const std::vector<SettingAssignment>& assignments,
                            const ReconnectPolicy& policy, const SettingNames& names) {
  PrinterReport report;
  OpenedPrinter printer(xjc, target);
  if (!printer.Check(report) || !printer.CheckServedModel(report)) return report;

  std::vector<const SettingDef*> settings;
  bool needsCutter = false;
  for (const SettingAssignment& assignment : assignments) {
    settings.push_back(assignment.target.setting);
    needsCutter = needsCutter || assignment.target.page->blockId == kAutoCutterBlockId;
  }
  PrinterQuery query(&xjc);
  if (needsCutter) {
    std::uint8_t id = 0;
    if (query.ReadIdByte(PrinterQuery::kIdModel, &id) != PrinterQuery::Status::kOk) {
      return report.Outcome(kOutcomeNoAnswer, "The printer does not tell whether it has a cutter: nothing was sent.");
    }
    if (id == kDeviceIdWithoutCutter) {
      return report.Outcome("not-supported", "This printer has no auto cutter: nothing was sent.");
    }
  }

  const PageDef page = PageOf(settings);
  Block stored = DefaultBlock(page);
  const PrinterResult read = ReadPageSettings(&xjc, page, stored);
  if (read.outcome == PrinterOutcome::kNoAnswer) {
    return report.Outcome(kOutcomeNoAnswer, "The printer stopped answering while its settings were read: nothing "
                                            "was sent.");
  }
  if (!read.failed.empty()) {
    report.items = KeysOf(read.failed);
    return report.Outcome("not-supported", "The printer does not report " + Join(report.items) + ": nothing was sent.");
  }
  Block wanted = stored;
  for (std::size_t i = 0; i < assignments.size(); ++i) SetFieldValue(wanted, page.settings[i], assignments[i].value);
  const std::vector<const SettingDef*> changed = ChangedSettings(page, stored, wanted);
  if (StopRequested()) return report.Outcome(kOutcomeInterrupted, "Interrupted before anything was sent.");

  Block readBack;
  const PrinterResult applied = ApplyPageSettings(&xjc, page, stored, wanted, policy, readBack);
  switch (applied.outcome) {
    case PrinterOutcome::kOk:
      for (const SettingDef& setting : page.settings) {
        report.Text(setting.key, SettingNames::ValueName(setting, FieldValue(readBack, setting)));
      }
      report.items = KeysOf(changed);
      if (changed.empty()) return report.Outcome("ok", "Every setting already had that value: nothing was sent.");
      return report.Outcome("ok", "Changed " + Join(report.items) + "; the printer restarted and reads them back as set.");
    case PrinterOutcome::kIncomplete:
      report.items = KeysOf(applied.failed);
      return report.Outcome("not-taken", "The printer did not take " + Join(report.items) + ".");
    case PrinterOutcome::kInUse:
      return report.Outcome(kOutcomeInUse, "The settings were sent, but another program took the port while the "
                                           "printer restarted; read its settings again later.");
    case PrinterOutcome::kNoAnswer: break;
  }
  if (StopRequested()) {
    return report.Outcome(kOutcomeInterrupted, "Interrupted after the settings were sent: the printer's restart was "
                                               "not awaited.");
  }
  return report.Outcome(kOutcomeNoAnswer, "The printer stopped answering while the settings were sent or after its "
                                          "restart; check it, then read its settings again.");
}

PrinterReport BackupPrinter(XJC& xjc, const PortTarget& target, const std::string& outPath,
                            const std::string& logoPath, const SettingNames& names) {
  PrinterReport report;
  OpenedPrinter printer(xjc, target);
  std::string model;
  if (!printer.Check(report) || !printer.CheckServedModel(report, &model)) return report;

  PluginDataMgr manager;
  for (const PageDef& page : SettingBlockPages()) {
    Block block = DefaultBlock(page);
    manager.AddBlock(page.blockId, kSettingBlockVersion, page.blockSize);
    manager.SetData(page.blockId, static_cast<std::int32_t>(block.size()), block.data());
  }
  const PrinterResult read = ReadSettingBlocks(&xjc, manager);
  if (read.outcome == PrinterOutcome::kNoAnswer) {
    return report.Outcome(kOutcomeNoAnswer, "The printer stopped answering while its settings were read: no file "
                                            "was written.");
  }
  // A printer that does not report its paper width cannot change it: the file leaves
  // the width out, as the utility's file does for such a printer.
  bool fixedWidth = false;
  for (const SettingDef* setting : read.failed) {
    if (setting->source == SettingDef::Source::kCustomValue && setting->number == kPaperWidthSetting) {
      fixedWidth = true;
    } else {
      report.items.push_back(SettingKeyOf(names, setting->number,
                                          setting->source == SettingDef::Source::kCustomValue ? 0 : setting->bit));
    }
  }
  PrinterInfoBlock info = DefaultPrinterInfoBlock();
  SetInfoText(info, kInfoNameOffset, plat::FromUtf8(model));
  WriteLE32(info.data() + kInfoPaperWidthOffset, fixedWidth ? 1u : 0u);
  manager.AddBlock(kPrinterInfoBlockId, kPrinterInfoBlockVersion, kPrinterInfoBlockSize);
  manager.SetData(kPrinterInfoBlockId, kPrinterInfoBlockSize, info.data());

  const std::u16string logo = plat::FromUtf8(logoPath);
  const SettingsFileResult written =
      WriteSettingsFile(manager, logoPath.empty() ? nullptr : logo.c_str(), plat::FromUtf8(model), plat::FromUtf8(outPath));
  if (written != kSettingsFileOk) return report.Outcome("file-error", FileFailureText(written));

  SettingsFileContents file;
  if (ReadSettingsFile(plat::FromUtf8(outPath), file) != SettingsFileCheck::kOk) {
    return report.Outcome("file-error", "The file was written but does not read back whole.");
  }
  report.Text("file", outPath);
  report.Number("values", static_cast<long long>(file.values.size()));
  report.Number("switches", static_cast<long long>(file.switches.size()));
  report.Flag("logo", !file.logoBlock.empty());
  if (!report.items.empty()) {
    return report.Outcome("ok", "Saved; the printer did not report " + Join(report.items) +
                                    ", so the file holds their factory values.");
  }
  return report.Outcome("ok", "Saved.");
}

PrinterReport RestorePrinter(XJC& xjc, const PortTarget& target, const SettingsFileContents& file,
                             const ReconnectPolicy& policy, const SettingNames& names) {
  PrinterReport report;
  OpenedPrinter printer(xjc, target);
  std::string model;
  if (!printer.Check(report) || !printer.CheckServedModel(report, &model)) return report;
  if (!file.modelName.empty() && file.modelName != model) {
    return report.Outcome(kOutcomeWrongModel,
                          "The file was made for a " + file.modelName + ", this printer is a " + model +
                              ": nothing was sent.");
  }
  if (StopRequested()) return report.Outcome(kOutcomeInterrupted, "Interrupted before anything was sent.");

  const RestoreResult result = RestoreSettingsFile(&xjc, file, policy, [](int) {});
  using Outcome = RestoreResult::Outcome;
  switch (result.outcome) {
    case Outcome::kOk: return report.Outcome("ok", "Every setting of the file took.");
    case Outcome::kNotSent:
      return report.Outcome(kOutcomeNoAnswer, "The printer does not answer: nothing was sent.");
    case Outcome::kRefused:
      return report.Outcome("refused", "The printer refused user setting mode: nothing was changed.");
    case Outcome::kInUse:
      return report.Outcome(kOutcomeInUse, "The settings were sent, but another program took the port while the "
                                           "printer restarted; read its settings again later.");
    case Outcome::kIncomplete:
      for (const SettingChange& change : result.notTaken) {
        const int bit = change.kind == SettingChange::Kind::kSwitchBit ? change.bit : 0;
        std::string item = SettingKeyOf(names, change.number, bit);
        if (std::optional<NamedSetting> named = SettingOf(names, change.number, bit)) {
          const SettingDef& setting = *named->setting;
          item += ": the file sets " + SettingNames::ValueName(setting, change.wanted) + ", the printer holds " +
                  (change.now ? SettingNames::ValueName(setting, *change.now) : std::string("nothing"));
        }
        report.items.push_back(item);
      }
      return report.Outcome("not-taken", "The printer did not take every setting of the file.");
    case Outcome::kLostAfterSending: break;
  }
  if (StopRequested()) {
    return report.Outcome(kOutcomeInterrupted, "Interrupted after the file was sent: the printer's restart was not "
                                               "awaited.");
  }
  return report.Outcome("lost-after-sending", "The file was sent (perhaps in part), but the printer did not answer "
                                              "after its restart; check it, then restore again.");
}
