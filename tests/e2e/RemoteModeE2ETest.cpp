// The program started for a printer named by its connection path (mode 3), and for a
// driver port path: it tests and opens the printer behind the splash window and goes
// straight to the main window.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "tests/e2e/E2ESupport.h"
#include "tests/support/TestEnv.h"

namespace {

using e2e::EventNames;

TEST(RemoteModeE2E, AnsweringPrinterLeadsStraightToTheMainWindow) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  AppProcess app;
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath(sim.TcpEndpoint())}));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_TRUE(app.MessageBoxTexts().empty());
  EXPECT_GE(app.IndexOf("splash-shown"), 0);
  EXPECT_LT(app.IndexOf("splash-shown"), app.IndexOf("main-window-shown"));
  // The printer was asked (test and open).
  EXPECT_GE(e2e::SimCounter(sim, "connections"), 1);

  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
  const std::vector<AppEvent> events = app.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().name, "exit");
  EXPECT_EQ(events.back().fields, (std::vector<std::string>{"0"}));
}

TEST(RemoteModeE2E, SilentPrinterIsReportedAfterTheSplashAndTheMainWindowStillOpens) {
  const int port = UnusedLoopbackPort();
  ASSERT_GT(port, 0);
  AppProcess app;
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath("127.0.0.1:" + std::to_string(port))}));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_EQ(app.MessageBoxTexts(), (std::vector<std::string>{"Cannot communicate with the printer."}));
  // The splash is gone before the message appears.
  EXPECT_EQ(e2e::EventNamesAmong(app, {"splash-shown", "splash-closed", "messagebox", "main-window-shown"}),
            (std::vector<std::string>{"splash-shown", "splash-closed", "messagebox", "main-window-shown"}));
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

TEST(RemoteModeE2E, SplashStaysUntilTheMainWindowExistsThenCloses) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  AppProcess app;
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath(sim.TcpEndpoint())}));
  // The splash's display time is ten seconds; allow for a slow machine.
  ASSERT_TRUE(app.WaitForEvent("splash-closed", 90000)) << app.Output();
  EXPECT_EQ(e2e::EventNamesAmong(app, {"splash-shown", "main-window-shown", "splash-closed"}),
            (std::vector<std::string>{"splash-shown", "main-window-shown", "splash-closed"}));
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

TEST(RemoteModeE2E, PrinterOpenedByAnotherCopyIsReportedInUse) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  AppProcess first;
  ASSERT_TRUE(first.Start({"/bM", "/mR", e2e::ConnectionPath(sim.TcpEndpoint())}));
  ASSERT_TRUE(first.WaitForEvent("main-window-shown")) << first.Output();

  AppProcess second;
  ASSERT_TRUE(second.Start({"/bM", "/mR", e2e::ConnectionPath(sim.TcpEndpoint())}));
  EXPECT_EQ(second.WaitForExit(), 1) << second.Output();
  EXPECT_EQ(second.MessageBoxTexts(),
            (std::vector<std::string>{"Cannot launch the printer because it is in use by another application."}));
  EXPECT_LT(second.IndexOf("main-window-shown"), 0);
  EXPECT_EQ(e2e::TerminateAndWait(first), 0) << first.Output();
}

TEST(RemoteModeE2E, PortPathOfAnotherKindIsRefused) {
  AppProcess app;
  ASSERT_TRUE(app.Start({"/pCOM1"}));
  EXPECT_EQ(app.WaitForExit(), 1) << app.Output();
  EXPECT_EQ(app.MessageBoxTexts(), (std::vector<std::string>{"Cannot communicate with the printer."}));
  EXPECT_LT(app.IndexOf("main-window-shown"), 0);
}

}  // namespace

namespace {

TEST(DriverPortE2E, RegisteredDriverPortIsOpenedWithoutTheDialog) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  e2e::RegisterNetPort(sim.TcpEndpoint(), u"pipe://xj/ZLDPRT7/");
  const long before = e2e::SimCounter(sim, "connections");

  AppProcess app;
  ASSERT_TRUE(app.Start({"/ppipe://xj/ZLDPRT7/"}));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_TRUE(app.MessageBoxTexts().empty());
  EXPECT_GE(app.IndexOf("splash-shown"), 0);
  EXPECT_GT(e2e::SimCounter(sim, "connections"), before);
  // The printer's settings are read completely, so at exit they are kept: the printer's
  // entry in the index and its data file.
  ASSERT_TRUE(e2e::WaitForEventValue(app, "settings-read", "1")) << app.Output();
  EXPECT_FALSE(std::filesystem::exists(e2e::DataFolder() + "/PrinterSetting.INI"));
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
  const std::string ini = testenv::ReadFile(e2e::DataFolder() + "/PrinterSetting.INI");
  EXPECT_NE(ini.find("DeviceName=XJ-K52II"), std::string::npos) << ini;
  EXPECT_NE(ini.find("PortName=" + sim.TcpEndpoint()), std::string::npos) << ini;
  const std::string data = testenv::ReadFile(e2e::DataFolder() + "/PORT_0/XJ-K52II_Setting.DAT");
  ASSERT_GE(data.size(), 136u);
  EXPECT_EQ(data.substr(0, 4), std::string("PSD\0", 4));
}

// The selection dialog answered through XJ_SELECT_DIALOG_ANSWER, as scripts and the
// benchmarks drive it: the press is logged with its time; OK takes the listed printer,
// whose pages are then read behind the progress dialog; Cancel ends the start.
TEST(SelectionAnswerE2E, OkTakesTheListedPrinterAndEveryPageIsReadBehindTheProgressDialog) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  e2e::RegisterNetPort(sim.TcpEndpoint());
  AppProcess app;
  app.SetEnv("XJ_SELECT_DIALOG_ANSWER", "ok");
  ASSERT_TRUE(app.Start({"/mR"}));
  ASSERT_TRUE(e2e::WaitForEventValue(app, "settings-read", "1")) << app.Output();
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_TRUE(app.MessageBoxTexts().empty());
  EXPECT_EQ(e2e::EventValues(app, "selection-answered"), (std::vector<std::string>{"ok"}));
  EXPECT_EQ(e2e::EventNamesAmong(app, {"selection-answered", "progress-shown", "progress-closed", "settings-read"}),
            (std::vector<std::string>{"selection-answered", "progress-shown", "progress-closed", "settings-read"}));
  const std::vector<std::string> closed = e2e::EventFields(app, "progress-closed");
  ASSERT_EQ(closed.size(), 2u);
  EXPECT_EQ(closed[0], "Communicating with the printer");
  EXPECT_EQ(closed[1].find_first_not_of("0123456789"), std::string::npos) << closed[1];
  // Every event carries its time, and the times follow the order of the lines.
  const std::vector<AppEvent> events = app.Events();
  for (std::size_t i = 1; i < events.size(); ++i) EXPECT_GE(events[i].seconds, events[i - 1].seconds) << i;
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

TEST(SelectionAnswerE2E, CancelEndsTheStart) {
  AppProcess app;
  app.SetEnv("XJ_SELECT_DIALOG_ANSWER", "cancel");
  ASSERT_TRUE(app.Start({"/mR"}));
  EXPECT_EQ(app.WaitForExit(), 0) << app.Output();
  EXPECT_EQ(e2e::EventValues(app, "selection-answered"), (std::vector<std::string>{"cancel"}));
  EXPECT_EQ(e2e::EventValues(app, "startup-ended"), (std::vector<std::string>{"cancelled"}));
  EXPECT_LT(app.IndexOf("main-window-shown"), 0);
}

}  // namespace
