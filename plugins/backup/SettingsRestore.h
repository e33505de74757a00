#pragma once
// The printer side of the Settings Backup page: reading every setting block from the
// printer (so a backup holds what the printer holds now), listing what a settings file
// would change, and sending a checked settings file to the printer with the printer's
// restart and a read-back of every setting the file sets.
//
// No Qt here. The printer operations run on a communication job's worker; the rest on
// any thread.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "plugins/common/SettingPage.h"
#include "status/SettingsFileReader.h"

class IPluginDataMgr;

// Reads every setting block from the printer and stores it in the manager. kNoAnswer
// as soon as the printer does not answer (blocks read before it are stored);
// kIncomplete when the printer did not report some values (they keep what the manager
// held); kOk otherwise.
PrinterResult ReadSettingBlocks(IXJComm* comm, IPluginDataMgr& manager);

// One line of what a settings file changes: a customized value, one bit of a memory
// switch, or the logos.
struct SettingChange {
  enum class Kind { kValue, kSwitchBit, kLogos };
  Kind kind = Kind::kValue;
  std::uint8_t number = 0;  // setting or memory switch number
  int bit = 0;              // memory switch bit, 1..8
  std::optional<std::int32_t> now;  // what the printer holds (as far as known)
  std::int32_t wanted = 0;          // what the file sets
  bool Changes() const { return kind == Kind::kLogos || !now || *now != wanted; }
};

// What sending the file would change, in file order (values, then switch bits, then
// the logos). now comes from the manager's blocks; manager null: unknown.
std::vector<SettingChange> DescribeChanges(const SettingsFileContents& file, const IPluginDataMgr* manager);

struct RestoreResult {
  enum class Outcome {
    kOk,               // sent, and every setting reads back as the file sets it
    kNotSent,          // the printer did not answer before anything was sent
    kInUse,            // sent, but another program took the port while the printer restarted
    kRefused,          // the printer refused user setting mode; nothing was changed
    kLostAfterSending, // sent (in part), but the printer did not come back in time
    kIncomplete,       // back again, but not every setting took (see notTaken)
  };
  Outcome outcome = Outcome::kOk;
  std::vector<SettingChange> notTaken;  // now: the value read back
};

// Sends the file's data part: the logo block, then the command block, waiting for the
// printer to confirm user setting mode before the values follow; then waits for the
// restart that leaving user setting mode causes, connects again (policy) and reads back
// every setting the file sets. progress gets 0..90. When sending fails after the printer
// confirmed user setting mode, the mode is ended as soon as the printer can be reached
// again. policy.stop only cuts the wait for the restart short (kLostAfterSending): what
// was begun is always sent whole.
RestoreResult RestoreSettingsFile(IXJComm* comm, const SettingsFileContents& file, const ReconnectPolicy& policy,
                                  const std::function<void(int percent)>& progress);
