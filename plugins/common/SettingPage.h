#pragma once
// What a setting page shows and how it reads and writes the printer: a page owns one
// data block and lists its settings, each a customized value of the printer or one bit
// of a memory switch, kept as a 32-bit field of the block. No Qt here.
//
// Threads: the page describes itself once on the UI thread; the printer operations run
// on a communication job's worker.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class IXJComm;

// One meaning of a value, as a combo box lists it.
struct SettingChoice {
  std::int32_t value;
  int textId;           // string entry of the page's language key; -1: text as given
  std::u16string text;  // English default
  std::string key = {};  // the value as scripts name it ("80mm", "110%"); ASCII, no blanks
};

struct SettingDef {
  enum class Source { kCustomValue, kMemorySwitchBit };
  Source source = Source::kCustomValue;
  std::uint8_t number = 0;   // customized value or memory switch number
  int bit = 0;               // memory switch bit, 1..8
  std::size_t offset = 0;    // of the 32-bit field in the block
  int labelId = -1;          // string entry of the page's language key
  std::u16string label;      // English default
  std::vector<SettingChoice> choices;  // empty: a check box for 0 / 1
  std::int32_t defaultValue = 0;
  std::string key = {};      // the setting as scripts name it ("paper-width"); ASCII
};

struct PageDef {
  std::uint32_t blockId = 0;
  std::int32_t blockSize = 0;
  std::u16string resourceKey;  // the page's own texts in the language files
  int titleId = 0;
  std::u16string title;
  int descriptionId = 1;
  std::u16string description;
  std::vector<SettingDef> settings;
};

using Block = std::vector<std::uint8_t>;

// The block with its header and every setting at its default.
Block DefaultBlock(const PageDef& page);
std::int32_t FieldValue(const Block& block, const SettingDef& setting);
void SetFieldValue(Block& block, const SettingDef& setting, std::int32_t value);
// The settings whose values differ between two blocks, in page order.
std::vector<const SettingDef*> ChangedSettings(const PageDef& page, const Block& before, const Block& after);

// The setting blocks of sdk/SettingBlocks.h described as pages, one per block, so they
// are read from the printer the way their own pages read them.
std::vector<PageDef> SettingBlockPages();

// The default contents of a setting block (header, the printer's factory values);
// empty for an id that is no setting block.
Block DefaultSettingBlock(std::uint32_t id);

// Outcome of a printer operation.
enum class PrinterOutcome {
  kOk,
  kNoAnswer,   // the printer did not answer (or the connection is gone)
  kInUse,      // another program holds the port
  kIncomplete, // it answered, but not for every setting (see the failed list)
};

struct PrinterResult {
  PrinterOutcome outcome = PrinterOutcome::kOk;
  std::vector<const SettingDef*> failed;  // settings not read, or not taken by the printer
  // Apply: the settings were sent and the printer restarted, so it may hold them even
  // when it did not answer again in time (kNoAnswer) or another program took the port
  // meanwhile (kInUse).
  bool sent = false;
};

// How long to wait for the printer to come back after it restarted.
struct ReconnectPolicy {
  ReconnectPolicy(int attemptsIn = 30, int intervalMsIn = 1000, std::function<bool()> stopIn = {})
      : attempts(attemptsIn), intervalMs(intervalMsIn), stop(std::move(stopIn)) {}
  int attempts;
  int intervalMs;
  // Asked between tries while waiting for the restart: true gives up the wait at once
  // (the program is being interrupted). Empty: the whole time is waited.
  std::function<bool()> stop;
};

// Waits for the printer to come back after it restarted: connects again and calls
// answered() until it returns true, trying every kReconnectPollMs for the policy's whole
// time (attempts × interval) or until policy.stop says so. XJC_OK once the printer
// answered, otherwise the last failure (XJC_E_IN_USE when another program took the port
// meanwhile).
inline constexpr int kReconnectPollMs = 200;
std::uint32_t AwaitRestart(IXJComm* comm, const ReconnectPolicy& policy, const std::function<bool()>& answered);

// After the connection failed while the printer may be in user setting mode (it
// confirmed the mode and not everything was sent): connects again and sends the end of
// the mode, trying every kReconnectPollMs for the policy's whole time, so a printer
// that comes back is not left unable to print. policy.stop is not asked: the mode is
// ended also while the program is being interrupted. A printer not in the mode ignores
// the command. True once the command was sent.
bool EndUserSettingModeAfterLoss(IXJComm* comm, const ReconnectPolicy& policy);

// Reads every setting of the page from the printer into block (which keeps its other
// bytes). Settings the printer does not know keep their value and are listed as failed.
PrinterResult ReadPageSettings(IXJComm* comm, const PageDef& page, Block& block);

// Sends the settings that differ between stored and wanted: user setting mode, one
// command for the changed customized values and one per changed memory switch (its
// other bits unchanged), end of user setting mode; then waits for the printer to
// restart, connects again and reads every setting back into readBack. Settings whose
// value read back differs from wanted are listed as failed (kIncomplete). A printer that
// does not come back within the policy's time gives kNoAnswer (or kInUse) with `sent`
// set. Nothing changed: kOk without talking to the printer. When sending fails once the
// printer is in user setting mode, the mode is ended as soon as the printer can be
// reached again (EndUserSettingModeAfterLoss) and the result is kNoAnswer.
PrinterResult ApplyPageSettings(IXJComm* comm, const PageDef& page, const Block& stored, const Block& wanted,
                                const ReconnectPolicy& policy, Block& readBack);

// Sets every setting of the pages back to its default in one user setting mode: reads
// what the printer holds, sends the settings that differ from their defaults (and those
// it could not read), waits for the restart and reads everything back, as
// ApplyPageSettings does for one page. blocks holds one block per page (sized for it);
// on kOk and kIncomplete each receives what was read back, other bytes kept. failed
// points into pages: the settings not taken, or on kNoAnswer / kInUse those that were
// to be sent (none when the printer did not answer before anything was sent), with
// `sent` set as ApplyPageSettings sets it.
PrinterResult RestorePageDefaults(IXJComm* comm, const std::vector<PageDef>& pages, const ReconnectPolicy& policy,
                                  std::vector<Block>& blocks);
