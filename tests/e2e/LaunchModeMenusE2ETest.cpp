// The printer control mode and the two modes the printer driver starts, with the
// installed program on the port the driver names: each loads the pages of its menu, and
// the Printer Control page asking the printer for its status while it is shown leaves
// the status pane's own following of the printer undisturbed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/E2ESupport.h"
#include "tests/support/TestEnv.h"

namespace {

using e2e::EventValues;
using e2e::WaitForEventValue;
using e2e::WaitForLastEventValue;

// The libraries of the items the menu left out.
std::vector<std::string> DroppedLibraries(const AppProcess& app) {
  std::vector<std::string> libraries;
  for (const AppEvent& event : app.Events()) {
    if (event.name == "plugin-dropped" && event.fields.size() > 1) libraries.push_back(event.fields[1]);
  }
  return libraries;
}

struct ModeMenu {
  const char* option;
  std::vector<std::string> pages;
};

TEST(LaunchModeMenusE2E, PrinterControlAndDriverModesLoadTheirPagesOnTheDriversPort) {
  const std::vector<std::string> driverPages = {"XJPRNINFO.dll", "XJPRNSTG.dll", "XJPAPERSAVE.dll",
                                                "XJUATCUTSTG.dll"};
  const ModeMenu modes[] = {
      {"/mS", {"XJPRNINFO.dll", "XJPRNCTRL.dll"}},
      {"/mWRD5", driverPages},
      {"/mWRD5_LOGO", driverPages},
  };
  int port = 0;
  for (const ModeMenu& mode : modes) {
    SCOPED_TRACE(mode.option);
    SimProcess sim;
    ASSERT_TRUE(sim.Start());
    const std::string path = "pipe://xj/ZLDPRT" + std::to_string(++port) + "/";
    e2e::RegisterNetPort(sim.TcpEndpoint(), plat::FromUtf8(path));
    AppProcess app;
    ASSERT_TRUE(app.Start({mode.option, "/p" + path}));
    ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
    ASSERT_TRUE(WaitForEventValue(app, "settings-read", "1")) << app.Output();
    const std::vector<std::string> dropped = DroppedLibraries(app);
    for (const std::string& page : mode.pages) {
      EXPECT_EQ(std::count(dropped.begin(), dropped.end(), page), 0) << page;
    }
    EXPECT_TRUE(app.MessageBoxTexts().empty());
    EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
  }
}

TEST(LaunchModeMenusE2E, ThePrinterControlPageAndTheStatusPaneAskThePrinterSideBySide) {
  // Printer Control first, so it is the page shown from the start and asks the printer
  // every second over the connection the status pane follows the printer on: the pane
  // shows each change once, and nothing in between.
  const std::string folder = e2e::PrivateInstallation({"MENUITEM_PRNCTRL.DAT"});
  ASSERT_TRUE(testenv::WriteFile(folder + "/MENUITEM_PRNCTRL.DAT",
                                 "[MENUITEM_1]\nITEMID=1\nPARENTITEMID=0\nSELECTING=1\n"
                                 "USE_DLL_NAME=XJPRNCTRL.dll\nSTRING=STR_11\n"));
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  e2e::RegisterNetPort(sim.TcpEndpoint(), u"pipe://xj/ZLDPRT9/");
  AppProcess app;
  ASSERT_TRUE(app.Start({"/mS", "/ppipe://xj/ZLDPRT9/"}, folder + "/xjk52util"));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  ASSERT_TRUE(WaitForEventValue(app, "settings-read", "1")) << app.Output();

  ASSERT_EQ(sim.Control("cover open"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Cover is open"));
  // Long enough for several of the page's questions and the pane's.
  std::this_thread::sleep_for(std::chrono::seconds(5));
  ASSERT_EQ(sim.Control("cover closed"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Online"));
  EXPECT_EQ(EventValues(app, "status-line"),
            (std::vector<std::string>{"Status: Online", "Status: Cover is open", "Status: Online"}));
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

}  // namespace
