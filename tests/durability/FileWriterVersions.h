#pragma once
// The two versions the durability tests' writer process (FileWriter.cpp) alternates
// between: sizes chosen so that a write takes a while and the versions differ in length.
#include <cstddef>
#include <cstdint>

namespace durability {

// Setting data file: kDataBlocks blocks of kDataBlockSize bytes in version 0; two more,
// each kDataBlockGrowth bytes larger, in version 1.
inline constexpr int kDataBlocks = 4;
inline constexpr std::uint32_t kFirstDataBlockId = 0x00070001u;
inline constexpr std::int32_t kDataBlockSize = 64 * 1024;
inline constexpr std::int32_t kDataBlockGrowth = 8 * 1024;

// PrinterSetting.INI: this many printers in both versions, with names of nearly the
// longest length an entry keeps, so that writing the file, rather than working out its
// new text, takes most of the time a save takes.
inline constexpr int kPrinters = 12;
inline constexpr std::size_t kPrinterNameChars[2] = {200, 240};

// Settings command file: the logo of version 1, kept beside the file.
inline constexpr char kLogoSuffix[] = ".logo";
inline constexpr std::size_t kLogoBytes = 256 * 1024;

}  // namespace durability
