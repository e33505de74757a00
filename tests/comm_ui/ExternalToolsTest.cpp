#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <filesystem>

#include "comm/ExternalToolPaths.h"
#include "comm/Ipv4AddressEdit.h"
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

// Private program and menu folders for one test; the registry file is removed after.
class ToolPathsTest : public testing::Test {
 protected:
  void SetUp() override {
    programs_ = testenv::MakeTempDir("programs");
    systemData_ = testenv::MakeTempDir("share");
    setenv("ProgramFiles", programs_.c_str(), 1);
    setenv("XDG_DATA_DIRS", systemData_.c_str(), 1);
  }
  void TearDown() override { plat::RemoveFile(plat::RegistryFilePath()); }
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
}

TEST(ToolRunner, MissingProgramIsReportedAsNotLaunched) {
  bool launched = true;
  ToolRunner runner;
  ASSERT_TRUE(runner.Start(plat::FromUtf8(testenv::MakeTempDir("none") + "/absent"), nullptr,
                           [&](bool ok) { launched = ok; }));
  runner.Join();
  EXPECT_FALSE(launched);
  EXPECT_FALSE(ToolRunner::RunAndWait(u"/nonexistent/tool"));
}

TEST(Ipv4AddressEdit, PartsReadSetAndClamp) {
  Ipv4AddressEdit edit;
  QSignalSpy changed(&edit, &Ipv4AddressEdit::AddressChanged);
  std::uint32_t address = 1;
  EXPECT_TRUE(edit.IsBlank());
  EXPECT_EQ(edit.GetAddress(address), 0);
  EXPECT_EQ(address, 0u);
  edit.SetAddress(0xC0A80A01u);
  EXPECT_EQ(edit.Part(0)->text(), "192");
  EXPECT_EQ(edit.Part(3)->text(), "1");
  EXPECT_EQ(edit.GetAddress(address), 4);
  EXPECT_EQ(address, 0xC0A80A01u);
  EXPECT_GE(changed.count(), 4);
  edit.ClearAddress();
  EXPECT_TRUE(edit.IsBlank());
  edit.Part(1)->setText("300");  // above 255 reads as 255
  EXPECT_EQ(edit.GetAddress(address), 1);
  EXPECT_EQ(address, 0x00FF0000u);
  EXPECT_EQ(edit.Part(4), nullptr);
}

TEST(Ipv4AddressEdit, TypingMovesOnAfterThreeDigitsOrADot) {
  Ipv4AddressEdit edit;
  edit.show();
  edit.activateWindow();
  edit.Part(0)->setFocus();
  QTest::keyClicks(edit.Part(0), "10");
  QTest::keyClick(edit.Part(0), Qt::Key_Period);
  EXPECT_EQ(edit.focusWidget(), edit.Part(1));
  QTest::keyClicks(edit.Part(1), "999");  // a full part moves on and is brought to 255
  EXPECT_EQ(edit.Part(1)->text(), "255");
  EXPECT_EQ(edit.focusWidget(), edit.Part(2));
  QTest::keyClicks(edit.Part(2), "a7");  // letters are not taken
  EXPECT_EQ(edit.Part(2)->text(), "7");
  std::uint32_t address = 0;
  EXPECT_EQ(edit.GetAddress(address), 3);
  EXPECT_EQ(address, 0x0AFF0700u);
}
