#pragma once
// The settings command file of file mode: a 256-byte header followed by printer
// commands that restore the current settings on a printer. The data part is an
// optional logo block (a command that deletes every NV graphic, then the logo file
// unchanged) followed by the command block: the user-setting commands of the printer's
// command language built from the setting pages' data blocks. All numbers are
// little-endian.
//
// Header: 0 uint16 header size (256); 2 uint8 1; 4 model name + CR LF (30 bytes,
// zero-padded); 36 CR LF (30 bytes); 68 local time "MM/DD/YYYY hh:mm" + CR LF (20
// bytes); 120 uint8 logo kind; 121 uint8 1 (command block present); 124 uint32 logo
// block length; 128 uint32 command block length; 136 uint32 CRC-32/BZIP2 of the data
// part; everything else zero.
//
// No Qt here. Every function may be called from any thread that may read the data
// manager (normally the UI thread at shutdown).
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>
#include <vector>

#include "sdk/SettingBlocks.h"

class IPluginDataMgr;

// Results of building and writing the settings command file.
enum class SettingsFileResult : std::int32_t {
  kSettingsFileOk = 0,
  kSettingsFileNoPath = -1,         // also: a file that does not exist
  kSettingsFileCannotCreate = -2,   // output file cannot be created
  kSettingsFileCannotOpenLogo = -3,
  kSettingsFileReadError = -4,      // logo unreadable, data blocks missing
  kSettingsFileWriteError = -5,
  kSettingsFileBadLogo = -9,        // logo is no NV graphics data
  kSettingsFileNoMemory = -11,
};
using enum SettingsFileResult;

// Logo kinds at header offset 120.
inline constexpr std::uint8_t kLogoKindNone = 0;
inline constexpr std::uint8_t kLogoKindGraphics = 1;   // file starts with GS ( L or GS 8 L
inline constexpr std::uint8_t kLogoKindNvBitImage = 2; // file starts with FS q
// What LogoKindOf gives for a file that is no logo the printer takes.
inline constexpr int kLogoKindInvalid = -1;

inline constexpr std::size_t kSettingsFileHeaderSize = 256;
inline constexpr std::size_t kLogoPrefixSize = 10;
// The command block never grows beyond this.
inline constexpr std::size_t kCommandBlockMax = 65535;

// The command block is built from the setting blocks of sdk/SettingBlocks.h.
// Offset in the printer information block of the value that leaves setting 3 out.
inline constexpr std::size_t kInfoOmitPaperWidthOffset = 980;

// Logo kind of a logo file that begins with these bytes (at least 3 of them), or
// kLogoKindInvalid when the file is no logo the printer takes.
int LogoKindOf(const std::uint8_t* data, std::size_t size);

// Builds the command block from the manager's blocks into out (replacing its content).
// kSettingsFileOk, or kSettingsFileReadError when a source block is missing or shorter
// than the value read from it.
SettingsFileResult BuildSettingsCommandBlock(const IPluginDataMgr& manager, std::vector<std::uint8_t>& out);

// CRC-32/BZIP2: polynomial 0x04C11DB7, not reflected, initial value and final XOR
// 0xFFFFFFFF.
std::uint32_t SettingsFileCrc32(const std::uint8_t* data, std::size_t size);

// The complete file (header and data part) for a logo (null: none; the bytes are
// those of the logo file) and the given local time. kSettingsFileOk, or the failure of
// the logo check or of the command block.
SettingsFileResult BuildSettingsFile(const IPluginDataMgr& manager, const std::vector<std::uint8_t>* logo,
                                     std::u16string_view modelName, const std::tm& localTime,
                                     std::vector<std::uint8_t>& out);

// Writes the settings file of file mode to outputPath: the logo file at logoPath (null:
// no logo) and the command block built from the manager, stamped with the current local
// time. The file is written to a temporary file beside it and moved into place once
// complete, so a failed write never leaves a partial file and never harms an existing
// one. Returns kSettingsFileOk or a negative code above; a failure whose cause is a
// missing file or folder gives kSettingsFileNoPath.
SettingsFileResult WriteSettingsFile(const IPluginDataMgr& manager, const char16_t* logoPath,
                                     std::u16string_view modelName, std::u16string_view outputPath);
