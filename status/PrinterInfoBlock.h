#pragma once
// The printer information block (id 0x00010001, 992 bytes) of the plug-in data manager:
// the printer's identity texts as the printer information manager reports them, the
// model flag and the paper width value. The status pane shows the name from it; the
// settings command file reads the paper width value.
//
// No Qt here. Pure functions, any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sdk/IPluginDataMgr.h"

inline constexpr std::int32_t kPrinterInfoBlockVersion = 0x00010000;

// Five wide texts of 90 characters each (their last character stays 0).
inline constexpr std::size_t kInfoTextChars = 90;
inline constexpr std::size_t kInfoFirmwareOffset = 32;   // information text 1
inline constexpr std::size_t kInfoNameOffset = 212;      // the printer's name
inline constexpr std::size_t kInfoSerialOffset = 392;    // information text 3
inline constexpr std::size_t kInfoMakerOffset = 572;     // information text 4
inline constexpr std::size_t kInfoFontsOffset = 752;     // information text 5
inline constexpr std::size_t kInfoModelFlagOffset = 976;
inline constexpr std::size_t kInfoPaperWidthOffset = 980;  // 1: the paper width is fixed
inline constexpr std::size_t kInfoValue984Offset = 984;
inline constexpr std::size_t kInfoValue988Offset = 988;
inline constexpr std::int32_t kInfoValue984Default = 80;
inline constexpr std::int32_t kInfoValue988Default = 180;

// Model flag: 0 for the variant without autocutter (device ID 145), 1 otherwise.
inline constexpr std::int32_t kDeviceIdWithoutCutter = 145;
inline constexpr std::uint32_t kModelWithCutter = 1;
inline constexpr std::uint32_t kModelWithoutCutter = 0;

using PrinterInfoBlock = std::array<std::uint8_t, kPrinterInfoBlockSize>;

// The default block: header (id, version, size 992), empty texts, flags 0, 80 at 984
// and 180 at 988.
PrinterInfoBlock DefaultPrinterInfoBlock();

// Writes text (cut to 89 characters) with its terminator into the 90-character slot at
// offset.
void SetInfoText(PrinterInfoBlock& block, std::size_t offset, std::u16string_view text);
// The text of the slot at offset, up to its terminator.
std::u16string InfoText(const std::uint8_t* block, std::size_t offset);
