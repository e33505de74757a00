// The Settings Backup page's printer side against the simulator through the real
// communication library: a file written from blocks with other values, restored onto
// a printer with its factory values, reads back equal; saving reads what the printer
// holds; a value the printer refuses is named; a printer that is gone gets nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/Text.h"
#include "plugins/backup/SettingsRestore.h"
#include "status/PrinterSettingsFile.h"
#include "status/SettingsFileReader.h"
#include "tests/support/SettingBlocksFixture.h"
#include "tests/support/SimConnection.h"
#include "tests/support/TestEnv.h"

namespace {

using settingblocks::SettingValues;

const ReconnectPolicy kQuick{50, 100};

class BackupSimTest : public ::testing::Test {
 protected:
  // Writes a settings file from blocks holding settings (and a logo file when given)
  // and reads it back as the page does.
  SettingsFileContents FileWith(const SettingValues& settings, const std::string& logo = {}) {
    PluginDataMgr source;
    settingblocks::PutSettingBlocks(source, settings);
    const std::string folder = testenv::MakeTempDir("backup");
    std::u16string logoPath;
    if (!logo.empty()) {
      EXPECT_TRUE(testenv::WriteFile(folder + "/logo.bin", logo));
      logoPath = plat::FromUtf8(folder + "/logo.bin");
    }
    const std::u16string path = plat::FromUtf8(folder + "/set.bin");
    EXPECT_EQ(WriteSettingsFile(source, logo.empty() ? nullptr : logoPath.c_str(), u"XJ-K52II", path),
              kSettingsFileOk);
    SettingsFileContents file;
    EXPECT_EQ(ReadSettingsFile(path, file), SettingsFileCheck::kOk);
    return file;
  }

  RestoreResult Restore(SimConnection& printer, const SettingsFileContents& file) {
    progress_.clear();
    return RestoreSettingsFile(&printer.Comm(), file, kQuick, [this](int percent) { progress_.push_back(percent); });
  }

  std::vector<int> progress_;
};

TEST_F(BackupSimTest, AFileOfOtherValuesRestoredOntoThePrinterReadsBackEqual) {
  // The printer has its factory values, except the one switch bit the file turns off.
  const std::string state = testenv::MakeTempDir("state") + "/printer.state";
  ASSERT_TRUE(testenv::WriteFile(state, "xjk52-sim-state 1\nswitch 8 00010000\n"));
  SimProcess::Options options = SimConnection::QuickRestart();
  options.statePath = state;
  SimConnection printer(options);
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  const SettingValues wanted = settingblocks::OtherThanFactory();
  const SettingsFileContents file = FileWith(wanted);

  // Before: the page lists every setting of the file as a change.
  PluginDataMgr target;
  settingblocks::PutSettingBlocks(target, {});
  ASSERT_EQ(ReadSettingBlocks(&printer.Comm(), target).outcome, PrinterOutcome::kOk);
  const std::vector<SettingChange> before = DescribeChanges(file, &target);
  EXPECT_EQ(before.size(), std::size(kCustomValueFields) + wanted.bits.size());
  EXPECT_TRUE(std::all_of(before.begin(), before.end(), [](const SettingChange& c) { return c.Changes(); }));

  const RestoreResult result = Restore(printer, file);
  EXPECT_EQ(result.outcome, RestoreResult::Outcome::kOk);
  EXPECT_TRUE(result.notTaken.empty());
  EXPECT_TRUE(std::is_sorted(progress_.begin(), progress_.end()));
  EXPECT_EQ(printer.Status("restarts"), "1");
  EXPECT_EQ(printer.Status("usermode"), "off");

  // Read back as every page reads its block: equal to the source.
  ASSERT_EQ(ReadSettingBlocks(&printer.Comm(), target).outcome, PrinterOutcome::kOk);
  EXPECT_EQ(settingblocks::StoredSettings(target), settingblocks::Complete(wanted));
  const std::vector<SettingChange> after = DescribeChanges(file, &target);
  EXPECT_TRUE(std::none_of(after.begin(), after.end(), [](const SettingChange& c) { return c.Changes(); }));
}

TEST_F(BackupSimTest, SavingReadsWhatThePrinterHoldsNow) {
  const std::string state = testenv::MakeTempDir("state") + "/printer.state";
  ASSERT_TRUE(testenv::WriteFile(state, "xjk52-sim-state 1\nvalue 3 1\nvalue 6 2\nvalue 104 1\n"
                                        "switch 5 00000001\nswitch 8 01000001\n"));
  SimProcess::Options options = SimConnection::QuickRestart();
  options.statePath = state;
  SimConnection printer(options);
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");

  PluginDataMgr manager;
  settingblocks::PutSettingBlocks(manager, {});
  ASSERT_EQ(ReadSettingBlocks(&printer.Comm(), manager).outcome, PrinterOutcome::kOk);
  SettingValues held;
  held.values = {{3, 1}, {6, 2}, {104, 1}};
  held.bits = {{{5, 1}, true}, {{8, 7}, true}, {{8, 1}, true}};
  EXPECT_EQ(settingblocks::StoredSettings(manager), settingblocks::Complete(held));

  const std::u16string path = plat::FromUtf8(testenv::MakeTempDir("save") + "/set.bin");
  ASSERT_EQ(WriteSettingsFile(manager, nullptr, u"XJ-K52II", path), kSettingsFileOk);
  SettingsFileContents file;
  ASSERT_EQ(ReadSettingsFile(path, file), SettingsFileCheck::kOk);
  EXPECT_EQ(settingblocks::SettingsOfFile(file), settingblocks::Complete(held));
}

TEST_F(BackupSimTest, ARefusedValueIsNamedAndAPrinterThatIsGoneGetsNothing) {
  SimConnection printer;
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  SettingValues wanted;
  wanted.values = {{3, 2}, {6, 5}};  // no paper width 2
  const RestoreResult refused = Restore(printer, FileWith(wanted));
  EXPECT_EQ(refused.outcome, RestoreResult::Outcome::kIncomplete);
  ASSERT_EQ(refused.notTaken.size(), 1u);
  EXPECT_EQ(refused.notTaken[0].number, kPaperWidthSetting);
  EXPECT_EQ(refused.notTaken[0].now, 6);
  EXPECT_EQ(printer.Status("cv6"), "5") << "the others took";

  printer.Sim().Stop();
  EXPECT_EQ(Restore(printer, FileWith(settingblocks::OtherThanFactory())).outcome,
            RestoreResult::Outcome::kNotSent);
  PluginDataMgr manager;
  settingblocks::PutSettingBlocks(manager, {});
  EXPECT_EQ(ReadSettingBlocks(&printer.Comm(), manager).outcome, PrinterOutcome::kNoAnswer);
  EXPECT_EQ(settingblocks::StoredSettings(manager), settingblocks::Complete({}));
}

TEST_F(BackupSimTest, ALogoInTheFileReplacesTheStoredLogos) {
  SimConnection printer;
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  // One 8 x 1 dot raster image under the key "K1".
  const std::string logo("\x1D\x28\x4C\x0C\x00\x30\x43\x30\x4B\x31\x01\x08\x00\x01\x00\x31\xAA", 17);
  const SettingsFileContents file = FileWith(settingblocks::OtherThanFactory(), logo);
  ASSERT_FALSE(file.logoBlock.empty());
  EXPECT_EQ(DescribeChanges(file, nullptr).back().kind, SettingChange::Kind::kLogos);
  EXPECT_EQ(Restore(printer, file).outcome, RestoreResult::Outcome::kOk);
  EXPECT_EQ(printer.Status("nvkeys"), "1");
  EXPECT_EQ(printer.Status("cv3"), "1");
}

}  // namespace
