#include "app/PrinterSettingFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CExtCommandLineInfo.h"
#include "app/settings/PluginDataMgr.h"
#include "app/settings/PrinterSettingIni.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr std::uint32_t kPageBlockId = 0x00010005u;
constexpr std::int32_t kPageBlockSize = 64;

// A block as a page stores it: "PND" header with id, version and size, then its values.
std::vector<std::uint8_t> PageBlock(std::uint8_t fill) {
  std::vector<std::uint8_t> block(kPageBlockSize, fill);
  std::memset(block.data(), 0, 32);
  std::memcpy(block.data(), "PND", 4);
  WriteLE32(block.data() + 4, kPageBlockId);
  WriteLE32(block.data() + 8, 0x00010000);
  WriteLE32(block.data() + 12, kPageBlockSize);
  return block;
}

void StorePageBlock(PluginDataMgr& manager, std::uint8_t fill) {
  ASSERT_EQ(manager.AddBlock(kPageBlockId, 0x00010000, kPageBlockSize), kSettingOk);
  std::vector<std::uint8_t> block = PageBlock(fill);
  ASSERT_EQ(manager.SetData(kPageBlockId, kPageBlockSize, block.data()), kSettingOk);
}

// A block for a run of the given mode and caller on the simulator's port, with its own
// data folder.
std::unique_ptr<AppSettingsBlock> RunBlock(std::int32_t mode, std::int32_t caller, std::string& dataFolder) {
  auto block = std::make_unique<AppSettingsBlock>();
  std::memset(block.get(), 0, sizeof(AppSettingsBlock));
  block->mode = mode;
  block->callerCode = caller;
  dataFolder = testenv::MakeTempDir("data");
  plat::CopyText(block->dataFolder, plat::FromUtf8(dataFolder));
  plat::CopyText(block->chosenPort.deviceName, u"XJ-K52II");
  plat::CopyText(block->chosenPort.portName, u"127.0.0.1:9100");
  return block;
}

TEST(PrinterSettingFiles, NormalRunKeepsEntryAndDataOnceTheSettingsWereReadAndFindsThemNextTime) {
  std::string folder;
  auto block = RunBlock(kModeNormal, kCallerNone, folder);
  const std::string ini = folder + "/PrinterSetting.INI";
  const std::string data = folder + "/PORT_0/XJ-K52II_Setting.DAT";
  {
    PluginDataMgr manager;
    StorePageBlock(manager, 0x5A);
    // The printer's settings were not read completely: nothing may replace what was kept.
    EXPECT_FALSE(SavePrinterSettingFiles(manager, *block));
    EXPECT_FALSE(std::filesystem::exists(ini));
    EXPECT_FALSE(std::filesystem::exists(data));

    manager.SetSettingsReadFlag(kSettingsRead);
    EXPECT_TRUE(SavePrinterSettingFiles(manager, *block));
    const std::string text = testenv::ReadFile(ini);
    EXPECT_NE(text.find("COUNT=1"), std::string::npos) << text;
    EXPECT_NE(text.find("DeviceName=XJ-K52II"), std::string::npos) << text;
    EXPECT_NE(text.find("PortName=127.0.0.1:9100"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::exists(data));
  }

  // The next start of the same printer reads the blocks back.
  PluginDataMgr next;
  ASSERT_EQ(LoadPrinterSettingIni(next, plat::FromUtf8(folder), plat::FromUtf8(folder)), 1);
  ASSERT_TRUE(ReadChosenPrinterSettings(next, *block));
  std::vector<std::uint8_t> restored(kPageBlockSize, 0);
  ASSERT_EQ(next.GetData(kPageBlockId, restored.data(), kPageBlockSize), kSettingOk);
  EXPECT_EQ(restored, PageBlock(0x5A));

  // Another printer has no entry, so nothing is read for it.
  plat::CopyText(block->chosenPort.portName, u"127.0.0.1:9101");
  PluginDataMgr other;
  LoadPrinterSettingIni(other, plat::FromUtf8(folder), plat::FromUtf8(folder));
  EXPECT_FALSE(ReadChosenPrinterSettings(other, *block));
}

TEST(PrinterSettingFiles, OnlyNormalRunsOfNoCallerAndFileModeKeepSettings) {
  struct Run {
    std::int32_t mode;
    std::int32_t caller;
    bool keeps;
  };
  for (const Run run : {Run{kModeNormal, kCallerNone, true}, Run{kModeFile, kCallerNone, true},
                        Run{kModeFile, kCallerOpos, true}, Run{kModeNormal, kCallerPrinterDriver, false},
                        Run{kModeRemote, kCallerNone, false}, Run{kModeDriver, kCallerNone, false},
                        Run{kModeLogo, kCallerNone, false}}) {
    SCOPED_TRACE(testing::Message() << "mode " << run.mode << " caller " << run.caller);
    std::string folder;
    auto block = RunBlock(run.mode, run.caller, folder);
    EXPECT_EQ(KeepsPrinterSettings(*block), run.keeps);
    PluginDataMgr manager;
    StorePageBlock(manager, 0x11);
    // File mode has no printer to read from: its data counts as complete without it.
    EXPECT_EQ(SavePrinterSettingFiles(manager, *block), run.mode == kModeFile);
    EXPECT_EQ(std::filesystem::exists(folder + "/PrinterSetting.INI"), run.mode == kModeFile);
    if (!run.keeps) {
      manager.SetSettingsReadFlag(kSettingsRead);
      EXPECT_FALSE(SavePrinterSettingFiles(manager, *block));
      EXPECT_EQ(manager.PrinterEntryCount(), 0u);
      EXPECT_FALSE(std::filesystem::exists(folder + "/PrinterSetting.INI"));
    }
  }
}

}  // namespace
