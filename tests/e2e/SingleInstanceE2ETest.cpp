// One running copy: a second start brings the first to the front and ends; "/bM" lets
// copies run side by side.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/e2e/E2ESupport.h"
#include "tests/support/TestEnv.h"

namespace {

std::string SettingsFileArgument() { return "/mF" + testenv::MakeTempDir("out") + "/settings.bin"; }

TEST(SingleInstanceE2E, SecondStartRaisesTheRunningCopyAndEnds) {
  AppProcess first;
  first.SetMessageBoxAnswer("no");
  ASSERT_TRUE(first.Start({SettingsFileArgument()}));
  ASSERT_TRUE(first.WaitForEvent("main-window-shown")) << first.Output();

  AppProcess second;
  ASSERT_TRUE(second.Start({SettingsFileArgument()}));
  EXPECT_EQ(second.WaitForExit(), 0) << second.Output();
  EXPECT_EQ(e2e::EventNames(second), (std::vector<std::string>{"second-copy", "startup-ended", "exit"}));
  EXPECT_EQ(e2e::EventFields(second, "second-copy"), (std::vector<std::string>{"answered"}));
  EXPECT_TRUE(second.MessageBoxTexts().empty());

  EXPECT_TRUE(first.WaitForEvent("raised")) << first.Output();
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(e2e::TerminateAndWait(first), 0) << first.Output();
}

TEST(SingleInstanceE2E, SecondStartRaisesTheSelectionDialogOfACopyStillChoosing) {
  AppProcess first;
  ASSERT_TRUE(first.Start({}));
  ASSERT_TRUE(e2e::WaitForPath(first, e2e::RunningCopySocket())) << first.Output();

  AppProcess second;
  ASSERT_TRUE(second.Start({}));
  EXPECT_EQ(second.WaitForExit(), 0) << second.Output();
  EXPECT_EQ(e2e::EventFields(second, "second-copy"), (std::vector<std::string>{"answered"}));
  EXPECT_LT(second.IndexOf("main-window-shown"), 0);

  // The first copy still waits in its dialog; ending it now is a cancel.
  ASSERT_TRUE(first.Running());
  EXPECT_LT(first.IndexOf("main-window-shown"), 0);
  EXPECT_EQ(e2e::TerminateAndWait(first), 0) << first.Output();
  EXPECT_EQ(e2e::EventFields(first, "startup-ended"), (std::vector<std::string>{"cancelled"}));
  EXPECT_FALSE(std::filesystem::exists(e2e::RunningCopySocket()));
}

TEST(SingleInstanceE2E, MultiInstanceOptionLetsTwoCopiesRunAndKeepsTheTemporaryFolder) {
  AppProcess first;
  AppProcess second;
  first.SetMessageBoxAnswer("no");
  second.SetMessageBoxAnswer("no");
  ASSERT_TRUE(first.Start({"/bM", SettingsFileArgument()}));
  ASSERT_TRUE(first.WaitForEvent("main-window-shown")) << first.Output();
  ASSERT_TRUE(second.Start({"/bM", SettingsFileArgument()}));
  ASSERT_TRUE(second.WaitForEvent("main-window-shown")) << second.Output();
  EXPECT_TRUE(first.Running());

  EXPECT_EQ(e2e::TerminateAndWait(second), 0) << second.Output();
  EXPECT_EQ(e2e::TerminateAndWait(first), 0) << first.Output();
  EXPECT_LT(first.IndexOf("raised"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(e2e::DataFolder() + "/TMP"));
}

}  // namespace
