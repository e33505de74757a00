#include "status/PrinterSettingsFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Stores a block of size bytes whose 32-bit values are given by offset.
void PutBlock(PluginDataMgr& manager, std::uint32_t id, std::int32_t size,
              std::vector<std::pair<std::size_t, std::uint32_t>> values = {}) {
  ASSERT_EQ(manager.AddBlock(id, 0x00010000, size), kSettingOk);
  Bytes block(static_cast<std::size_t>(size), 0);
  std::memcpy(block.data(), "PND", 4);
  WriteLE32(block.data() + 4, id);
  WriteLE32(block.data() + 8, 0x00010000);
  for (const auto& [offset, value] : values) WriteLE32(block.data() + offset, value);
  ASSERT_EQ(manager.SetData(id, size, block.data()), kSettingOk);
}

// Every block the command block reads, with distinct values.
void PutCompleteSet(PluginDataMgr& manager) {
  PutBlock(manager, kAutoCutterBlockId, 68, {{32, 300}});
  PutBlock(manager, kPaperSavingBlockId, 52, {{32, 0x00010065}, {36, 2}, {40, 3}, {44, 4}, {48, 5}});
  PutBlock(manager, kPrintSettingsBlockId, 184,
           {{32, 80}, {40, 6}, {44, 7}, {68, 8}, {116, 9}, {120, 10}, {124, 11}});
  PutBlock(manager, kModelOptionsBlockId, 256, {{76, 1}, {160, 1}, {88, 0}, {156, 1}, {152, 0}, {148, 1}, {144, 0}});
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t size) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

std::tm SampleTime() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 2;   // March
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 5;
  return t;
}

TEST(SettingsCommandBlock, CompleteSetGivesAllSeventeenRows) {
  PluginDataMgr manager;
  PutCompleteSet(manager);
  Bytes block;
  ASSERT_EQ(BuildSettingsCommandBlock(manager, block), kSettingsFileOk);
  ASSERT_EQ(block.size(), 8u + 13u * 9u + 2u * 15u + 9u);  // 164
  EXPECT_EQ(Slice(block, 0, 8), (Bytes{0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 'I', 'N'}));
  // Row 2: setting 0x64 with the 16-bit value 300 of the density block.
  EXPECT_EQ(Slice(block, 8, 9), (Bytes{0x1D, 0x28, 0x45, 0x04, 0x00, 0x05, 0x64, 0x2C, 0x01}));
  // Row 3: only the low 16 bits of the 32-bit value are sent.
  EXPECT_EQ(Slice(block, 17, 9), (Bytes{0x1D, 0x28, 0x45, 0x04, 0x00, 0x05, 0x65, 0x65, 0x00}));
  // Row 8: the paper width setting.
  EXPECT_EQ(Slice(block, 8 + 6 * 9, 9), (Bytes{0x1D, 0x28, 0x45, 0x04, 0x00, 0x05, 0x03, 80, 0}));
  // Row 14: the last customized value.
  EXPECT_EQ(Slice(block, 8 + 12 * 9, 9), (Bytes{0x1D, 0x28, 0x45, 0x04, 0x00, 0x05, 0x7A, 11, 0}));
  // Rows 15 and 16: memory switches 5 and 8.
  const std::size_t switches = 8 + 13 * 9;
  EXPECT_EQ(Slice(block, switches, 15),
            (Bytes{0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03, 0x05, '2', '2', '2', '2', '2', '2', '2', '1'}));
  EXPECT_EQ(Slice(block, switches + 15, 15),
            (Bytes{0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03, 0x08, '2', '1', '0', '1', '0', '2', '1', '0'}));
  EXPECT_EQ(Slice(block, 155, 9), (Bytes{0x1D, 0x28, 0x45, 0x04, 0x00, 0x02, 'O', 'U', 'T'}));
}

TEST(SettingsCommandBlock, FixedPaperWidthLeavesOutTheWidthSettingOnly) {
  PluginDataMgr manager;
  PutCompleteSet(manager);
  PutBlock(manager, kPrinterInfoBlockId, kPrinterInfoBlockSize, {{kInfoOmitPaperWidthOffset, 1}});
  Bytes block;
  ASSERT_EQ(BuildSettingsCommandBlock(manager, block), kSettingsFileOk);
  ASSERT_EQ(block.size(), 164u - 9u);
  for (std::size_t row = 8; row + 9 <= 8 + 12 * 9; row += 9) EXPECT_NE(block[row + 6], 0x03) << "at " << row;
  EXPECT_EQ(block[8 + 6 * 9 + 6], 0x05);  // the row after it moved up
}

TEST(SettingsCommandBlock, MissingOrShortSourceBlockFailsTheWholeBuild) {
  PluginDataMgr missing;
  PutBlock(missing, kAutoCutterBlockId, 68, {{32, 1}});
  PutBlock(missing, kPaperSavingBlockId, 52);
  PutBlock(missing, kPrintSettingsBlockId, 184);
  Bytes block{1, 2, 3};
  EXPECT_EQ(BuildSettingsCommandBlock(missing, block), kSettingsFileReadError);
  EXPECT_TRUE(block.empty());

  PluginDataMgr shortBlock;
  PutCompleteSet(shortBlock);
  shortBlock.RemoveBlock(shortBlock.FindBlock(kPrintSettingsBlockId));
  PutBlock(shortBlock, kPrintSettingsBlockId, 100);  // offsets 116 .. 124 lie beyond it
  EXPECT_EQ(BuildSettingsCommandBlock(shortBlock, block), kSettingsFileReadError);
}

TEST(SettingsFileChecksum, IsCrc32Bzip2) {
  const char* check = "123456789";
  EXPECT_EQ(SettingsFileCrc32(reinterpret_cast<const std::uint8_t*>(check), 9), 0xFC891918u);
  EXPECT_EQ(SettingsFileCrc32(nullptr, 0), 0u);
}

TEST(SettingsFile, HeaderWithoutLogo) {
  PluginDataMgr manager;
  PutCompleteSet(manager);
  Bytes file;
  ASSERT_EQ(BuildSettingsFile(manager, nullptr, u"XJ-K52II", SampleTime(), file), kSettingsFileOk);
  ASSERT_EQ(file.size(), 256u + 164u);
  EXPECT_EQ(file[0], 0x00);
  EXPECT_EQ(file[1], 0x01);  // 256
  EXPECT_EQ(file[2], 1);
  EXPECT_EQ(Slice(file, 4, 12), (Bytes{'X', 'J', '-', 'K', '5', '2', 'I', 'I', '\r', '\n', 0, 0}));
  EXPECT_EQ(Slice(file, 36, 3), (Bytes{'\r', '\n', 0}));
  const std::string stamp(reinterpret_cast<const char*>(file.data() + 68), 18);
  EXPECT_EQ(stamp, "03/07/2026 09:05\r\n");
  EXPECT_EQ(file[120], kLogoKindNone);
  EXPECT_EQ(file[121], 1);
  EXPECT_EQ(ReadLE32(file.data() + 124), 0u);
  EXPECT_EQ(ReadLE32(file.data() + 128), 164u);
  EXPECT_EQ(ReadLE32(file.data() + 136), SettingsFileCrc32(file.data() + 256, 164));
  for (std::size_t i = 140; i < 256; ++i) ASSERT_EQ(file[i], 0) << "at " << i;
}

TEST(SettingsFile, LogoBlockPrecedesTheCommands) {
  PluginDataMgr manager;
  PutCompleteSet(manager);
  const Bytes logo{0x1C, 0x71, 0x01, 0x08, 0x00, 0x01, 0x00, 0xAA};
  Bytes file;
  ASSERT_EQ(BuildSettingsFile(manager, &logo, u"XJ-K52II", SampleTime(), file), kSettingsFileOk);
  EXPECT_EQ(file[120], kLogoKindNvBitImage);
  EXPECT_EQ(ReadLE32(file.data() + 124), logo.size() + 10);
  EXPECT_EQ(Slice(file, 256, 10), (Bytes{0x1D, 0x28, 0x4C, 0x05, 0x00, 0x30, 0x41, 0x43, 0x4C, 0x52}));
  EXPECT_EQ(Slice(file, 266, logo.size()), logo);
  EXPECT_EQ(file[266 + logo.size()], 0x1D);  // the command block follows
  EXPECT_EQ(ReadLE32(file.data() + 136), SettingsFileCrc32(file.data() + 256, file.size() - 256));
}

TEST(SettingsFile, LogoKindsAndRefusedLogos) {
  const Bytes graphics8{0x1D, 0x38, 0x4C, 0x00};
  const Bytes twoBytes{0x1C, 0x71};
  const Bytes other{0x1B, 0x40, 0x00};
  EXPECT_EQ(LogoKindOf(graphics8.data(), graphics8.size()), kLogoKindGraphics);
  EXPECT_EQ(LogoKindOf(other.data(), other.size()), kLogoKindInvalid);
  PluginDataMgr manager;
  PutCompleteSet(manager);
  Bytes file;
  EXPECT_EQ(BuildSettingsFile(manager, &twoBytes, u"XJ-K52II", SampleTime(), file), kSettingsFileBadLogo);
}

TEST(SettingsFileWrite, WritesTheFileAndReportsMissingPaths) {
  PluginDataMgr manager;
  PutCompleteSet(manager);
  const std::string folder = testenv::MakeTempDir("out");
  const std::string logo = folder + "/logo.bin";
  ASSERT_TRUE(testenv::WriteFile(logo, std::string("\x1D\x28\x4C\x01\x02", 5)));
  const std::u16string logoPath = plat::FromUtf8(logo);

  EXPECT_EQ(WriteSettingsFile(manager, logoPath.c_str(), u"XJ-K52II", plat::FromUtf8(folder + "/set.bin")),
            kSettingsFileOk);
  const std::string written = testenv::ReadFile(folder + "/set.bin");
  ASSERT_EQ(written.size(), 256u + 15u + 164u);
  EXPECT_EQ(static_cast<std::uint8_t>(written[120]), kLogoKindGraphics);
  // Nothing but the file is left in the folder.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 2u);

  EXPECT_EQ(WriteSettingsFile(manager, nullptr, u"XJ-K52II", u""), kSettingsFileNoPath);
  EXPECT_EQ(WriteSettingsFile(manager, nullptr, u"XJ-K52II", plat::FromUtf8(folder + "/no/such/set.bin")),
            kSettingsFileNoPath);
  const std::u16string missingLogo = plat::FromUtf8(folder + "/missing.bin");
  EXPECT_EQ(WriteSettingsFile(manager, missingLogo.c_str(), u"XJ-K52II", plat::FromUtf8(folder + "/x.bin")),
            kSettingsFileNoPath);
}

TEST(SettingsFileWrite, FailureLeavesAnExistingFileAsItWas) {
  const std::string folder = testenv::MakeTempDir("out");
  const std::string target = folder + "/set.bin";
  ASSERT_TRUE(testenv::WriteFile(target, "previous settings"));
  PluginDataMgr incomplete;
  PutBlock(incomplete, kAutoCutterBlockId, 68);
  EXPECT_EQ(WriteSettingsFile(incomplete, nullptr, u"XJ-K52II", plat::FromUtf8(target)), kSettingsFileReadError);

  const std::u16string badLogo = plat::FromUtf8(folder + "/bad.bin");
  ASSERT_TRUE(testenv::WriteFile(folder + "/bad.bin", "ab"));
  PluginDataMgr complete;
  PutCompleteSet(complete);
  EXPECT_EQ(WriteSettingsFile(complete, badLogo.c_str(), u"XJ-K52II", plat::FromUtf8(target)), kSettingsFileBadLogo);
  EXPECT_EQ(testenv::ReadFile(target), "previous settings");
}

}  // namespace
