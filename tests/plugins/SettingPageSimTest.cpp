// The page framework's printer side against the simulator through the real
// communication library: reading a page, applying changes across the printer's
// restart, a value the printer refuses, and a printer that is gone.
#include <gtest/gtest.h>

#include "plugins/common/SettingPage.h"
#include "sdk/SettingBlocks.h"
#include "tests/support/SimConnection.h"

namespace {

PageDef TestPage() {
  PageDef page;
  page.blockId = kPrintSettingsBlockId;
  page.blockSize = kPrintSettingsBlockSize;
  using S = SettingDef::Source;
  page.settings = {
      {S::kCustomValue, 3, 0, 32, -1, u"Paper width", {{1, -1, u"58 mm"}, {6, -1, u"80 mm"}}, 6},
      {S::kCustomValue, 5, 0, 40, -1, u"Print density", {}, 0},
      {S::kCustomValue, 6, 0, 44, -1, u"Print speed", {}, 9},
      {S::kMemorySwitchBit, 8, 7, 160, -1, u"Beep", {}, 0},
      {S::kMemorySwitchBit, 8, 1, 144, -1, u"Line feed", {}, 0},
  };
  return page;
}

class SettingPageSimTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(printer_.Open(XJ_DIST_DIR), ""); }

  SimConnection printer_;
  SimProcess* const sim_ = &printer_.Sim();
  XJC& xjc_ = printer_.Comm();
  const PageDef page_ = TestPage();
  const ReconnectPolicy quick_{30, 100};
};

TEST_F(SettingPageSimTest, ChangesAreAppliedAcrossTheRestartAndReadBack) {
  Block stored = DefaultBlock(page_);
  ASSERT_EQ(ReadPageSettings(&xjc_, page_, stored).outcome, PrinterOutcome::kOk);
  EXPECT_EQ(FieldValue(stored, page_.settings[0]), 6);
  EXPECT_EQ(FieldValue(stored, page_.settings[3]), 0);

  Block wanted = stored;
  SetFieldValue(wanted, page_.settings[0], 1);
  SetFieldValue(wanted, page_.settings[1], 65532);  // 80 %
  SetFieldValue(wanted, page_.settings[3], 1);
  Block readBack;
  const PrinterResult result = ApplyPageSettings(&xjc_, page_, stored, wanted, quick_, readBack);
  EXPECT_EQ(result.outcome, PrinterOutcome::kOk);
  EXPECT_TRUE(result.failed.empty());
  EXPECT_EQ(readBack, wanted);

  // The printer holds them: a fresh read after the restart agrees, and the bits of the
  // switch the page does not show stayed as they were.
  Block again = DefaultBlock(page_);
  ASSERT_EQ(ReadPageSettings(&xjc_, page_, again).outcome, PrinterOutcome::kOk);
  EXPECT_EQ(FieldValue(again, page_.settings[0]), 1);
  EXPECT_EQ(FieldValue(again, page_.settings[1]), 65532);
  EXPECT_EQ(FieldValue(again, page_.settings[3]), 1);
  EXPECT_EQ(FieldValue(again, page_.settings[4]), 0);
  EXPECT_NE(sim_->Control("status").find("restarts=1"), std::string::npos) << sim_->Control("status");
}

TEST_F(SettingPageSimTest, ARefusedValueIsNamedAndTheOthersTake) {
  Block stored = DefaultBlock(page_);
  ASSERT_EQ(ReadPageSettings(&xjc_, page_, stored).outcome, PrinterOutcome::kOk);
  Block wanted = stored;
  SetFieldValue(wanted, page_.settings[0], 2);  // no such paper width
  SetFieldValue(wanted, page_.settings[2], 3);
  Block readBack;
  const PrinterResult result = ApplyPageSettings(&xjc_, page_, stored, wanted, quick_, readBack);
  EXPECT_EQ(result.outcome, PrinterOutcome::kIncomplete);
  ASSERT_EQ(result.failed.size(), 1u);
  EXPECT_EQ(result.failed[0]->label, u"Paper width");
  EXPECT_EQ(FieldValue(readBack, page_.settings[0]), 6);
  EXPECT_EQ(FieldValue(readBack, page_.settings[2]), 3);

  // Nothing changed: the printer is not asked at all.
  const PrinterResult nothing = ApplyPageSettings(&xjc_, page_, readBack, readBack, quick_, readBack);
  EXPECT_EQ(nothing.outcome, PrinterOutcome::kOk);
}

TEST_F(SettingPageSimTest, APrinterThatIsGoneIsReportedAsNotAnswering) {
  Block stored = DefaultBlock(page_);
  ASSERT_EQ(ReadPageSettings(&xjc_, page_, stored).outcome, PrinterOutcome::kOk);
  sim_->Stop();
  Block block = stored;
  EXPECT_EQ(ReadPageSettings(&xjc_, page_, block).outcome, PrinterOutcome::kNoAnswer);
  EXPECT_EQ(block, stored) << "a failed read keeps what the block held";
  Block wanted = stored;
  SetFieldValue(wanted, page_.settings[2], 5);
  Block readBack;
  const PrinterResult result = ApplyPageSettings(&xjc_, page_, stored, wanted, ReconnectPolicy{3, 50}, readBack);
  EXPECT_EQ(result.outcome, PrinterOutcome::kNoAnswer);
  ASSERT_EQ(result.failed.size(), 1u);
}

TEST_F(SettingPageSimTest, APrinterThatFallsSilentDuringApplyEndsItWithinTheRetryTime) {
  Block stored = DefaultBlock(page_);
  ASSERT_EQ(ReadPageSettings(&xjc_, page_, stored).outcome, PrinterOutcome::kOk);
  Block wanted = stored;
  SetFieldValue(wanted, page_.settings[2], 4);
  // Silent from the start: user setting mode is never confirmed, nothing is sent.
  sim_->Control("silent on");
  Block readBack;
  PrinterResult result = ApplyPageSettings(&xjc_, page_, stored, wanted, ReconnectPolicy{2, 100}, readBack);
  EXPECT_EQ(result.outcome, PrinterOutcome::kNoAnswer);
  EXPECT_FALSE(result.sent);
  // The simulator may take the control question before the bytes on the connection.
  for (int wait = 0; wait < 100 && printer_.Status("usermode") != "off"; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(printer_.Status("usermode"), "off") << "an unconfirmed user setting mode is ended";
  EXPECT_EQ(printer_.Status("cv6"), "9");
  // Silent after the restart: the values went out, the read-back never comes.
  sim_->Control("silent off");
  ASSERT_EQ(AwaitRestart(&xjc_, quick_, [] { return true; }), XJC_OK);
  result = ApplyPageSettings(&xjc_, page_, stored, wanted, quick_, readBack);
  EXPECT_EQ(result.outcome, PrinterOutcome::kOk);
  SetFieldValue(wanted, page_.settings[2], 2);
  const Block applied = readBack;
  // Silent from the confirmation of user setting mode on (its three bytes).
  sim_->Control("after 3 silent on");
  result = ApplyPageSettings(&xjc_, page_, applied, wanted, ReconnectPolicy{2, 100}, readBack);
  EXPECT_EQ(result.outcome, PrinterOutcome::kNoAnswer);
  EXPECT_TRUE(result.sent) << "the printer may hold the values: the user is not told they were not changed";
  EXPECT_EQ(printer_.Status("cv6"), "2");
  ASSERT_EQ(result.failed.size(), 1u);
}

}  // namespace
