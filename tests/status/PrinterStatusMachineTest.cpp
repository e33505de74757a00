// The status pane's decisions as a state machine over sequences of library codes.
#include <gtest/gtest.h>

#include <vector>

#include "res/ResourceIds.h"
#include "status/BatteryPictures.h"
#include "status/PrinterStatusMachine.h"
#include "status/PrinterStatusTexts.h"

namespace {

// One code of a sequence and what the pane must make of it.
struct Expect {
  std::int32_t code;
  bool handled;
  std::int32_t shown;
  bool read;
  bool guidance = false;
};

void RunSequence(PrinterStatusMachine& machine, const std::vector<Expect>& sequence) {
  int position = 0;
  for (const Expect& e : sequence) {
    const StatusStep step = machine.OnStatus(e.code);
    EXPECT_EQ(step.handled, e.handled) << "step " << position << " code " << e.code;
    EXPECT_EQ(step.shown, e.shown) << "step " << position << " code " << e.code;
    EXPECT_EQ(step.readSettings, e.read) << "step " << position << " code " << e.code;
    EXPECT_EQ(step.opensGuidance, e.guidance) << "step " << position << " code " << e.code;
    EXPECT_EQ(machine.ShownStatus(), e.shown) << "step " << position;
    // The pane reads when asked and the read succeeds.
    if (step.readSettings) machine.OnSettingsRead(kSettingsReadComplete);
    ++position;
  }
}

TEST(PrinterStatusMachineTest, InkConditionsHideOnlineAndHigherMainCodes) {
  PrinterStatusMachine machine;
  EXPECT_EQ(machine.ShownStatus(), XJC_STATUS_UNKNOWN);
  machine.StartMonitoring(true);
  EXPECT_EQ(machine.ShownStatus(), XJC_STATUS_ONLINE);
  EXPECT_TRUE(machine.NeedsSettingsRead());
  machine.OnSettingsRead(kSettingsReadComplete);

  RunSequence(machine, {
                           {XJC_STATUS_OUT_OF_INK_1, true, XJC_STATUS_OUT_OF_INK_1, false},
                           {XJC_STATUS_ONLINE, false, XJC_STATUS_OUT_OF_INK_1, false},  // = last main code
                           {XJC_STATUS_PAPER_END, true, XJC_STATUS_PAPER_END, false},   // 7 < 12 wins
                           {XJC_STATUS_AWAITING_PAPER_REMOVAL, true, XJC_STATUS_OUT_OF_INK_1, false},
                           {XJC_STATUS_INK_CLEARED, true, XJC_STATUS_AWAITING_PAPER_REMOVAL, false},
                           {XJC_STATUS_OUT_OF_INK_1, true, XJC_STATUS_OUT_OF_INK_1, false},
                           {XJC_STATUS_ONLINE, true, XJC_STATUS_OUT_OF_INK_1, false},  // Online hidden
                           {XJC_STATUS_INK_CLEARED, true, XJC_STATUS_ONLINE, false},
                           {XJC_STATUS_INK_1_NEAR_END, true, XJC_STATUS_INK_1_NEAR_END, false},
                           {XJC_STATUS_ONLINE, false, XJC_STATUS_INK_1_NEAR_END, false},
                       });
  EXPECT_EQ(machine.InkStatus(), XJC_STATUS_INK_1_NEAR_END);
  EXPECT_EQ(machine.LastMainStatus(), XJC_STATUS_ONLINE);
}

TEST(PrinterStatusMachineTest, SettingsAreReadOnceAfterThePrinterWasAwayOrUnknown) {
  PrinterStatusMachine machine;
  machine.StartMonitoring(true);
  machine.OnSettingsRead(kSettingsReadComplete);
  RunSequence(machine, {
                           // Offline because of the battery: shown as offline, read marked.
                           {XJC_STATUS_BATTERY_OFFLINE, true, XJC_STATUS_BATTERY_OFFLINE, false},
                           {XJC_STATUS_ONLINE, true, XJC_STATUS_ONLINE, true},
                           {XJC_STATUS_COVER_OPEN, true, XJC_STATUS_COVER_OPEN, false},
                           {XJC_STATUS_ONLINE, true, XJC_STATUS_ONLINE, false},  // read once only
                           // A printer that could not be asked is read again when it answers.
                           {XJC_STATUS_NO_REPLY, true, XJC_STATUS_NO_REPLY, false},
                           {XJC_STATUS_PAPER_NEAR_END, true, XJC_STATUS_PAPER_NEAR_END, true},
                           {XJC_STATUS_OFFLINE, true, XJC_STATUS_OFFLINE, false},
                           // Codes in which the printer cannot be read keep the read due.
                           {XJC_STATUS_PAPER_END, true, XJC_STATUS_PAPER_END, false},
                           {XJC_STATUS_ONLINE, true, XJC_STATUS_ONLINE, true},
                           // Codes outside the table show "unknown" and mark a read.
                           {23, true, XJC_STATUS_UNKNOWN, false},
                           {XJC_STATUS_ONLINE, true, XJC_STATUS_ONLINE, true},
                           {-5, true, XJC_STATUS_UNKNOWN, false},
                           {-5, false, XJC_STATUS_UNKNOWN, false},
                       });
  EXPECT_TRUE(machine.NeedsSettingsRead());
  EXPECT_EQ(StatusWordOf(XJC_STATUS_BATTERY_OFFLINE).entry, 15);
  EXPECT_EQ(StatusWordOf(XJC_STATUS_BATTERY_OFFLINE).english, u"Offline");
  EXPECT_EQ(StatusWordOf(23).english, u"Unknown");
  EXPECT_EQ(StatusWordOf(XJC_STATUS_UNKNOWN).entry, kStatusEntryUnknown);
  EXPECT_EQ(StatusWordOf(XJC_STATUS_CLEANING).entry, 27);
  EXPECT_EQ(StatusWordOf(XJC_STATUS_PAPER_LAYOUT_ERROR).entry, 29);
}

TEST(PrinterStatusMachineTest, AFailedReadRestoresTheShownCodeAndKeepsTheReadDue) {
  PrinterStatusMachine machine;
  machine.StartMonitoring(true);
  machine.OnSettingsRead(kSettingsReadComplete);
  machine.OnStatus(XJC_STATUS_OFFLINE);

  StatusStep back = machine.OnStatus(XJC_STATUS_ONLINE);
  ASSERT_TRUE(back.readSettings);
  machine.RollBack(back);  // the read said: wrong printer
  EXPECT_EQ(machine.ShownStatus(), XJC_STATUS_OFFLINE);
  EXPECT_TRUE(machine.NeedsSettingsRead());
  // The same code again is no new notification...
  EXPECT_FALSE(machine.OnStatus(XJC_STATUS_ONLINE).handled);
  // ...but the next code that allows a read tries again; an incomplete read keeps it due.
  const StatusStep nearEnd = machine.OnStatus(XJC_STATUS_PAPER_NEAR_END);
  EXPECT_TRUE(nearEnd.readSettings);
  machine.OnSettingsRead(-64);
  EXPECT_TRUE(machine.OnStatus(XJC_STATUS_ONLINE).readSettings);
  machine.OnSettingsRead(kSettingsReadComplete);
  EXPECT_FALSE(machine.NeedsSettingsRead());
}

TEST(PrinterStatusMachineTest, AReadThePrinterStoppedAnsweringIsTriedOnceMoreWhileTheStatusStaysTheSame) {
  PrinterStatusMachine machine;
  machine.StartMonitoring(true);
  // The connection was lost in the middle of the first read and is back at once: the
  // status the library reports to the new registration is the same, and it reads.
  machine.OnSettingsRead(kSettingsReadNoAnswer);
  StatusStep again = machine.OnStatus(XJC_STATUS_ONLINE);
  EXPECT_TRUE(again.readSettings);
  EXPECT_FALSE(again.changed());
  // The printer stops at the same place again: no third read while nothing changes.
  machine.OnSettingsRead(kSettingsReadNoAnswer);
  EXPECT_FALSE(machine.OnStatus(XJC_STATUS_ONLINE).handled);
  EXPECT_TRUE(machine.NeedsSettingsRead());
  // Once it was seen in another state, the same holds for the next failed read.
  EXPECT_FALSE(machine.OnStatus(XJC_STATUS_NO_REPLY).readSettings);
  EXPECT_TRUE(machine.OnStatus(XJC_STATUS_ONLINE).readSettings);
  machine.OnSettingsRead(kSettingsReadNoAnswer);
  EXPECT_TRUE(machine.OnStatus(XJC_STATUS_ONLINE).readSettings);
  // Other failures keep the read due for the next change only.
  machine.OnSettingsRead(-1);
  EXPECT_FALSE(machine.OnStatus(XJC_STATUS_ONLINE).handled);
}

TEST(PrinterStatusMachineTest, ErrorGuidanceOpensOncePerChangeToAFatalOrCutterError) {
  PrinterStatusMachine machine;
  machine.StartMonitoring(true);
  machine.OnSettingsRead(kSettingsReadComplete);
  RunSequence(machine, {
                           {XJC_STATUS_FATAL_ERROR, true, XJC_STATUS_FATAL_ERROR, false, true},
                           {XJC_STATUS_FATAL_ERROR, false, XJC_STATUS_FATAL_ERROR, false, false},
                           // An ink condition that clears while none was pending shows the
                           // same error again: no second dialog.
                           {XJC_STATUS_INK_CLEARED, true, XJC_STATUS_FATAL_ERROR, false, false},
                           {XJC_STATUS_AUTOCUTTER_ERROR, true, XJC_STATUS_AUTOCUTTER_ERROR, false, true},
                           {XJC_STATUS_RECOVERABLE_ERROR, true, XJC_STATUS_RECOVERABLE_ERROR, false, false},
                           {XJC_STATUS_FATAL_ERROR, true, XJC_STATUS_FATAL_ERROR, false, true},
                       });
}

TEST(PrinterStatusMachineTest, StoppedMonitoringIgnoresEveryCode) {
  PrinterStatusMachine machine;
  machine.StartMonitoring(false);  // the start-up communication failed
  EXPECT_EQ(machine.ShownStatus(), XJC_STATUS_UNKNOWN);
  EXPECT_TRUE(machine.OnStatus(XJC_STATUS_COVER_OPEN).handled);
  machine.StopMonitoring();
  EXPECT_FALSE(machine.OnStatus(XJC_STATUS_ONLINE).handled);
  EXPECT_EQ(machine.ShownStatus(), XJC_STATUS_COVER_OPEN);
  EXPECT_FALSE(machine.OnBattery(0x3231, true).has_value());
  EXPECT_FALSE(machine.LastBatteryCode().has_value());
}

TEST(PrinterStatusMachineTest, BatteryCodesChooseThePictureByLevelAndScale) {
  struct Row {
    std::uint16_t code;
    std::optional<int> fine;
    std::optional<int> coarse;
  };
  const Row rows[] = {
      {0x3230, IDB_BATTERY_EXTERNAL, IDB_BATTERY_EXTERNAL},  // external power, whatever the level
      {0x3030, IDB_BATTERY_EXTERNAL, IDB_BATTERY_EXTERNAL},
      {0x3031, IDB_BATTERY_EMPTY, IDB_BATTERY_EMPTY},
      {0x3131, IDB_BATTERY_LOW, IDB_BATTERY_EMPTY},
      {0x3231, IDB_BATTERY_ONE_THIRD, IDB_BATTERY_LOW},
      {0x3331, IDB_BATTERY_TWO_THIRDS, IDB_BATTERY_ONE_THIRD},
      {0x3431, IDB_BATTERY_TWO_THIRDS, IDB_BATTERY_TWO_THIRDS},
      {0x3531, IDB_BATTERY_FULL, IDB_BATTERY_FULL},
      {0x3631, IDB_BATTERY_FULL, IDB_BATTERY_FULL},
      {0x3731, std::nullopt, std::nullopt},
      {0x2F31, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(BatteryPictureFor(row.code, true), row.fine) << std::hex << row.code;
    EXPECT_EQ(BatteryPictureFor(row.code, false), row.coarse) << std::hex << row.code;
  }

  PrinterStatusMachine machine;
  EXPECT_EQ(machine.OnBattery(0x3231, true), IDB_BATTERY_ONE_THIRD);
  EXPECT_FALSE(machine.OnBattery(0x3231, true).has_value());  // the same code again
  EXPECT_FALSE(machine.OnBattery(0x3731, true).has_value());  // no picture for it
  EXPECT_EQ(machine.LastBatteryCode(), 0x3731);
  EXPECT_EQ(machine.OnBattery(0x3230, true), IDB_BATTERY_EXTERNAL);
}

}  // namespace
