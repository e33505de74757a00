#pragma once
// Setting blocks for tests: a data manager holding every block the settings command
// file reads (sdk/SettingBlocks.h), filled with chosen values, and the values read
// back from such a manager. Header-only; link xj_settings for PluginDataMgr.
#include <cstring>
#include <map>
#include <ostream>
#include <utility>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"
#include "status/SettingsFileReader.h"

namespace settingblocks {

// Values of the settings: customized values by number, memory switch bits by
// (switch, bit). Settings not named keep the printer's factory values.
struct SettingValues {
  std::map<std::uint8_t, std::uint16_t> values;
  std::map<std::pair<std::uint8_t, int>, bool> bits;
};

// A value the printer takes for every setting the file carries, each one other than
// the factory value except switch 8 bit 5, which stays off as at the factory (so a file
// of these values also turns a bit off).
inline SettingValues OtherThanFactory() {
  SettingValues s;
  s.values = {{100, 1}, {101, 1}, {102, 1}, {103, 1}, {104, 1}, {105, 1}, {3, 1},
              {5, 65532}, {6, 4}, {12, 1}, {116, 1}, {120, 1}, {122, 1}};
  s.bits = {{{5, 1}, true}, {{8, 7}, true}, {{8, 6}, true}, {{8, 5}, false},
            {{8, 4}, true}, {{8, 2}, true}, {{8, 1}, true}};
  return s;
}

// Offset in the model options block of a memory switch bit; 0 for a bit no block keeps.
inline std::size_t BitOffset(std::uint8_t number, int bit) {
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    if (field.number == number && bit >= 1 && bit <= 8) return field.offsets[static_cast<std::size_t>(8 - bit)];
  }
  return 0;
}

inline std::vector<std::uint8_t> EmptyBlock(std::uint32_t id, std::int32_t size) {
  std::vector<std::uint8_t> block(static_cast<std::size_t>(size), 0);
  std::memcpy(block.data(), kBlockMagic, sizeof kBlockMagic);
  WriteLE32(block.data() + kBlockIdOffset, id);
  WriteLE32(block.data() + kBlockVersionOffset, static_cast<std::uint32_t>(kSettingBlockVersion));
  WriteLE32(block.data() + kBlockSizeOffset, static_cast<std::uint32_t>(size));
  return block;
}

// Stores every setting block (adding the ones the manager lacks) with the values given
// and the factory values for the rest.
inline void PutSettingBlocks(PluginDataMgr& manager, const SettingValues& settings) {
  std::map<std::uint32_t, std::vector<std::uint8_t>> blocks;
  for (const CustomValueField& field : kCustomValueFields) {
    auto [it, added] = blocks.try_emplace(field.blockId, EmptyBlock(field.blockId, field.blockSize));
    const auto found = settings.values.find(field.number);
    const std::uint32_t value =
        found != settings.values.end() ? found->second : static_cast<std::uint32_t>(field.defaultValue);
    WriteLE32(it->second.data() + field.offset, value);
  }
  auto& options = blocks.try_emplace(kModelOptionsBlockId, EmptyBlock(kModelOptionsBlockId, kModelOptionsBlockSize))
                      .first->second;
  for (const auto& [key, on] : settings.bits) {
    if (const std::size_t offset = BitOffset(key.first, key.second); offset != 0) WriteLE32(options.data() + offset, on);
  }
  for (auto& [id, block] : blocks) {
    if (manager.FindBlock(id) < 0) manager.AddBlock(id, kSettingBlockVersion, static_cast<std::int32_t>(block.size()));
    manager.SetData(id, static_cast<std::int32_t>(block.size()), block.data());
  }
}

// Every value the manager's setting blocks hold, as the file would carry it.
inline SettingValues StoredSettings(const IPluginDataMgr& manager) {
  SettingValues s;
  for (const CustomValueField& field : kCustomValueFields) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(field.blockSize), 0);
    manager.GetData(field.blockId, block.data(), field.blockSize);
    s.values[field.number] = static_cast<std::uint16_t>(ReadLE32(block.data() + field.offset) & 0xFFFFu);
  }
  std::vector<std::uint8_t> options(static_cast<std::size_t>(kModelOptionsBlockSize), 0);
  manager.GetData(kModelOptionsBlockId, options.data(), kModelOptionsBlockSize);
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    for (int bit = 1; bit <= 8; ++bit) {
      if (const std::size_t offset = BitOffset(field.number, bit); offset != 0) {
        s.bits[{field.number, bit}] = ReadLE32(options.data() + offset) != 0;
      }
    }
  }
  return s;
}

// The factory values with the given ones over them, for comparing with StoredSettings.
inline SettingValues Complete(const SettingValues& settings) {
  PluginDataMgr manager;
  PutSettingBlocks(manager, settings);
  return StoredSettings(manager);
}

inline bool operator==(const SettingValues& a, const SettingValues& b) {
  return a.values == b.values && a.bits == b.bits;
}

// The settings a parsed settings file sets.
inline SettingValues SettingsOfFile(const SettingsFileContents& contents) {
  SettingValues s;
  for (const FileCustomValue& v : contents.values) s.values[v.number] = v.value;
  for (const FileMemorySwitch& sw : contents.switches) {
    for (int bit = 1; bit <= 8; ++bit) {
      const char c = sw.bits[static_cast<std::size_t>(8 - bit)];
      if (c != kSwitchUnchanged) s.bits[{sw.number, bit}] = c == kSwitchOn;
    }
  }
  return s;
}

// Readable test failures.
inline void PrintTo(const SettingValues& s, std::ostream* out) {
  for (const auto& [number, value] : s.values) *out << "cv" << int(number) << "=" << value << " ";
  for (const auto& [key, on] : s.bits) *out << "msw" << int(key.first) << "." << key.second << "=" << on << " ";
}

}  // namespace settingblocks
