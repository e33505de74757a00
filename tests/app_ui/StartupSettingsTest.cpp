#include "app/StartupSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "app/CExtCommandLineInfo.h"
#include "lang/CLangResTable.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace {

std::unique_ptr<AppSettingsBlock> ZeroBlock() {
  auto block = std::make_unique<AppSettingsBlock>();
  std::memset(block.get(), 0, sizeof(AppSettingsBlock));
  return block;
}

std::u16string WriteIni(const std::string& text) {
  const std::string path = testenv::MakeTempDir("ini") + "/SETTING.INI";
  EXPECT_TRUE(testenv::WriteFile(path, text));
  return plat::FromUtf8(path);
}

// A language folder whose English file holds the given PORT_ADD_DLG messages.
std::u16string LanguageFolder(const std::string& messages) {
  const std::string folder = testenv::MakeTempDir("lang");
  EXPECT_TRUE(testenv::WriteFile(folder + "/0409.DAT", "[PORT_ADD_DLG_MSG]\n" + messages));
  return plat::FromUtf8(folder);
}

std::vector<std::int32_t> Order(const AppSettingsBlock& block) {
  return std::vector<std::int32_t>(std::begin(block.ifOrder), std::end(block.ifOrder));
}

TEST(FeatureSwitches, ReadFromTheirSectionsAndMissingKeysAreOff) {
  const std::u16string ini = WriteIni(
      "[Font]\nEnableFontA=1\nEnableFlexibleFont=1\n[IFSetting]\nEnableBTSearch=1\n"
      "[Support]\nARP=0\nWM=1\n[Logo]\nAutoKeycodeNumbering=1\n");
  auto block = ZeroBlock();
  block->value11608 = 7;
  ReadFeatureSwitches(*block, ini, kModeNormal);
  EXPECT_EQ(block->enableFontA, 1);
  EXPECT_EQ(block->enableFontB, 0);
  EXPECT_EQ(block->enableFlexibleFont, 1);
  EXPECT_EQ(block->enableIFSelect, 0);
  EXPECT_EQ(block->enableBTSearch, 1);
  EXPECT_EQ(block->arpSwitch, 0);
  EXPECT_EQ(block->wmSwitch, 1);
  EXPECT_EQ(block->autoKeycodeNumbering, 1);
  EXPECT_EQ(block->value11608, 0);
}

TEST(FeatureSwitches, FileModeTurnsArpAndWmOnWhateverTheFileSays) {
  const std::u16string ini = WriteIni("[Support]\nARP=0\nWM=0\n");
  auto block = ZeroBlock();
  ReadFeatureSwitches(*block, ini, kModeFile);
  EXPECT_EQ(block->arpSwitch, 1);
  EXPECT_EQ(block->wmSwitch, 1);
}

TEST(InterfaceOrder, FirstMissingEntryEndsTheList) {
  const std::u16string ini =
      WriteIni("[SupportCommIF]\nCommIFType_1=3\nCommIFType_2=-1\nCommIFType_3=1\nDefaultIFType=4\n");
  auto block = ZeroBlock();
  ReadInterfaceOrder(*block, ini, LanguageFolder("MSG_100=0,1\n"), kLangIdEnglish);
  EXPECT_EQ(Order(*block), (std::vector<std::int32_t>{3, -1, -1, -1, -1}));
  EXPECT_EQ(block->defaultIfType, 4);
}

TEST(InterfaceOrder, WithoutSettingsTheLanguageFileGivesOrderAndDefault) {
  auto block = ZeroBlock();
  ReadInterfaceOrder(*block, u"", LanguageFolder("MSG_100=4,0,2\nMSG_101=2\n"), kLangIdEnglish);
  EXPECT_EQ(Order(*block), (std::vector<std::int32_t>{4, 0, 2, -1, -1}));
  EXPECT_EQ(block->defaultIfType, 2);
}

TEST(InterfaceOrder, LanguageFileWithoutOrderGivesTheSingleEntryTwo) {
  auto block = ZeroBlock();
  const std::u16string noIni = plat::FromUtf8(testenv::MakeTempDir("none") + "/SETTING.INI");
  ReadInterfaceOrder(*block, noIni, LanguageFolder("MSG_1=x\n"), kLangIdEnglish);
  EXPECT_EQ(Order(*block), (std::vector<std::int32_t>{2, -1, -1, -1, -1}));
  EXPECT_EQ(block->defaultIfType, 2);
}

TEST(InterfaceOrder, ListParsingStopsAtTheFirstUnreadableEntry) {
  std::array<std::int32_t, kInterfaceOrderLength> values{};
  values.fill(-1);
  ParseInterfaceList(u" 1, 2,x,4", values);
  EXPECT_EQ(std::vector<std::int32_t>(values.begin(), values.end()), (std::vector<std::int32_t>{1, 2, -1, -1, -1}));
  values.fill(-1);
  ParseInterfaceList(u"0,1,2,3,4,5", values);
  EXPECT_EQ(std::vector<std::int32_t>(values.begin(), values.end()), (std::vector<std::int32_t>{0, 1, 2, 3, 4}));
  values.fill(-1);
  ParseInterfaceList(u"-3;4", values);
  EXPECT_EQ(values[0], -3);
  EXPECT_EQ(values[1], -1);
}

TEST(ConnectionPathRecord, ZeroedWithPresetsAndPathCutTo258) {
  const std::u16string longPath = u"tcp://127.0.0.1:9100/" + std::u16string(400, u'a');
  const PortRecord record = MakeConnectionPathRecord(longPath);
  EXPECT_EQ(record.presetA, -1);
  EXPECT_EQ(record.presetB, -1);
  EXPECT_EQ(record.pathGiven, 1);
  EXPECT_EQ(plat::FieldText(record.path), longPath.substr(0, 258));
  EXPECT_EQ(record.kind[0], 0);
  EXPECT_EQ(record.portName[0], 0);
  EXPECT_EQ(record.origin, 0);
}

TEST(CapabilityFlags, FileModeSetsThreeFlagsOthersClearAll) {
  auto block = ZeroBlock();
  block->cap11620 = block->cap11672 = 5;
  ResetCapabilityFlags(*block, kModeFile);
  EXPECT_EQ(block->supportsFunction6 + block->command0E30Enabled + block->command0E52Enabled, 3);
  EXPECT_EQ(block->cap11620 + block->cap11672, 0);
  ResetCapabilityFlags(*block, kModeNormal);
  EXPECT_EQ(block->supportsFunction6 + block->command0E30Enabled + block->command0E52Enabled, 0);
  EXPECT_EQ(block->arpSwitch, 1);
}

}  // namespace
