#pragma once
// What the command-line tool does with one printer, each a job for one worker process
// (PrinterRunner.h): probe, status, get, set, backup and restore. Each opens the port
// the way the utility opens a chosen port, answers in a PrinterReport and closes the
// port again. The setting operations serve only the XJ-K52II.
//
// User setting mode: a job that entered it always sends the whole command block (which
// ends the mode); one whose connection failed meanwhile ends the mode as soon as the
// printer can be reached again. A stop signal is honoured only where stopping leaves
// the printer untouched (before anything was sent) or finished (while waiting for its
// restart).
//
// No Qt here. A worker's main thread, with the library loaded in xjc.
#include <string>
#include <vector>

#include "cli/PortTargets.h"
#include "cli/PrinterReport.h"
#include "cli/SettingNames.h"
#include "plugins/common/SettingPage.h"
#include "status/SettingsFileReader.h"

class XJC;

// Outcome words of the reports besides "ok".
inline constexpr char kOutcomeInUse[] = "in-use";
inline constexpr char kOutcomeNoAnswer[] = "no-answer";
inline constexpr char kOutcomeWrongModel[] = "wrong-model";
inline constexpr char kOutcomeInterrupted[] = "interrupted";

// How long a printer may take to come back after a restart, in whole seconds.
ReconnectPolicy RestartPolicy(int waitSeconds);

// Asks the printer which model it is, on a connection of its own (fields: model).
PrinterReport ProbePrinter(XJC& xjc, const PortTarget& target);

// Model, firmware, serial number, status (code and text) and battery (source and
// level, when the printer reports them).
PrinterReport ReadPrinterStatus(XJC& xjc, const PortTarget& target);

// The values of the named settings (one text field per setting, its value's name);
// settings the printer does not report are listed in items.
PrinterReport ReadSettings(XJC& xjc, const PortTarget& target, const std::vector<NamedSetting>& settings,
                           const SettingNames& names);

// Sends the assignments whose values differ from the printer's in one pass through user
// setting mode, waits for the restart and reads them back: fields per setting with the
// value now held; items the settings changed (or, when not all took, those not taken).
PrinterReport ApplySettings(XJC& xjc, const PortTarget& target, const std::vector<SettingAssignment>& assignments,
                            const ReconnectPolicy& policy, const SettingNames& names);

// Reads every setting and writes the settings command file outPath (with the logo file
// logoPath when not empty), as the utility's Settings Backup page does. Fields: model,
// file, values, switches. Settings the printer did not report are listed in items.
PrinterReport BackupPrinter(XJC& xjc, const PortTarget& target, const std::string& outPath,
                            const std::string& logoPath, const SettingNames& names);

// Sends a checked settings command file, waits for the restart and reads back every
// setting it sets; items: the settings not taken.
PrinterReport RestorePrinter(XJC& xjc, const PortTarget& target, const SettingsFileContents& file,
                             const ReconnectPolicy& policy, const SettingNames& names);

// The name of a customized value or memory switch bit (bit 0: a customized value):
// its setting's script name, else "setting N" / "memory switch N bit B".
std::string SettingKeyOf(const SettingNames& names, std::uint8_t number, int bit);
