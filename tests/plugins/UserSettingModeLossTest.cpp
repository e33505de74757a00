// A connection lost after the printer confirmed user setting mode: Apply and Restore
// connect again and end the mode, so the printer is not left unable to print; when it
// stays away, they give up after the wait they were given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/backup/SettingsRestore.h"
#include "plugins/common/SettingPageDefs.h"
#include "sdk/SettingBlocks.h"
#include "tests/libs/printerinfo/ScriptedComm.h"

namespace {

const std::string kEnter(std::begin(kEnterUserSettingCommand), std::end(kEnterUserSettingCommand));
const std::string kLeave(std::begin(kLeaveUserSettingCommand), std::end(kLeaveUserSettingCommand));

// A printer that confirms the mode and loses the connection with the next write.
void ScriptLossAfterConfirmation(ScriptedComm& comm, int failedReconnects) {
  comm.OnCommand(kEnter, Bytes({0x37, 0x20, 0x00}));
  comm.FailWritesAfter(1);
  comm.ReconnectAfter(failedReconnects);
}

SettingsFileContents OneValueFile() {
  SettingsFileContents file;
  file.commandBlock.assign(std::begin(kEnterUserSettingCommand), std::end(kEnterUserSettingCommand));
  AppendCustomValueCommand(file.commandBlock, 6, 4);
  file.commandBlock.insert(file.commandBlock.end(), kLeave.begin(), kLeave.end());
  file.values = {{6, 4}};
  return file;
}

TEST(UserSettingModeLoss, ApplyAndRestoreEndTheModeOnceThePrinterIsBack) {
  const PageDef page = PrintSettingsPageDef();
  const Block stored = DefaultBlock(page);
  Block wanted = stored;
  SetFieldValue(wanted, page.settings[2], 4);  // print speed
  Block readBack;

  ScriptedComm applied;
  ScriptLossAfterConfirmation(applied, 2);
  const PrinterResult result = ApplyPageSettings(&applied, page, stored, wanted, ReconnectPolicy{10, 100}, readBack);
  EXPECT_EQ(result.outcome, PrinterOutcome::kNoAnswer);
  EXPECT_EQ(applied.Writes(), (std::vector<std::string>{kEnter, kLeave}));
  EXPECT_EQ(applied.RecoveryCount(), 3);

  ScriptedComm restored;
  ScriptLossAfterConfirmation(restored, 2);
  // Being interrupted does not skip ending the mode.
  const ReconnectPolicy interrupted(10, 100, [] { return true; });
  EXPECT_EQ(RestoreSettingsFile(&restored, OneValueFile(), interrupted, [](int) {}).outcome,
            RestoreResult::Outcome::kLostAfterSending);
  EXPECT_EQ(restored.Writes(), (std::vector<std::string>{kEnter, kLeave}));
  EXPECT_EQ(restored.RecoveryCount(), 3);
}

TEST(UserSettingModeLoss, APrinterThatStaysAwayIsGivenUpAfterTheWait) {
  ScriptedComm comm;
  ScriptLossAfterConfirmation(comm, 1000);
  EXPECT_EQ(RestoreSettingsFile(&comm, OneValueFile(), ReconnectPolicy{2, 100}, [](int) {}).outcome,
            RestoreResult::Outcome::kLostAfterSending);
  EXPECT_EQ(comm.Writes(), (std::vector<std::string>{kEnter}));
  EXPECT_GE(comm.RecoveryCount(), 1);
  EXPECT_LE(comm.RecoveryCount(), 2);
}

}  // namespace
