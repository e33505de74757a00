#pragma once
// The setting data file of one printer (<device name>_Setting.DAT): a 136-byte header
// followed by the manager's data blocks, back to back, all little-endian.
//
//   0-3    "PSD" and a zero byte          4-7   header value 1    8-11  header value 2
//   12-15  number of blocks that follow   16-31 "XJ-K52II Utility" (no terminator)
//   32-47  zero                           48-52 "NORVE"            53-79 zero
//   80-135 model name in ASCII, zero-filled
//   136-   the blocks, each with its 32-byte "PND" header (PluginDataMgr.h)
//
// Both functions run on the user-interface thread.
#include <cstddef>
#include <cstdint>
#include <string_view>

class PluginDataMgr;

inline constexpr std::size_t kDataFileHeaderSize = 136;
inline constexpr std::uint8_t kDataFileMagic[4] = {'P', 'S', 'D', 0};
inline constexpr std::size_t kDataFileValue1Offset = 4;
inline constexpr std::size_t kDataFileValue2Offset = 8;
inline constexpr std::size_t kDataFileCountOffset = 12;
inline constexpr std::size_t kDataFileProductOffset = 16;
inline constexpr char kDataFileProduct[] = "XJ-K52II Utility";  // 16 characters
inline constexpr std::size_t kDataFileMakerOffset = 48;
inline constexpr char kDataFileMaker[] = "NORVE";               // 5 characters
inline constexpr std::size_t kDataFileModelOffset = 80;
inline constexpr std::size_t kDataFileModelCapacity = kDataFileHeaderSize - kDataFileModelOffset;
// The header values the program writes.
inline constexpr std::uint32_t kDataFileHeaderValue = 0x00010000u;

// Results of WriteSettingData.
inline constexpr std::int32_t kSettingDataWritten = 1;
inline constexpr std::int32_t kSettingDataNotWritten = 0;

// Reads the data file at path and adds its blocks to the manager: for each block
// AddBlock(id, version, size) and then SetData(id, size, block), so a block whose id the
// manager already held lands in that earlier entry and the new entry keeps its zeroed
// block. The file is held under an exclusive advisory lock while it is read.
// Every block size is checked against the bytes left in the file before anything is
// allocated for it.
// Returns kSettingOk, or:
//   kSettingCannotOpen  the file is missing, cannot be opened or is locked by another;
//   kSettingBadData     wrong magic, a block size of 32 or less, or above the int range;
//   kSettingReadError   the file ends before the header, a block header or a block's
//                       data, or an I/O error;
//   kSettingBadSize / kSettingNoMemory from AddBlock.
// On any failure every block of the manager is removed, also those it held before.
std::int32_t ReadSettingData(PluginDataMgr& manager, std::u16string_view path);

// Writes the manager's blocks to path when its settings-read flag is kSettingsRead;
// otherwise returns kSettingDataNotWritten without touching the disk. Each id is written
// once, with the data of its first entry (the one the manager's lookups use), and each
// block's magic, id and size fields are taken from its entry, so whatever the pages
// stored, the file reads back with the same blocks under the same ids. The folder of
// path is created when missing (one level). The data go to a temporary file in the same
// folder which, once complete and flushed, replaces the old file in one step; on any
// failure the temporary file is removed and an existing file at path stays as it was.
// modelName is written in ASCII (other characters as '?', at most 56 characters).
// Returns kSettingDataWritten on success, kSettingDataNotWritten otherwise.
std::int32_t WriteSettingData(const PluginDataMgr& manager, std::u16string_view modelName,
                              std::u16string_view path, std::uint32_t headerValue1,
                              std::uint32_t headerValue2);
