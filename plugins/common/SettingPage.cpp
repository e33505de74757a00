#include "plugins/common/SettingPage.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <thread>

#include "libs/printerinfo/PrinterQuery.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/IXJComm.h"
#include "sdk/SettingBlocks.h"
#include "sdk/XJComm.h"

namespace {

bool FieldFits(const Block& block, const SettingDef& setting) { return setting.offset + 4 <= block.size(); }

PrinterOutcome OutcomeOf(PrinterQuery::Status status) {
  switch (status) {
    case PrinterQuery::Status::kOk: return PrinterOutcome::kOk;
    case PrinterQuery::Status::kBadReply: return PrinterOutcome::kIncomplete;
    default: return PrinterOutcome::kNoAnswer;
  }
}

// Index of the switch character of a bit: the characters run from bit 8 to bit 1.
std::size_t SwitchCharIndex(int bit) { return static_cast<std::size_t>(8 - bit); }

}  // namespace

Block DefaultBlock(const PageDef& page) {
  Block block(static_cast<std::size_t>(std::max<std::int32_t>(page.blockSize, kMinBlockSize)), 0);
  std::memcpy(block.data(), kBlockMagic, sizeof kBlockMagic);
  WriteLE32(block.data() + kBlockIdOffset, page.blockId);
  WriteLE32(block.data() + kBlockVersionOffset, static_cast<std::uint32_t>(kSettingBlockVersion));
  WriteLE32(block.data() + kBlockSizeOffset, static_cast<std::uint32_t>(block.size()));
  for (const SettingDef& setting : page.settings) SetFieldValue(block, setting, setting.defaultValue);
  return block;
}

std::int32_t FieldValue(const Block& block, const SettingDef& setting) {
  if (!FieldFits(block, setting)) return setting.defaultValue;
  return static_cast<std::int32_t>(ReadLE32(block.data() + setting.offset));
}

void SetFieldValue(Block& block, const SettingDef& setting, std::int32_t value) {
  if (FieldFits(block, setting)) WriteLE32(block.data() + setting.offset, static_cast<std::uint32_t>(value));
}

std::vector<const SettingDef*> ChangedSettings(const PageDef& page, const Block& before, const Block& after) {
  std::vector<const SettingDef*> changed;
  for (const SettingDef& setting : page.settings) {
    if (FieldValue(before, setting) != FieldValue(after, setting)) changed.push_back(&setting);
  }
  return changed;
}

std::uint32_t AwaitRestart(IXJComm* comm, const ReconnectPolicy& policy, const std::function<bool()>& answered) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<long long>(policy.attempts) *
                                                                 std::max(policy.intervalMs, 0));
  XJC_RESULT recovery = XJC_E_TIMEOUT;
  do {
    if (policy.stop && policy.stop()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kReconnectPollMs));
    recovery = comm->RecoverySending();
    if (recovery == XJC_OK) {
      if (answered()) return XJC_OK;
      recovery = XJC_E_TIMEOUT;
    }
  } while (Clock::now() < deadline);
  return recovery;
}

bool EndUserSettingModeAfterLoss(IXJComm* comm, const ReconnectPolicy& policy) {
  ReconnectPolicy untilSent = policy;
  untilSent.stop = nullptr;
  PrinterQuery query(comm);
  const std::vector<std::uint8_t> leave(std::begin(kLeaveUserSettingCommand), std::end(kLeaveUserSettingCommand));
  return AwaitRestart(comm, untilSent, [&] { return query.SendCommand(leave) == PrinterQuery::Status::kOk; }) ==
         XJC_OK;
}

PrinterResult ReadPageSettings(IXJComm* comm, const PageDef& page, Block& block) {
  PrinterResult result;
  PrinterQuery query(comm);
  // The customized values are asked for all at once: the printer answers them one after
  // another without a round trip each, which on a serial line is most of the time.
  std::vector<std::uint8_t> numbers;
  for (const SettingDef& setting : page.settings) {
    if (setting.source == SettingDef::Source::kCustomValue &&
        std::find(numbers.begin(), numbers.end(), setting.number) == numbers.end())
      numbers.push_back(setting.number);
  }
  std::vector<std::optional<std::uint32_t>> values;
  const std::vector<PrinterQuery::Status> statuses = query.ReadCustomizedValues(numbers, &values);
  // Each memory switch is read once for all of its bits.
  std::map<std::uint8_t, std::array<char, 8>> switches;
  for (const SettingDef& setting : page.settings) {
    if (setting.source == SettingDef::Source::kCustomValue) {
      const auto at = static_cast<std::size_t>(std::find(numbers.begin(), numbers.end(), setting.number) - numbers.begin());
      const PrinterQuery::Status status = statuses[at];
      if (status == PrinterQuery::Status::kOk && values[at]) {
        // The printer answers a value as 16 bits; signed settings keep their meaning.
        SetFieldValue(block, setting, static_cast<std::int32_t>(*values[at]));
        continue;
      }
      if (OutcomeOf(status) == PrinterOutcome::kNoAnswer) return PrinterResult{PrinterOutcome::kNoAnswer, {}};
      result.failed.push_back(&setting);
      continue;
    }
    auto found = switches.find(setting.number);
    if (found == switches.end()) {
      std::array<char, 8> bits{};
      const PrinterQuery::Status status = query.ReadMemorySwitch(setting.number, &bits);
      if (OutcomeOf(status) == PrinterOutcome::kNoAnswer) return PrinterResult{PrinterOutcome::kNoAnswer, {}};
      if (status != PrinterQuery::Status::kOk) {
        result.failed.push_back(&setting);
        continue;
      }
      found = switches.emplace(setting.number, bits).first;
    }
    SetFieldValue(block, setting, found->second[SwitchCharIndex(setting.bit)] == kSwitchOn ? 1 : 0);
  }
  if (!result.failed.empty()) result.outcome = PrinterOutcome::kIncomplete;
  return result;
}

PrinterResult ApplyPageSettings(IXJComm* comm, const PageDef& page, const Block& stored, const Block& wanted,
                                const ReconnectPolicy& policy, Block& readBack) {
  readBack = wanted;
  const std::vector<const SettingDef*> changed = ChangedSettings(page, stored, wanted);
  if (changed.empty()) return {};

  std::vector<std::uint8_t> commands;
  std::map<std::uint8_t, std::array<char, 8>> switches;
  for (const SettingDef* setting : changed) {
    const std::int32_t value = FieldValue(wanted, *setting);
    if (setting->source == SettingDef::Source::kCustomValue) {
      AppendCustomValueCommand(commands, setting->number, static_cast<std::uint16_t>(value));
      continue;
    }
    auto [it, added] = switches.try_emplace(setting->number);
    if (added) it->second.fill(kSwitchUnchanged);
    it->second[SwitchCharIndex(setting->bit)] = value != 0 ? kSwitchOn : kSwitchOff;
  }
  for (const auto& [number, bits] : switches) AppendMemorySwitchCommand(commands, number, bits);

  PrinterQuery query(comm);
  PrinterQuery::Status status = query.EnterUserSettingMode();
  // A printer that answers something else than the mode's confirmation refuses it.
  if (status != PrinterQuery::Status::kOk) return PrinterResult{OutcomeOf(status), changed};
  status = query.SendCommand(commands);
  if (status == PrinterQuery::Status::kOk) {
    status = query.SendCommand(std::vector<std::uint8_t>(std::begin(kLeaveUserSettingCommand),
                                                          std::end(kLeaveUserSettingCommand)));
  }
  if (status != PrinterQuery::Status::kOk) {
    EndUserSettingModeAfterLoss(comm, policy);
    return PrinterResult{PrinterOutcome::kNoAnswer, changed};
  }

  // The printer restarts now and drops the connection; it is back when a connection
  // can be made again and it answers.
  PrinterResult result;
  const XJC_RESULT recovery = AwaitRestart(comm, policy, [&] {
    if (ReadPageSettings(comm, page, readBack).outcome == PrinterOutcome::kNoAnswer) return false;
    for (const SettingDef* setting : changed) {
      if (FieldValue(readBack, *setting) != FieldValue(wanted, *setting)) result.failed.push_back(setting);
    }
    if (!result.failed.empty()) result.outcome = PrinterOutcome::kIncomplete;
    return true;
  });
  if (recovery == XJC_OK) return result;
  return PrinterResult{recovery == XJC_E_IN_USE ? PrinterOutcome::kInUse : PrinterOutcome::kNoAnswer, changed, true};
}

std::vector<PageDef> SettingBlockPages() {
  std::vector<PageDef> pages;
  auto pageOf = [&pages](std::uint32_t id, std::int32_t size) -> PageDef& {
    for (PageDef& page : pages) {
      if (page.blockId == id) return page;
    }
    PageDef page;
    page.blockId = id;
    page.blockSize = size;
    pages.push_back(page);
    return pages.back();
  };
  for (const CustomValueField& field : kCustomValueFields) {
    SettingDef setting;
    setting.source = SettingDef::Source::kCustomValue;
    setting.number = field.number;
    setting.offset = field.offset;
    setting.defaultValue = field.defaultValue;
    pageOf(field.blockId, field.blockSize).settings.push_back(setting);
  }
  PageDef& options = pageOf(kModelOptionsBlockId, kModelOptionsBlockSize);
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    for (std::size_t i = 0; i < field.offsets.size(); ++i) {
      if (field.offsets[i] == 0) continue;
      SettingDef setting;
      setting.source = SettingDef::Source::kMemorySwitchBit;
      setting.number = field.number;
      setting.bit = 8 - static_cast<int>(i);  // the characters run from bit 8 to bit 1
      setting.offset = field.offsets[i];
      options.settings.push_back(setting);
    }
  }
  return pages;
}

Block DefaultSettingBlock(std::uint32_t id) {
  for (const PageDef& page : SettingBlockPages()) {
    if (page.blockId == id) return DefaultBlock(page);
  }
  return {};
}

PrinterResult RestorePageDefaults(IXJComm* comm, const std::vector<PageDef>& pages, const ReconnectPolicy& policy,
                                  std::vector<Block>& blocks) {
  // All settings of all pages as one page, each in a field of its own, so one user
  // setting mode (and one restart) takes them all.
  PageDef all;
  std::vector<const SettingDef*> origin;
  std::vector<std::size_t> pageOf;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    for (const SettingDef& setting : pages[p].settings) {
      SettingDef field = setting;
      field.offset = kBlockHeaderSize + 4 * origin.size();
      all.settings.push_back(field);
      origin.push_back(&setting);
      pageOf.push_back(p);
    }
  }
  all.blockSize = static_cast<std::int32_t>(kBlockHeaderSize + 4 * origin.size());
  const auto toPages = [&](const std::vector<const SettingDef*>& settings) {
    std::vector<const SettingDef*> mapped;
    for (const SettingDef* setting : settings) mapped.push_back(origin[static_cast<std::size_t>(setting - all.settings.data())]);
    return mapped;
  };

  const Block defaults = DefaultBlock(all);
  // A setting the printer does not report keeps a value other than its default, so it
  // is sent all the same.
  Block current = defaults;
  for (const SettingDef& setting : all.settings) SetFieldValue(current, setting, setting.defaultValue ^ 1);
  if (ReadPageSettings(comm, all, current).outcome == PrinterOutcome::kNoAnswer) {
    return PrinterResult{PrinterOutcome::kNoAnswer, {}};
  }
  Block readBack;
  const PrinterResult applied = ApplyPageSettings(comm, all, current, defaults, policy, readBack);
  if (applied.outcome == PrinterOutcome::kOk || applied.outcome == PrinterOutcome::kIncomplete) {
    blocks.resize(pages.size());
    for (std::size_t i = 0; i < all.settings.size(); ++i) {
      Block& block = blocks[pageOf[i]];
      if (block.empty()) block = DefaultBlock(pages[pageOf[i]]);
      SetFieldValue(block, *origin[i], FieldValue(readBack, all.settings[i]));
    }
  }
  return PrinterResult{applied.outcome, toPages(applied.failed), applied.sent};
}
