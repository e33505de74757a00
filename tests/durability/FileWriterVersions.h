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

// PrinterSetting.INI: this many printers in both versions.
inline constexpr int kPrinters = 40;

// Settings command file: the logo of version 1, kept beside the file.
inline constexpr char kLogoSuffix[] = ".logo";
inline constexpr std::size_t kLogoBytes = 256 * 1024;

}  // namespace durability
