// A plug-in's whole session in the installed program: remote mode on the simulator
// with a menu file that names the logging test plug-in.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/e2e/E2ESupport.h"

namespace {

std::vector<std::string> PluginCalls(const std::string& logPath) {
  std::vector<std::string> calls;
  std::ifstream in(logPath);
  for (std::string line; std::getline(in, line);) {
    // "<plug-in> <entry point> <arguments>": the entry point with its arguments.
    calls.push_back(line.substr(line.find(' ') + 1));
  }
  return calls;
}

TEST(PluginSessionE2E, TheHostCallsThePluginInProtocolOrderFromStartToClose) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  const std::string folder = e2e::PrivateInstallation({"MENUITEM_REMOTE.DAT"});
  const std::string plugin = std::string(XJ_TEST_PLUGIN_DIR) + "/xjtest_good.so";
  ASSERT_TRUE(testenv::WriteFile(folder + "/MENUITEM_REMOTE.DAT",
                                 "[MENUITEM_HEAD]\nITEMID=1\nSTRING=Test\n"
                                 "[MENUITEM_PAGE]\nITEMID=2\nPARENTITEMID=1\nSELECTING=1\nSTRING=Page\n"
                                 "USE_DLL_NAME=" + plugin + "\n"
                                 "[MENUITEM_MISSING]\nITEMID=3\nSELECTING=1\nUSE_DLL_NAME=XJNOSUCHPAGE.dll\n"));
  const std::string log = testenv::MakeTempDir("plugin") + "/calls.log";

  AppProcess app;
  app.SetEnv("XJ_TEST_PLUGIN_LOG", log);
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath(sim.TcpEndpoint())}, folder + "/xjk52util"));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();

  // The item whose library is missing was left out, and the log says why.
  const std::vector<std::string> dropped = e2e::EventFields(app, "plugin-dropped");
  ASSERT_EQ(dropped.size(), 3u);
  EXPECT_EQ(dropped[0], "MENUITEM_MISSING");
  EXPECT_NE(dropped[2].find("cannot load"), std::string::npos) << dropped[2];

  std::vector<std::string> calls = PluginCalls(log);
  // Reading the printer's settings may come in between, as often as the printer is read.
  calls.erase(std::remove(calls.begin(), calls.end(), "ReadPrinterSettings"), calls.end());
  const std::vector<std::string> expected = {
      "Initialize frame pane block",
      "GetPluginInfo",
      "SetDefaltDataToPluginDataMgr 0x00020001",
      "GetDependPluginData null 0",
      "GetDependPluginData records 1",
      "SetDefaltDataToPluginDataMgr 0x00020002",
      "ChangeMenuState 2",
      "ChangeMenuState 1",
      "Finalize",
  };
  EXPECT_EQ(calls, expected);
}

}  // namespace
