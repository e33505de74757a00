// The program started for a settings file (mode 4): no printer, no communication, and
// at exit the question whether to write the settings command file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/e2e/E2ESupport.h"
#include "tests/support/TestEnv.h"

namespace {

TEST(FileModeE2E, WorksWithoutAnyCommunicationAndKeepsTheSettingsAtExit) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  const std::string out = testenv::MakeTempDir("out") + "/settings.bin";
  // A logo left by an earlier run is not taken into this one's settings file.
  const std::string userFolder = std::string(std::getenv("XDG_DATA_HOME")) + "/NORVE/XJK52IIUTL";
  std::filesystem::create_directories(userFolder);
  ASSERT_TRUE(testenv::WriteFile(userFolder + "/K52IILOGO.tlg", "old logo"));
  AppProcess app;
  // Even with the simulator as the place to search, nothing may reach it.
  app.SetEnv("XJCOMM_NET_SEARCH", sim.TcpEndpoint());
  app.SetMessageBoxAnswer("no");
  ASSERT_TRUE(app.Start({"/mF" + out}));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_LT(app.IndexOf("splash-shown"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(e2e::DataFolder() + "/TMP"));
  EXPECT_FALSE(std::filesystem::exists(userFolder + "/K52IILOGO.tlg"));

  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
  ASSERT_EQ(app.MessageBoxTexts(), (std::vector<std::string>{"Do you want to save the settings to the file?"}));
  const std::vector<AppEvent> events = app.Events();
  const AppEvent& question = events[static_cast<std::size_t>(app.IndexOf("messagebox"))];
  ASSERT_EQ(question.fields.size(), 3u);
  EXPECT_EQ(question.fields[0], "Save Settings File");
  EXPECT_EQ(question.fields[2], "no");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(e2e::SimCounter(sim, "connections"), 0);

  // The printer's entry and its data file were written; the temporary folder is gone.
  const std::string ini = testenv::ReadFile(e2e::DataFolder() + "/PrinterSetting.INI");
  EXPECT_NE(ini.find("COUNT=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("DeviceName=XJ-K52II"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Dir=PORT_0"), std::string::npos) << ini;
  EXPECT_TRUE(std::filesystem::exists(e2e::DataFolder() + "/PORT_0/XJ-K52II_Setting.DAT"));
  EXPECT_FALSE(std::filesystem::exists(e2e::DataFolder() + "/TMP"));
}

TEST(FileModeE2E, SavingWritesTheSettingsOfTheInstalledPagesToTheFile) {
  const std::string out = testenv::MakeTempDir("out") + "/settings.bin";
  AppProcess app;
  app.SetMessageBoxAnswer("yes");
  ASSERT_TRUE(app.Start({"/mF" + out}));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
  // The setting pages of the menu registered their blocks with their defaults, and the
  // commands are built from them: a header of 256 bytes and a command block.
  EXPECT_EQ(app.MessageBoxTexts(), (std::vector<std::string>{"Do you want to save the settings to the file?"}));
  const std::string file = testenv::ReadFile(out);
  ASSERT_GT(file.size(), 256u);
  EXPECT_EQ(static_cast<unsigned char>(file[0]) | (static_cast<unsigned char>(file[1]) << 8), 256);
  EXPECT_EQ(file.compare(4, 8, "XJ-K52II"), 0);
}

}  // namespace
