#include "plugins/backup/SettingsRestore.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include "libs/printerinfo/PrinterQuery.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/IXJComm.h"
#include "sdk/SettingBlocks.h"
#include "sdk/XJComm.h"

namespace {

// Bytes per write and the time one write may take.
constexpr std::size_t kWriteChunk = 4096;
constexpr std::uint32_t kWriteTimeoutMs = 5000;

// Progress of a restore: sending up to kSentPercent, back after the restart at
// kBackPercent, read back at kCheckedPercent.
constexpr int kSentPercent = 50;
constexpr int kBackPercent = 70;
constexpr int kCheckedPercent = 90;

// Index of the switch character of a bit: the characters run from bit 8 to bit 1.
constexpr int BitOfIndex(std::size_t index) { return 8 - static_cast<int>(index); }

const CustomValueField* ValueField(std::uint8_t number) {
  for (const CustomValueField& field : kCustomValueFields) {
    if (field.number == number) return &field;
  }
  return nullptr;
}

const MemorySwitchField* SwitchField(std::uint8_t number) {
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    if (field.number == number) return &field;
  }
  return nullptr;
}

// A block of the manager, or nothing when it has none of that id.
std::optional<Block> ManagerBlock(const IPluginDataMgr& manager, std::uint32_t id, std::int32_t size) {
  if (manager.FindBlock(id) < 0) return std::nullopt;
  Block block(static_cast<std::size_t>(size), 0);
  if (manager.GetData(id, block.data(), size) != kSettingOk) return std::nullopt;
  return block;
}

// Writes bytes in chunks; *sent counts what left. False when a write failed.
bool WriteAll(IXJComm* comm, const std::uint8_t* data, std::size_t size, std::size_t* sent,
              const std::function<void(std::size_t)>& onChunk) {
  std::size_t done = 0;
  while (done < size) {
    const auto chunk = static_cast<std::uint32_t>(std::min(kWriteChunk, size - done));
    std::uint32_t written = 0;
    const XJC_RESULT rc = comm->Write(data + done, chunk, &written, kWriteTimeoutMs);
    done += std::min<std::uint32_t>(written, chunk);
    *sent += std::min<std::uint32_t>(written, chunk);
    if (rc != XJC_OK || written != chunk) return false;
    onChunk(done);
  }
  return true;
}

// Reads back every setting the file sets. kNoAnswer when the printer does not answer;
// otherwise notTaken lists what differs (with the value read back, when it was read).
PrinterOutcome ReadBack(IXJComm* comm, const SettingsFileContents& file, std::vector<SettingChange>& notTaken) {
  notTaken.clear();
  PrinterQuery query(comm);
  for (const FileCustomValue& value : file.values) {
    std::optional<std::uint32_t> read;
    const PrinterQuery::Status status = query.ReadCustomizedValue(value.number, &read);
    if (status == PrinterQuery::Status::kNoAnswer || status == PrinterQuery::Status::kIoError) {
      return PrinterOutcome::kNoAnswer;
    }
    SettingChange change{SettingChange::Kind::kValue, value.number, 0, std::nullopt, value.value};
    if (status == PrinterQuery::Status::kOk && read) change.now = static_cast<std::int32_t>(*read);
    if (change.Changes()) notTaken.push_back(change);
  }
  for (const FileMemorySwitch& memorySwitch : file.switches) {
    std::array<char, 8> bits{};
    const PrinterQuery::Status status = query.ReadMemorySwitch(memorySwitch.number, &bits);
    if (status == PrinterQuery::Status::kNoAnswer || status == PrinterQuery::Status::kIoError) {
      return PrinterOutcome::kNoAnswer;
    }
    for (std::size_t i = 0; i < bits.size(); ++i) {
      if (memorySwitch.bits[i] == kSwitchUnchanged) continue;
      SettingChange change{SettingChange::Kind::kSwitchBit, memorySwitch.number, BitOfIndex(i), std::nullopt,
                           memorySwitch.bits[i] == kSwitchOn ? 1 : 0};
      if (status == PrinterQuery::Status::kOk) change.now = bits[i] == kSwitchOn ? 1 : 0;
      if (change.Changes()) notTaken.push_back(change);
    }
  }
  return notTaken.empty() ? PrinterOutcome::kOk : PrinterOutcome::kIncomplete;
}

}  // namespace

PrinterResult ReadSettingBlocks(IXJComm* comm, IPluginDataMgr& manager) {
  PrinterResult result;
  // The settings listed as failed point into these pages; the caller only counts them.
  static const std::vector<PageDef> pages = SettingBlockPages();
  for (const PageDef& page : pages) {
    Block block = ManagerBlock(manager, page.blockId, page.blockSize).value_or(DefaultBlock(page));
    const PrinterResult read = ReadPageSettings(comm, page, block);
    if (read.outcome == PrinterOutcome::kNoAnswer) return PrinterResult{PrinterOutcome::kNoAnswer, {}};
    manager.SetData(page.blockId, static_cast<std::int32_t>(block.size()), block.data());
    result.failed.insert(result.failed.end(), read.failed.begin(), read.failed.end());
  }
  if (!result.failed.empty()) result.outcome = PrinterOutcome::kIncomplete;
  return result;
}

std::vector<SettingChange> DescribeChanges(const SettingsFileContents& file, const IPluginDataMgr* manager) {
  std::vector<SettingChange> rows;
  for (const FileCustomValue& value : file.values) {
    SettingChange row{SettingChange::Kind::kValue, value.number, 0, std::nullopt, value.value};
    const CustomValueField* field = ValueField(value.number);
    if (manager != nullptr && field != nullptr) {
      if (std::optional<Block> block = ManagerBlock(*manager, field->blockId, field->blockSize)) {
        // The file carries the low 16 bits of the field; so does the comparison.
        row.now = static_cast<std::int32_t>(ReadLE32(block->data() + field->offset) & 0xFFFFu);
      }
    }
    rows.push_back(row);
  }
  for (const FileMemorySwitch& memorySwitch : file.switches) {
    const MemorySwitchField* field = SwitchField(memorySwitch.number);
    std::optional<Block> block;
    if (manager != nullptr && field != nullptr) block = ManagerBlock(*manager, kModelOptionsBlockId, kModelOptionsBlockSize);
    for (std::size_t i = 0; i < memorySwitch.bits.size(); ++i) {
      if (memorySwitch.bits[i] == kSwitchUnchanged) continue;
      SettingChange row{SettingChange::Kind::kSwitchBit, memorySwitch.number, BitOfIndex(i), std::nullopt,
                        memorySwitch.bits[i] == kSwitchOn ? 1 : 0};
      if (block && field->offsets[i] != 0) row.now = ReadLE32(block->data() + field->offsets[i]) != 0 ? 1 : 0;
      rows.push_back(row);
    }
  }
  if (!file.logoBlock.empty()) rows.push_back(SettingChange{SettingChange::Kind::kLogos, 0, 0, std::nullopt, 0});
  return rows;
}

RestoreResult RestoreSettingsFile(IXJComm* comm, const SettingsFileContents& file, const ReconnectPolicy& policy,
                                  const std::function<void(int percent)>& progress) {
  using Outcome = RestoreResult::Outcome;
  if (comm == nullptr) return RestoreResult{Outcome::kNotSent, {}};
  progress(0);
  const std::size_t total = file.logoBlock.size() + file.commandBlock.size();
  std::size_t sent = 0;
  auto report = [&](std::size_t) {
    progress(static_cast<int>(kSentPercent * static_cast<std::uint64_t>(sent) / std::max<std::size_t>(total, 1)));
  };
  auto lost = [&sent]() { return RestoreResult{sent == 0 ? Outcome::kNotSent : Outcome::kLostAfterSending, {}}; };

  if (!file.logoBlock.empty()) {
    if (comm->Purge() != XJC_OK) return lost();
    if (!WriteAll(comm, file.logoBlock.data(), file.logoBlock.size(), &sent, report)) return lost();
  }
  if (file.commandBlock.empty()) {
    progress(kCheckedPercent);
    return {};
  }

  // The command block opens user setting mode; the printer takes the values only after
  // it confirmed that.
  PrinterQuery query(comm);
  const PrinterQuery::Status entered = query.EnterUserSettingMode();
  if (entered == PrinterQuery::Status::kBadReply) {
    return RestoreResult{sent == 0 ? Outcome::kRefused : Outcome::kLostAfterSending, {}};
  }
  if (entered != PrinterQuery::Status::kOk) return lost();
  sent += sizeof kEnterUserSettingCommand;
  const std::size_t rest = file.commandBlock.size() - sizeof kEnterUserSettingCommand;
  if (!WriteAll(comm, file.commandBlock.data() + sizeof kEnterUserSettingCommand, rest, &sent, report)) {
    // The printer confirmed user setting mode: it must not stay in it.
    EndUserSettingModeAfterLoss(comm, policy);
    return RestoreResult{Outcome::kLostAfterSending, {}};
  }
  progress(kSentPercent);

  // Leaving user setting mode restarted the printer: it is back when a connection can
  // be made again and it answers.
  RestoreResult result;
  const XJC_RESULT recovery = AwaitRestart(comm, policy, [&] {
    progress(kBackPercent);
    result.notTaken.clear();
    if (ReadBack(comm, file, result.notTaken) == PrinterOutcome::kNoAnswer) return false;
    progress(kCheckedPercent);
    result.outcome = result.notTaken.empty() ? Outcome::kOk : Outcome::kIncomplete;
    return true;
  });
  if (recovery == XJC_OK) return result;
  return RestoreResult{recovery == XJC_E_IN_USE ? Outcome::kInUse : Outcome::kLostAfterSending, {}};
}
