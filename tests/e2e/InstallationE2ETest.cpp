// An incomplete installation folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/e2e/E2ESupport.h"
#include "tests/support/TestEnv.h"

namespace {

TEST(InstallationE2E, MissingLanguageFilesStopStartWithTheReinstallMessage) {
  const std::string folder = e2e::PrivateInstallation({"LANG"});
  ASSERT_FALSE(std::filesystem::exists(folder + "/LANG"));
  AppProcess app;
  ASSERT_TRUE(app.Start({}, folder + "/xjk52util"));
  EXPECT_EQ(app.WaitForExit(), 1) << app.Output();
  EXPECT_EQ(app.MessageBoxTexts(), (std::vector<std::string>{"Could not find the required files.\nPlease reinstall."}));
  EXPECT_LT(app.IndexOf("main-window-shown"), 0);
  // Start-up ended before the printer setting index could be touched.
  EXPECT_FALSE(std::filesystem::exists(e2e::DataFolder() + "/PrinterSetting.INI"));
}

}  // namespace
