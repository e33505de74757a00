// Reading the settings command file back: a file from the writer lists every setting it
// carries, with or without a logo; a damaged file is refused with its reason and
// nothing of it is kept.
#include "status/SettingsFileReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/Text.h"
#include "status/PrinterSettingsFile.h"
#include "tests/support/SettingBlocksFixture.h"
#include "tests/support/TestEnv.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using settingblocks::SettingValues;

std::tm SampleTime() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 5;
  return t;
}

Bytes WrittenFile(const SettingValues& settings, const Bytes* logo = nullptr) {
  PluginDataMgr manager;
  settingblocks::PutSettingBlocks(manager, settings);
  Bytes file;
  EXPECT_EQ(BuildSettingsFile(manager, logo, u"XJ-K52II", SampleTime(), file), kSettingsFileOk);
  return file;
}

// Replaces the data part and sets the lengths and checksum to match it, so only what
// the test breaks on purpose is wrong.
Bytes WithDataPart(Bytes file, const Bytes& logoBlock, const Bytes& commands) {
  file.resize(kSettingsFileHeaderSize);
  file.insert(file.end(), logoBlock.begin(), logoBlock.end());
  file.insert(file.end(), commands.begin(), commands.end());
  WriteLE32(file.data() + 124, static_cast<std::uint32_t>(logoBlock.size()));
  WriteLE32(file.data() + 128, static_cast<std::uint32_t>(commands.size()));
  file[120] = logoBlock.empty() ? kLogoKindNone : kLogoKindGraphics;
  file[121] = commands.empty() ? 0 : 1;
  WriteLE32(file.data() + 136,
            SettingsFileCrc32(file.data() + kSettingsFileHeaderSize, file.size() - kSettingsFileHeaderSize));
  return file;
}

Bytes CommandBlockOf(const Bytes& file) {
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(kSettingsFileHeaderSize), file.end());
}

const Bytes kEnter(std::begin(kEnterUserSettingCommand), std::end(kEnterUserSettingCommand));
const Bytes kLeave(std::begin(kLeaveUserSettingCommand), std::end(kLeaveUserSettingCommand));

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(SettingsFileReader, AFileFromTheWriterListsEverySettingItCarries) {
  const SettingValues wanted = settingblocks::OtherThanFactory();
  const Bytes file = WrittenFile(wanted);
  SettingsFileContents contents;
  ASSERT_EQ(ParseSettingsFile(file.data(), file.size(), contents), SettingsFileCheck::kOk);
  EXPECT_EQ(contents.modelName, "XJ-K52II");
  EXPECT_EQ(contents.savedAt, "03/07/2026 09:05");
  EXPECT_TRUE(contents.logoBlock.empty());
  EXPECT_EQ(contents.commandBlock, CommandBlockOf(file));
  EXPECT_EQ(settingblocks::SettingsOfFile(contents), settingblocks::Complete(wanted));
  // In the order the file sends them: the auto cutter value first, the paper width
  // after the paper saving values.
  ASSERT_EQ(contents.values.size(), std::size(kCustomValueFields));
  EXPECT_EQ(contents.values.front().number, 100);
  EXPECT_EQ(contents.values[6].number, kPaperWidthSetting);
  ASSERT_EQ(contents.switches.size(), 2u);
  EXPECT_EQ(contents.switches[0].number, 5);

  // The same from disk.
  const std::string path = testenv::MakeTempDir("reader") + "/set.bin";
  ASSERT_TRUE(testenv::WriteFile(path, std::string(file.begin(), file.end())));
  SettingsFileContents fromDisk;
  ASSERT_EQ(ReadSettingsFile(plat::FromUtf8(path), fromDisk), SettingsFileCheck::kOk);
  EXPECT_EQ(fromDisk.commandBlock, contents.commandBlock);
}

TEST(SettingsFileReader, ALogoBlockIsKeptWholeAndTheSettingsAfterItAreListed) {
  const SettingValues wanted = settingblocks::OtherThanFactory();
  const Bytes graphics = {0x1D, 0x28, 0x4C, 0x0B, 0x00, 0x30, 0x43, 0x30, 0x4B, 0x31, 0x01, 0x08, 0x00, 0x01, 0x00,
                          0x31, 0xAA};
  const Bytes olderLogo = {0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8};
  for (const auto& [logo, kind] : {std::pair{graphics, kLogoKindGraphics}, std::pair{olderLogo, kLogoKindNvBitImage}}) {
    const Bytes file = WrittenFile(wanted, &logo);
    SettingsFileContents contents;
    ASSERT_EQ(ParseSettingsFile(file.data(), file.size(), contents), SettingsFileCheck::kOk);
    EXPECT_EQ(contents.logoKind, kind);
    ASSERT_EQ(contents.logoBlock.size(), kLogoPrefixSize + logo.size());
    EXPECT_EQ(Bytes(contents.logoBlock.begin() + kLogoPrefixSize, contents.logoBlock.end()), logo);
    EXPECT_EQ(settingblocks::SettingsOfFile(contents), settingblocks::Complete(wanted));
  }
}

TEST(SettingsFileReader, ASettingSetTwiceIsListedOnceWithTheValueThePrinterKeeps) {
  const Bytes base = WrittenFile({});
  const Bytes values = {0x1D, 0x28, 0x45, 0x07, 0x00, 0x05, 6, 3, 0, 5, 1, 0};
  const Bytes again = {0x1D, 0x28, 0x45, 0x04, 0x00, 0x05, 6, 7, 0};
  const Bytes switches = {0x1D, 0x28, 0x45, 0x13, 0x00, 0x03, 8, '1', '2', '2', '2', '2', '2', '2', '2',
                          8, '2', '2', '2', '2', '2', '2', '2', '0'};
  const Bytes file = WithDataPart(base, {}, Join({kEnter, values, again, switches, kLeave}));
  SettingsFileContents contents;
  ASSERT_EQ(ParseSettingsFile(file.data(), file.size(), contents), SettingsFileCheck::kOk);
  ASSERT_EQ(contents.values.size(), 2u);
  EXPECT_EQ(contents.values[0].number, 6);
  EXPECT_EQ(contents.values[0].value, 7);
  EXPECT_EQ(contents.values[1].value, 1);
  ASSERT_EQ(contents.switches.size(), 1u);
  EXPECT_EQ(std::string(contents.switches[0].bits.begin(), contents.switches[0].bits.end()), "12222220");
}

TEST(SettingsFileReader, DamagedFilesAreRefusedWithTheirReasonAndNothingIsKept) {
  const Bytes good = WrittenFile(settingblocks::OtherThanFactory());
  const Bytes commands = CommandBlockOf(good);
  const Bytes values(commands.begin() + 8, commands.end() - 9);  // everything between enter and leave
  auto changed = [&good](std::size_t offset, std::uint8_t byte) {
    Bytes file = good;
    file[offset] = byte;
    return file;
  };
  Bytes badCrc = good;
  badCrc[kSettingsFileHeaderSize + 20] ^= 0x01;
  const Bytes logo = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x33};
  Bytes badPrefix = {0x1D, 0x28, 0x4C, 0x05, 0x00, 0x30, 0x41, 0x43, 0x4C, 0x58};
  badPrefix.insert(badPrefix.end(), logo.begin(), logo.end());
  Bytes headerSize = changed(0, 0xFF);
  Bytes switchChar = commands;
  switchChar[commands.size() - 9 - 1] = '7';

  const struct {
    const char* what;
    Bytes file;
    SettingsFileCheck expected;
  } cases[] = {
      {"shorter than a header", Bytes(good.begin(), good.begin() + 255), SettingsFileCheck::kTooShort},
      {"cut off", Bytes(good.begin(), good.end() - 1), SettingsFileCheck::kLengthMismatch},
      {"a byte too many", Join({good, {0x00}}), SettingsFileCheck::kLengthMismatch},
      {"header size 511", headerSize, SettingsFileCheck::kBadHeader},
      {"another format", changed(2, 2), SettingsFileCheck::kBadHeader},
      {"unknown logo kind", changed(120, 3), SettingsFileCheck::kBadHeader},
      {"command flag off", changed(121, 0), SettingsFileCheck::kBadHeader},
      {"checksum of other data", badCrc, SettingsFileCheck::kBadChecksum},
      {"checksum field changed", changed(136, static_cast<std::uint8_t>(good[136] ^ 0x80)),
       SettingsFileCheck::kBadChecksum},
      {"logo without its delete command", WithDataPart(good, badPrefix, commands), SettingsFileCheck::kBadLogo},
      {"logo that is no graphics", WithDataPart(good, Join({Bytes(badPrefix.begin(), badPrefix.begin() + 9), {0x52},
                                                             {0x1B, 0x40, 0x00}}), commands),
       SettingsFileCheck::kBadLogo},
      {"nothing to send", WithDataPart(good, {}, {}), SettingsFileCheck::kBadCommands},
      {"no end of user setting mode", WithDataPart(good, {}, Join({kEnter, values})), SettingsFileCheck::kBadCommands},
      {"no start of user setting mode", WithDataPart(good, {}, Join({values, kLeave})), SettingsFileCheck::kBadCommands},
      {"a command cut off", WithDataPart(good, {}, Join({kEnter, values, Bytes(kLeave.begin(), kLeave.end() - 1)})),
       SettingsFileCheck::kBadCommands},
      {"another command", WithDataPart(good, {}, Join({kEnter, {0x1B, 0x40}, values, kLeave})),
       SettingsFileCheck::kBadCommands},
      {"another user setting function", WithDataPart(good, {}, Join({kEnter, {0x1D, 0x28, 0x45, 0x02, 0x00, 0x06, 3},
                                                                       kLeave})),
       SettingsFileCheck::kBadCommands},
      {"a switch character the printer refuses", WithDataPart(good, {}, switchChar), SettingsFileCheck::kBadCommands},
      {"commands after the end", WithDataPart(good, {}, Join({commands, values})), SettingsFileCheck::kBadCommands},
  };
  for (const auto& c : cases) {
    SettingsFileContents contents;
    contents.modelName = "left over";
    EXPECT_EQ(ParseSettingsFile(c.file.data(), c.file.size(), contents), c.expected) << c.what;
    EXPECT_TRUE(contents.modelName.empty() && contents.values.empty() && contents.commandBlock.empty()) << c.what;
  }

  const std::string folder = testenv::MakeTempDir("bad");
  SettingsFileContents contents;
  EXPECT_EQ(ReadSettingsFile(plat::FromUtf8(folder + "/missing.bin"), contents), SettingsFileCheck::kCannotRead);
  EXPECT_EQ(ReadSettingsFile(plat::FromUtf8(folder), contents), SettingsFileCheck::kCannotRead);
  // A file far larger than any settings file is refused before it is read.
  const std::string huge = folder + "/huge.bin";
  ASSERT_TRUE(testenv::WriteFile(huge, ""));
  ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(kMaxSettingsFileSize + 1)), 0);
  EXPECT_EQ(ReadSettingsFile(plat::FromUtf8(huge), contents), SettingsFileCheck::kTooLarge);
}

}  // namespace
