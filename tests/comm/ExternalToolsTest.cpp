#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "comm/ExternalToolPaths.h"
#include "comm/ToolRunner.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace {

void MakeFile(const std::string& path, const std::string& text = "#!/bin/sh\nexit 0\n") {
  ASSERT_TRUE(testenv::WriteFile(path, text));
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// Waits until a detached process has written the file; false when it did not within
// 20 s (a hang guard, not a timing assertion).
bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 1000 && !std::filesystem::exists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return std::filesystem::exists(path);
}

// Private program, menu and data folders for one test (the registry file lives in the
// common data folder), so every run of a test starts with nothing installed.
class ToolPathsTest : public testing::Test {
 protected:
  void SetUp() override {
    programs_ = testenv::MakeTempDir("programs");
    systemData_ = testenv::MakeTempDir("share");
    setenv("ProgramFiles", programs_.c_str(), 1);
    setenv("XDG_DATA_DIRS", systemData_.c_str(), 1);
    setenv("XDG_DATA_HOME", testenv::MakeTempDir("user").c_str(), 1);
    setenv("XJ_COMMON_APPDATA", testenv::MakeTempDir("common").c_str(), 1);
  }
  void WriteRegistry(const std::string& text) {
    ASSERT_TRUE(testenv::WriteFile(plat::ToUtf8(plat::RegistryFilePath()), text));
  }
  std::string programs_;
  std::string systemData_;
};

}  // namespace

TEST_F(ToolPathsTest, NothingInstalledFindsNothing) {
  EXPECT_EQ(FindNetConfigTool(), u"");
  EXPECT_EQ(FindVirtualPortTool(), u"");
  EXPECT_EQ(FindBluetoothConnector(), u"");
}

TEST_F(ToolPathsTest, NetworkToolFromTheRegistryOrTheProgramsFolder) {
  MakeFile(programs_ + "/NORVE/NorveNet Config V4/NNConfig");
  EXPECT_EQ(plat::ToUtf8(FindNetConfigTool()), programs_ + "/NORVE/NorveNet Config V4/NNConfig");
  const std::string elsewhere = testenv::MakeTempDir("nn");
  MakeFile(elsewhere + "/NNConfig");
  WriteRegistry("[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5C1E2A90-7B34-4F61-A8D2-3E9F07C4B1D6}]\n"
                "InstallLocation=" + elsewhere + "\n");
  EXPECT_EQ(plat::ToUtf8(FindNetConfigTool()), elsewhere + "/NNConfig");
}

TEST_F(ToolPathsTest, VirtualPortToolFromAppPathsMenuEntriesOrPrograms) {
  // Programs folder last.
  MakeFile(programs_ + "/NORVE/DADAZUDI/NrvCa");
  EXPECT_EQ(plat::ToUtf8(FindVirtualPortTool()), programs_ + "/NORVE/DADAZUDI/NrvCa");
  // A menu entry in the user's menu beats it; the system-wide menu beats the user's.
  const std::string userTool = testenv::MakeTempDir("u") + "/Port Assignment Tool";
  MakeFile(userTool);
  ASSERT_TRUE(testenv::WriteFile(plat::ToUtf8(plat::UserAppDataFolder()) +
                                     "/applications/NORVE/XJ Virtual Port Driver/Port Assignment Tool.desktop",
                                 "[Desktop Entry]\nType=Application\nExec=\"" + userTool + "\" %f\n"));
  EXPECT_EQ(plat::ToUtf8(FindVirtualPortTool()), userTool);
  const std::string systemTool = testenv::MakeTempDir("s") + "/cat";
  MakeFile(systemTool);
  ASSERT_TRUE(testenv::WriteFile(systemData_ + "/applications/NORVE DADAZUDI Serial Emulation Driver/COM Assignment Tool.desktop",
                                 "[Desktop Entry]\nName=COM Assignment Tool\nExec=" + systemTool + " --assign\n"));
  EXPECT_EQ(plat::ToUtf8(FindVirtualPortTool()), systemTool);
  // The App Paths value names the tool's folder, with variables expanded.
  const std::string folder = testenv::MakeTempDir("apppath");
  MakeFile(folder + "/NrvCa");
  setenv("XJ_TEST_APP_FOLDER", folder.c_str(), 1);
  WriteRegistry("[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\NrvCa.exe]\nPath=%XJ_TEST_APP_FOLDER%\n");
  EXPECT_EQ(plat::ToUtf8(FindVirtualPortTool()), folder + "/NrvCa");
}

TEST_F(ToolPathsTest, MenuEntriesWithoutAnAbsoluteProgramAreIgnored) {
  const std::string dir = testenv::MakeTempDir("menu");
  ASSERT_TRUE(testenv::WriteFile(dir + "/a.desktop", "[Desktop Entry]\nExec=relative-tool\n"));
  ASSERT_TRUE(testenv::WriteFile(dir + "/b.desktop", "[Desktop Entry]\nExec=\"/opt/unclosed\n"));
  ASSERT_TRUE(testenv::WriteFile(dir + "/c.desktop", "[Other]\nExec=/bin/true\n"));
  ASSERT_TRUE(testenv::WriteFile(dir + "/d.desktop", "[Desktop Entry]\nExec=\"/opt/with space/t\\\"q\" arg\n"));
  EXPECT_EQ(ResolveMenuEntry(plat::FromUtf8(dir + "/a.desktop")), u"");
  EXPECT_EQ(ResolveMenuEntry(plat::FromUtf8(dir + "/b.desktop")), u"");
  EXPECT_EQ(ResolveMenuEntry(plat::FromUtf8(dir + "/c.desktop")), u"");
  EXPECT_EQ(ResolveMenuEntry(plat::FromUtf8(dir + "/d.desktop")), u"/opt/with space/t\"q");
  EXPECT_EQ(ResolveMenuEntry(plat::FromUtf8(dir + "/missing.desktop")), u"");
}

TEST_F(ToolPathsTest, PairedPortComesFromTheConnectorsSettingsFile) {
  EXPECT_EQ(PairedBluetoothPort(), u"");
  const std::string file = plat::ToUtf8(plat::CommonAppDataFolder()) + "/NORVE/VADEVevedaver/XJBTSetting.ini";
  ASSERT_TRUE(testenv::WriteFile(file, "[Setting]\n"));
  EXPECT_EQ(PairedBluetoothPort(), u"");
  ASSERT_TRUE(testenv::WriteFile(file, "[Setting]\nVirtualComPort=/dev/rfcomm1\n"));
  EXPECT_EQ(PairedBluetoothPort(), u"/dev/rfcomm1");
}

TEST_F(ToolPathsTest, BluetoothConnectorStandaloneBeforeSuite) {
  MakeFile(programs_ + "/NORVE/XJ-K52II Software/XJ Bluetooth Connector/DIVarovevivOzazidura");
  EXPECT_EQ(plat::ToUtf8(FindBluetoothConnector()),
            programs_ + "/NORVE/XJ-K52II Software/XJ Bluetooth Connector/DIVarovevivOzazidura");
  MakeFile(programs_ + "/NORVE/XJ Bluetooth Connector/DIVarovevivOzazidura");
  EXPECT_EQ(plat::ToUtf8(FindBluetoothConnector()), programs_ + "/NORVE/XJ Bluetooth Connector/DIVarovevivOzazidura");
}

TEST(ToolRunner, CallsBackAroundTheToolsRunAndJoins) {
  const std::string dir = testenv::MakeTempDir("runner");
  MakeFile(dir + "/tool", "#!/bin/sh\necho done > '" + dir + "/out'\n");
  std::atomic<int> order{0};
  int startedAt = -1;
  int endedAt = -1;
  bool launchedSeen = false;
  ToolRunner runner;
  ASSERT_TRUE(runner.Start(
      plat::FromUtf8(dir + "/tool"), [&] { startedAt = order++; },
      [&](bool launched) {
        launchedSeen = launched;
        endedAt = order++;
        // The process has ended by the time the end is reported.
        EXPECT_EQ(testenv::ReadFile(dir + "/out"), "done\n");
      }));
  EXPECT_TRUE(runner.HasWorker());
  runner.Join();
  EXPECT_FALSE(runner.HasWorker());
  EXPECT_EQ(startedAt, 0);
  EXPECT_EQ(endedAt, 1);
  EXPECT_TRUE(launchedSeen);
  EXPECT_TRUE(runner.Launched());
}

TEST(ToolRunner, MissingProgramIsReportedAsNotLaunched) {
  bool launched = true;
  ToolRunner runner;
  ASSERT_TRUE(runner.Start(plat::FromUtf8(testenv::MakeTempDir("none") + "/absent"), nullptr,
                           [&](bool ok) { launched = ok; }));
  runner.Join();
  EXPECT_FALSE(launched);
  EXPECT_FALSE(runner.Launched());
  EXPECT_FALSE(ToolRunner::RunAndWait(u"/nonexistent/tool"));
}

TEST(ToolRunner, OpenDetachedStartsProgramsAndHandsOtherFilesToTheDesktop) {
  const std::string dir = testenv::MakeTempDir("detached");
  // A program is started and not waited for: it ends only once the test lets it (or
  // gives up after a while, so a failed test leaves no process behind).
  MakeFile(dir + "/tool", "#!/bin/sh\ni=0\nwhile [ ! -e '" + dir + "/go' ] && [ $i -lt 1500 ]; do sleep 0.02; "
                          "i=$((i+1)); done\necho ran > '" + dir + "/ran'\n");
  ASSERT_TRUE(ToolRunner::OpenDetached(plat::FromUtf8(dir + "/tool")));
  EXPECT_FALSE(std::filesystem::exists(dir + "/ran"));
  ASSERT_TRUE(testenv::WriteFile(dir + "/go", ""));
  EXPECT_TRUE(WaitForFile(dir + "/ran"));

  // Any other file goes to the desktop's opener on PATH.
  const std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  MakeFile(dir + "/bin/xdg-open", "#!/bin/sh\necho \"$1\" > '" + dir + "/opened'\n");
  ASSERT_TRUE(testenv::WriteFile(dir + "/manual.pdf", "%PDF"));
  setenv("PATH", (dir + "/bin").c_str(), 1);
  EXPECT_TRUE(ToolRunner::OpenDetached(plat::FromUtf8(dir + "/manual.pdf")));
  EXPECT_TRUE(WaitForFile(dir + "/opened"));
  EXPECT_EQ(testenv::ReadFile(dir + "/opened"), dir + "/manual.pdf\n");

  // Without an opener, or with a program the system cannot start, nothing is started.
  setenv("PATH", (dir + "/nothing").c_str(), 1);
  EXPECT_FALSE(ToolRunner::OpenDetached(plat::FromUtf8(dir + "/manual.pdf")));
  setenv("PATH", savedPath.c_str(), 1);
  MakeFile(dir + "/broken", "no interpreter line\n");
  EXPECT_FALSE(ToolRunner::OpenDetached(plat::FromUtf8(dir + "/broken")));
}
