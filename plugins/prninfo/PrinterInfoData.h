#pragma once
// What the Printer Information page shows and how it reads it: the five identity texts
// of the printer information block (0x00010001, filled by the program's printer
// reader), the printer's type ID, model ID and remaining NV graphics capacity (kept in
// the page's own block, 0x00010010, see sdk/SettingBlocks.h).
//
// No Qt here. The read runs on a communication job's worker; the rest on any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "plugins/common/SettingPage.h"

namespace prninfo {

// The printer information block: five texts of 90 UTF-16 characters (the last one
// stays 0) and two values the program sets to 80 and 180.
inline constexpr std::size_t kTextChars = 90;
enum TextIndex : std::size_t { kFirmware, kModel, kSerial, kMaker, kFonts, kTextCount };
inline constexpr std::array<std::size_t, kTextCount> kTextOffsets = {32, 212, 392, 572, 752};
inline constexpr std::size_t kValue984Offset = 984;
inline constexpr std::size_t kValue988Offset = 988;
inline constexpr std::int32_t kValue984Default = 80;
inline constexpr std::int32_t kValue988Default = 180;

// The blocks with their headers and defaults (empty texts, nothing read).
Block DefaultPrinterInfoBlock();
Block DefaultPageBlock();

// The text of a slot, up to its terminator.
std::u16string InfoText(const Block& infoBlock, TextIndex index);
// Stores a text in its slot, cut to 89 characters and terminated.
void SetInfoText(Block& infoBlock, TextIndex index, std::u16string_view text);

struct PrinterInfo {
  std::array<std::u16string, kTextCount> texts;
  std::optional<std::int32_t> deviceId;
  std::optional<bool> autocutter;
  std::optional<std::uint32_t> nvCapacity;  // bytes
};

// What the page shows. appDeviceId is the device ID the program learnt at start-up;
// 0 (unknown) takes the model ID the page read instead.
PrinterInfo InfoFromBlocks(const Block& infoBlock, const Block& pageBlock, std::int32_t appDeviceId);

// Reads the model ID, the type ID and the remaining NV graphics capacity into
// pageBlock and, withTexts, the five identity texts into infoBlock (a text the printer
// has not ready keeps the slot's text). kNoAnswer as soon as a request is not
// answered (the blocks are then partly updated; callers do not keep them); kIncomplete
// when the printer answered a request with something else; kOk otherwise.
PrinterOutcome ReadPrinterInformation(IXJComm* comm, bool withTexts, Block& infoBlock, Block& pageBlock);

}  // namespace prninfo
