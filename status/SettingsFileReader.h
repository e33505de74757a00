#pragma once
// Reading a settings command file (PrinterSettingsFile.h) back: the file is checked
// whole before anything in it is trusted (header size, block lengths against the
// file's size, CRC-32 of the data part, the logo block's form, and that the command
// block holds nothing but the user-setting commands), and the settings it sets are
// listed, so the user can see what sending it to a printer will change.
//
// No Qt here. Pure functions; any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Outcome of the check, one value per reason a file is refused.
enum class SettingsFileCheck {
  kOk,
  kCannotRead,      // the file cannot be opened or read
  kTooLarge,        // larger than any settings file can be
  kTooShort,        // shorter than its header
  kBadHeader,       // header size, format or block flags are not those of a settings file
  kLengthMismatch,  // the block lengths in the header do not add up to the file's size
  kBadChecksum,     // the data part does not have the checksum the header gives
  kBadLogo,         // the logo block is not a logo the printer takes
  kBadCommands,     // the command block holds other commands, or they are cut off
};

// No settings file comes near this size; a larger file is refused before it is read.
inline constexpr std::size_t kMaxSettingsFileSize = 16u * 1024u * 1024u;

// One customized value the file sets (GS ( E function 5).
struct FileCustomValue {
  std::uint8_t number;
  std::uint16_t value;
};

// One memory switch the file changes (GS ( E function 3): its eight characters, bit 8
// first, '0' off, '1' on, '2' unchanged.
struct FileMemorySwitch {
  std::uint8_t number;
  std::array<char, 8> bits;
};

struct SettingsFileContents {
  std::string modelName;  // the model the file was made for (header text, without line end)
  std::string savedAt;    // "MM/DD/YYYY hh:mm"
  std::uint8_t logoKind = 0;
  // The data part as the file holds it: the logo block (empty when none) and the
  // command block (empty when none).
  std::vector<std::uint8_t> logoBlock;
  std::vector<std::uint8_t> commandBlock;
  // What the command block sets, in the order of first appearance; a setting the file
  // sets twice is listed once with the value the printer keeps (the later one).
  std::vector<FileCustomValue> values;
  std::vector<FileMemorySwitch> switches;
};

// Checks and parses the bytes of a whole file. On kOk out holds its contents; on any
// other result out is left empty.
SettingsFileCheck ParseSettingsFile(const std::uint8_t* data, std::size_t size, SettingsFileContents& out);

// Reads the file at path (a regular file of at most kMaxSettingsFileSize bytes) and
// parses it as above.
SettingsFileCheck ReadSettingsFile(std::u16string_view path, SettingsFileContents& out);

// Why a file was refused, in English, for a result other than kOk (empty for kOk).
std::u16string_view SettingsFileCheckText(SettingsFileCheck check);
