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
  // No printer: the status line is the label alone, and nothing is read.
  EXPECT_EQ(e2e::EventValues(app, "status-line"), (std::vector<std::string>{"Status:"}));
  EXPECT_TRUE(e2e::EventValues(app, "settings-read").empty());
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
  // The setting pages supplied the blocks the commands are built from: a complete
  // command block of 164 bytes behind the 256-byte header.
  EXPECT_EQ(app.MessageBoxTexts(), (std::vector<std::string>{"Do you want to save the settings to the file?"}));
  const std::string file = testenv::ReadFile(out);
  ASSERT_EQ(file.size(), 256u + 164u);
  EXPECT_EQ(file.substr(4, 10), "XJ-K52II\r\n");
  EXPECT_EQ(file.substr(256, 8), std::string("\x1D\x28\x45\x03\x00\x01\x49\x4E", 8));
  EXPECT_EQ(file.substr(file.size() - 9), std::string("\x1D\x28\x45\x04\x00\x02\x4F\x55\x54", 9));
}

}  // namespace
