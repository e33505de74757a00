// The logo page in the installed program: its plug-in loads in the menus that name it,
// and the program's read of the printer reads the stored logos with everything else.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/E2ESupport.h"
#include "tests/support/TestEnv.h"

namespace {

// The plug-in libraries the program left out of its menu.
std::vector<std::string> DroppedLibraries(const AppProcess& app) {
  std::vector<std::string> libraries;
  for (const AppEvent& event : app.Events()) {
    if (event.name == "plugin-dropped" && event.fields.size() >= 2) libraries.push_back(event.fields[1]);
  }
  return libraries;
}

bool Dropped(const AppProcess& app, const std::string& library) {
  for (const std::string& name : DroppedLibraries(app)) {
    if (name.find(library) != std::string::npos) return true;
  }
  return false;
}

TEST(LogoE2E, TheLogoPageLoadsAndReadsThePrinterWithEveryOtherPage) {
  const std::string state = testenv::MakeTempDir("logo-e2e") + "/printer.state";
  ASSERT_TRUE(testenv::WriteFile(state, "xjk52-sim-state 1\nnv 4131 8 2 ff81\nnv 4232 16 1 aaaa\n"));
  SimProcess::Options options;
  options.statePath = state;
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  AppProcess app;
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath(sim.TcpEndpoint())}));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  ASSERT_TRUE(e2e::WaitForEventValue(app, "settings-read", "1", 1)) << app.Output();
  EXPECT_FALSE(Dropped(app, "XJLOGO")) << app.Output();
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
  // Reading does not change what the printer holds.
  EXPECT_NE(sim.Control("status").find(" nvkeys=2 "), std::string::npos);
}

TEST(LogoE2E, TheLogoPageLoadsInFileMode) {
  const std::string out = testenv::MakeTempDir("logo-e2e-file") + "/settings.bin";
  AppProcess app;
  app.SetMessageBoxAnswer("no");
  ASSERT_TRUE(app.Start({"/mF" + out}));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_FALSE(Dropped(app, "XJLOGO")) << app.Output();
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

}  // namespace
