#pragma once
// The data blocks that hold the printer's user settings, and the printer's user-setting
// commands that carry them. The setting pages fill these blocks; the settings command
// file and the pages' Apply send them to the printer. Every value is a 32-bit
// little-endian field of its block (the auto cutter value is read as 16 bits); a memory
// switch bit is a 32-bit flag, non-zero for on.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Blocks, sizes with the 32-byte header.
inline constexpr std::uint32_t kPrintSettingsBlockId = 0x00010005u;
inline constexpr std::int32_t kPrintSettingsBlockSize = 184;
inline constexpr std::uint32_t kPaperSavingBlockId = 0x00010006u;
inline constexpr std::int32_t kPaperSavingBlockSize = 52;
inline constexpr std::uint32_t kAutoCutterBlockId = 0x00010007u;
inline constexpr std::int32_t kAutoCutterBlockSize = 68;
inline constexpr std::uint32_t kModelOptionsBlockId = 0x0001000Bu;
inline constexpr std::int32_t kModelOptionsBlockSize = 256;
// The version every setting block carries.
inline constexpr std::int32_t kSettingBlockVersion = 0x00010000;

// What the Printer Information page reads from the printer besides the identity texts
// of the printer information block (0x00010001):
//   32 uint32 which of the values below were read: kInfoPageHasTypeId,
//             kInfoPageHasNvCapacity, kInfoPageHasModelId
//   36 uint32 type ID (GS I 2): bit 1 autocutter present, bit 0 multibyte fonts
//   40 uint32 remaining NV graphics capacity in bytes (GS ( L function 51)
//   44 uint32 model ID (GS I 1)
inline constexpr std::uint32_t kPrinterInfoPageBlockId = 0x00010010u;
inline constexpr std::int32_t kPrinterInfoPageBlockSize = 48;
inline constexpr std::size_t kInfoPageReadFlagsOffset = 32;
inline constexpr std::size_t kInfoPageTypeIdOffset = 36;
inline constexpr std::size_t kInfoPageNvCapacityOffset = 40;
inline constexpr std::size_t kInfoPageModelIdOffset = 44;
inline constexpr std::uint32_t kInfoPageHasTypeId = 1u << 0;
inline constexpr std::uint32_t kInfoPageHasNvCapacity = 1u << 1;
inline constexpr std::uint32_t kInfoPageHasModelId = 1u << 2;
inline constexpr std::uint32_t kTypeIdAutocutterBit = 1u << 1;

// One customized value of the printer (GS ( E functions 5 and 6): its number and where
// the blocks keep it.
struct CustomValueField {
  std::uint8_t number;
  std::uint32_t blockId;
  std::int32_t blockSize;
  std::size_t offset;
  std::size_t width;  // bytes taken from the field: 2 or 4
  std::int32_t defaultValue = 0;  // the printer's value as it leaves the factory
};

inline constexpr std::uint8_t kPaperWidthSetting = 3;
inline constexpr std::size_t kPrintSettingsPaperWidthOffset = 32;

// In the order the settings command file sends them.
inline constexpr CustomValueField kCustomValueFields[] = {
    {100, kAutoCutterBlockId, kAutoCutterBlockSize, 32, 2},   // cut after the paper cover closes
    {101, kPaperSavingBlockId, kPaperSavingBlockSize, 32, 4},  // reduce top margin
    {102, kPaperSavingBlockId, kPaperSavingBlockSize, 36, 4},  // reduce bottom margin
    {103, kPaperSavingBlockId, kPaperSavingBlockSize, 40, 4},  // reduce line spacing
    {104, kPaperSavingBlockId, kPaperSavingBlockSize, 44, 4},  // reduce line feed
    {105, kPaperSavingBlockId, kPaperSavingBlockSize, 48, 4},  // reduce barcode height
    {kPaperWidthSetting, kPrintSettingsBlockId, kPrintSettingsBlockSize, kPrintSettingsPaperWidthOffset, 4, 6},  // 80 mm
    {5, kPrintSettingsBlockId, kPrintSettingsBlockSize, 40, 4},       // print density
    {6, kPrintSettingsBlockId, kPrintSettingsBlockSize, 44, 4, 9},    // print speed
    {12, kPrintSettingsBlockId, kPrintSettingsBlockSize, 68, 4},   // execute commands while offline
    {116, kPrintSettingsBlockId, kPrintSettingsBlockSize, 116, 4}, // paper kind
    {120, kPrintSettingsBlockId, kPrintSettingsBlockSize, 120, 4}, // buzzer
    {122, kPrintSettingsBlockId, kPrintSettingsBlockSize, 124, 4}, // battery saving
};

// Memory switches kept in the model options block: for each of the switch's eight
// characters, bit 8 first, the offset of its flag, or 0 for a bit the utility leaves
// unchanged.
struct MemorySwitchField {
  std::uint8_t number;
  std::array<std::size_t, 8> offsets;
};
inline constexpr MemorySwitchField kMemorySwitchFields[] = {
    {5, {0, 0, 0, 0, 0, 0, 0, 76}},
    {8, {0, 160, 88, 156, 152, 0, 148, 144}},
};

// Characters of a memory switch command.
inline constexpr char kSwitchOff = '0';
inline constexpr char kSwitchOn = '1';
inline constexpr char kSwitchUnchanged = '2';

// Enter and leave user setting mode; leaving restarts the printer.
inline constexpr std::uint8_t kEnterUserSettingCommand[] = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 'I', 'N'};
inline constexpr std::uint8_t kLeaveUserSettingCommand[] = {0x1D, 0x28, 0x45, 0x04, 0x00, 0x02, 'O', 'U', 'T'};

// Appends GS ( E function 5 setting one customized value.
inline void AppendCustomValueCommand(std::vector<std::uint8_t>& out, std::uint8_t number, std::uint16_t value) {
  const std::uint8_t row[] = {0x1D, 0x28, 0x45, 0x04, 0x00, 0x05, number,
                              static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
  out.insert(out.end(), std::begin(row), std::end(row));
}

// Appends GS ( E function 3 setting one memory switch; bits holds its eight characters,
// bit 8 first ('0' off, '1' on, '2' unchanged).
inline void AppendMemorySwitchCommand(std::vector<std::uint8_t>& out, std::uint8_t number,
                                      const std::array<char, 8>& bits) {
  const std::uint8_t head[] = {0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03, number};
  out.insert(out.end(), std::begin(head), std::end(head));
  out.insert(out.end(), bits.begin(), bits.end());
}
