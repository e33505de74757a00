#include "libs/xjcomm/CommandLanguage.h"

#include <gtest/gtest.h>

namespace xjcomm {
namespace {

TEST(CommandLanguageTest, FirstByteRulesKeepIdsAndBlocksApartFromStatusBlocks) {
  EXPECT_EQ(ClassifyFirstByte(0x12), ByteClass::RealTimeStatus);  // idle real-time status
  EXPECT_EQ(ClassifyFirstByte(0x1E), ByteClass::RealTimeStatus);
  EXPECT_EQ(ClassifyFirstByte(0x10), ByteClass::AsbStart);        // all-clear block
  EXPECT_EQ(ClassifyFirstByte(0x38), ByteClass::AsbStart);        // offline + cover open
  EXPECT_EQ(ClassifyFirstByte(0x11), ByteClass::Xon);
  EXPECT_EQ(ClassifyFirstByte(0x13), ByteClass::Xoff);
  for (std::uint8_t header : {0x37, 0x3B, 0x3D, 0x5F}) {
    EXPECT_EQ(ClassifyFirstByte(header), ByteClass::BlockStart) << int(header);
  }
  // The model ID of the XJ-K52II and its variant have bit 4 set but bit 7 too: an ID.
  EXPECT_EQ(ClassifyFirstByte(0x90), ByteClass::PrinterId);
  EXPECT_EQ(ClassifyFirstByte(0x91), ByteClass::PrinterId);
  EXPECT_EQ(ClassifyFirstByte(0x02), ByteClass::PrinterId);       // type ID
  EXPECT_TRUE(IsAsbContinuation(0x00));
  EXPECT_TRUE(IsAsbContinuation(0x6F));
  EXPECT_FALSE(IsAsbContinuation(0x10));
  EXPECT_FALSE(IsAsbContinuation(0x80));
}

TEST(CommandLanguageTest, RealTimeStatusBitsBecomeState) {
  PrinterState s;
  ASSERT_TRUE(ApplyRealTimeStatus(kRtPrinter, 0x12 | 0x08 | 0x04, s));
  EXPECT_TRUE(s.offline);
  EXPECT_TRUE(s.drawerHigh);
  ASSERT_TRUE(ApplyRealTimeStatus(kRtOffline, 0x12 | 0x04 | 0x08 | 0x20, s));
  EXPECT_TRUE(s.coverOpen);
  EXPECT_TRUE(s.feeding);
  EXPECT_TRUE(s.stoppedByPaperEnd);
  ASSERT_TRUE(ApplyRealTimeStatus(kRtError, 0x12 | 0x08 | 0x20, s));
  EXPECT_TRUE(s.autocutterError);
  EXPECT_TRUE(s.unrecoverableError);
  EXPECT_FALSE(s.recoverableError);
  ASSERT_TRUE(ApplyRealTimeStatus(kRtPaper, 0x12 | 0x0C, s));
  EXPECT_TRUE(s.nearEnd);
  EXPECT_FALSE(s.paperEnd);

  // Bytes without the fixed bits, or an unknown n, change nothing.
  const PrinterState before = s;
  EXPECT_FALSE(ApplyRealTimeStatus(kRtPaper, 0x00, s));
  EXPECT_FALSE(ApplyRealTimeStatus(kRtPaper, 0x92, s));
  EXPECT_FALSE(ApplyRealTimeStatus(5, 0x12, s));
  EXPECT_EQ(s, before);
}

TEST(CommandLanguageTest, StatusBlockBitsBecomeState) {
  PrinterState s;
  ASSERT_TRUE(StateFromAsb({0x10 | 0x20 | 0x08, 0x08, 0x0C, 0x00}, s));
  EXPECT_TRUE(s.coverOpen);
  EXPECT_TRUE(s.offline);
  EXPECT_TRUE(s.autocutterError);
  EXPECT_TRUE(s.paperEnd);
  EXPECT_FALSE(s.nearEnd);
  ASSERT_TRUE(StateFromAsb({0x10, 0x00, 0x03, 0x00}, s));
  EXPECT_EQ(DeriveStatusCode(s, false), XJC_STATUS_PAPER_NEAR_END);
  EXPECT_FALSE(StateFromAsb({0x12, 0, 0, 0}, s));     // not a block start
  EXPECT_FALSE(StateFromAsb({0x10, 0x10, 0, 0}, s));  // bad continuation
}

TEST(CommandLanguageTest, StatusCodeTakesTheFirstMatchingCondition) {
  PrinterState everything;
  everything.unrecoverableError = everything.autocutterError = everything.recoverableError = true;
  everything.autoRecoverableError = everything.coverOpen = everything.paperEnd = true;
  everything.feeding = everything.offline = everything.nearEnd = true;

  // Take the conditions away one by one in the order of precedence.
  PrinterState s = everything;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_FATAL_ERROR);
  s.unrecoverableError = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_AUTOCUTTER_ERROR);
  s.autocutterError = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_RECOVERABLE_ERROR);
  s.recoverableError = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_AUTO_RECOVERABLE_ERROR);
  s.autoRecoverableError = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_COVER_OPEN);
  s.coverOpen = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_PAPER_END);
  s.paperEnd = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_FEEDING);
  s.feeding = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_BATTERY_OFFLINE);
  EXPECT_EQ(DeriveStatusCode(s, false), XJC_STATUS_OFFLINE);
  s.offline = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_PAPER_NEAR_END);
  s.nearEnd = false;
  EXPECT_EQ(DeriveStatusCode(s, true), XJC_STATUS_ONLINE);

  PrinterState stopped;
  stopped.stoppedByPaperEnd = true;
  EXPECT_EQ(DeriveStatusCode(stopped, false), XJC_STATUS_PAPER_END);
}

TEST(CommandLanguageTest, BatteryRepliesAreCheckedBeforeUse) {
  EXPECT_EQ(ParseBatteryReply({0x37, 0x45, 0x30, 0x36, 0x00}), std::optional<std::uint16_t>(0x3630));
  EXPECT_EQ(ParseBatteryReply({0x37, 0x45, 0x31, 0x30}), std::optional<std::uint16_t>(0x3031));
  EXPECT_FALSE(ParseBatteryReply({0x37, 0x45, 0x32, 0x33, 0x00}));  // unknown source
  EXPECT_FALSE(ParseBatteryReply({0x37, 0x45, 0x30, 0x37, 0x00}));  // level beyond full
  EXPECT_FALSE(ParseBatteryReply({0x37, 0x27, 0x30, 0x33, 0x00}));  // another block
  EXPECT_FALSE(ParseBatteryReply({0x37, 0x45, 0x30}));
  EXPECT_FALSE(ParseBatteryReply({0x37, 0x45, 0x30, 0x33, 0x41}));
  EXPECT_TRUE(IsBatteryTooLow(0x3031));
  EXPECT_FALSE(IsBatteryTooLow(0x3030));  // empty but on the adapter
  EXPECT_FALSE(IsBatteryTooLow(0x3131));
}

TEST(CommandLanguageTest, InfoBlocksGiveCleanText) {
  EXPECT_EQ(ParseInfoBlock({0x5F, 'X', 'J', '-', 'K', '5', '2', 'I', 'I', 0x00}),
            std::optional<std::string>("XJ-K52II"));
  EXPECT_EQ(ParseInfoBlock({0x5F, 0x00}), std::optional<std::string>(""));
  EXPECT_EQ(ParseInfoBlock({0x5F, 'A', 0x07, 0xC3}), std::optional<std::string>("A??"));
  EXPECT_FALSE(ParseInfoBlock({0x37, 'A', 0x00}));
  EXPECT_FALSE(ParseInfoBlock({}));
}

TEST(CommandLanguageTest, ModelTableAnswersCapabilities) {
  const ModelTraits* k52 = FindModel("XJ-K52II", std::nullopt);
  ASSERT_NE(k52, nullptr);
  EXPECT_EQ(FindModel("", 0x91), k52);
  EXPECT_EQ(FindModel("XJ-T20", 0x90), nullptr);  // a name wins over the ID
  EXPECT_EQ(ModelNameForDeviceId(0x90), "XJ-K52II");
  EXPECT_EQ(ModelNameForDeviceId(0x20), "");

  EXPECT_TRUE(ModelSupportsFeature(k52, kFeatureBatteryStatus));
  EXPECT_FALSE(ModelSupportsFeature(k52, 5));
  EXPECT_FALSE(ModelSupportsFeature(nullptr, kFeatureBatteryStatus));
  EXPECT_TRUE(ModelEnablesCommand(k52, 1, 0x0E, 0x30));
  EXPECT_TRUE(ModelEnablesCommand(k52, 1, 0x0E, 0x52));
  EXPECT_FALSE(ModelEnablesCommand(k52, 2, 0x0E, 0x30));
  EXPECT_FALSE(ModelEnablesCommand(k52, 1, 0x0E, 0x31));
  EXPECT_FALSE(ModelEnablesCommand(nullptr, 1, 0x0E, 0x30));
}

}  // namespace
}  // namespace xjcomm
