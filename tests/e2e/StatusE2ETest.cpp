// The status pane of the installed program against the printer simulator: what the
// printer reports reaches the status line and the battery picture, a fatal error opens
// the error guidance once, and a printer that stops answering is read again behind the
// progress dialog when it answers again. In English and in Japanese.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/E2ESupport.h"

namespace {

using e2e::EventValues;
using e2e::WaitForEventValue;
using e2e::WaitForLastEventValue;

// Starts the program on the simulator's connection path and waits for its first read.
void StartOn(AppProcess& app, SimProcess& sim, const std::string& program, const std::string& online) {
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath(sim.TcpEndpoint())}, program));
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  ASSERT_TRUE(WaitForEventValue(app, "status-line", online)) << app.Output();
  ASSERT_TRUE(WaitForEventValue(app, "settings-read", "1")) << app.Output();
}

TEST(StatusE2E, ThePaneFollowsThePrinterAndReadsItAgainWhenItAnswersAgain) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  AppProcess app;
  StartOn(app, sim, AppProcess::InstalledProgram(), "Status: Online");
  EXPECT_EQ(EventValues(app, "progress-shown").size(), 1u);

  ASSERT_EQ(sim.Control("cover open"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Cover is open"));
  ASSERT_EQ(sim.Control("cover closed"), "ok");
  ASSERT_EQ(sim.Control("paper end"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Out of paper"));
  ASSERT_EQ(sim.Control("paper ok"), "ok");
  ASSERT_EQ(sim.Control("power battery"), "ok");
  ASSERT_EQ(sim.Control("battery 2"), "ok");
  EXPECT_TRUE(WaitForEventValue(app, "battery-picture", "162"));  // one third
  ASSERT_EQ(sim.Control("power ac"), "ok");
  EXPECT_TRUE(WaitForEventValue(app, "battery-picture", "166"));  // the mains plug

  // A fatal error: the guidance once, however long the error stays.
  ASSERT_EQ(sim.Control("fatal on"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Fatal Error"));
  EXPECT_TRUE(WaitForEventValue(app, "error-guidance", "3"));
  ASSERT_EQ(sim.Control("fatal off"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Online"));
  EXPECT_EQ(EventValues(app, "error-guidance"), (std::vector<std::string>{"3"}));
  const std::vector<std::string> guidance = e2e::EventFields(app, "error-guidance");
  ASSERT_EQ(guidance.size(), 3u);
  EXPECT_EQ(guidance[1], "Fatal Error");
  EXPECT_EQ(EventValues(app, "settings-read"), (std::vector<std::string>{"1"}));

  // The printer stops answering; once it answers again its settings are read again,
  // on a port given by its connection path opened afresh for the read.
  ASSERT_EQ(sim.Control("silent on"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Cannot Get Status"));
  const long connections = e2e::SimCounter(sim, "connections");
  ASSERT_EQ(sim.Control("silent off"), "ok");
  EXPECT_TRUE(WaitForEventValue(app, "settings-read", "1", 2));
  EXPECT_GT(e2e::SimCounter(sim, "connections"), connections);
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Online"));
  EXPECT_EQ(EventValues(app, "progress-shown").size(), 2u);

  // Another printer at the same address: it is refused and the pane keeps saying that
  // the printer cannot be asked.
  ASSERT_EQ(sim.Control("silent on"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Cannot Get Status"));
  ASSERT_EQ(sim.Control("model XJ-K53II"), "ok");
  ASSERT_EQ(sim.Control("silent off"), "ok");
  EXPECT_TRUE(WaitForEventValue(app, "settings-read", "-67"));
  EXPECT_EQ(app.MessageBoxTexts(), (std::vector<std::string>{"The device ID does not match the connected printer."}));
  EXPECT_EQ(EventValues(app, "status-line").back(), "Status: Cannot Get Status");

  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

TEST(StatusE2E, ThePaneSpeaksJapanese) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  AppProcess app;
  StartOn(app, sim, e2e::InstallationWithLanguage("0411"), "ステータス： オンライン");

  ASSERT_EQ(sim.Control("cover open"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "ステータス： カバーが開いています"));
  ASSERT_EQ(sim.Control("cover closed"), "ok");
  ASSERT_EQ(sim.Control("paper end"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "ステータス： 用紙切れ"));
  ASSERT_EQ(sim.Control("paper ok"), "ok");
  ASSERT_EQ(sim.Control("cutter error"), "ok");
  EXPECT_TRUE(WaitForEventValue(app, "error-guidance", "9"));
  const std::vector<std::string> guidance = e2e::EventFields(app, "error-guidance");
  ASSERT_EQ(guidance.size(), 3u);
  EXPECT_EQ(guidance[1], "オートカッターエラー");
  EXPECT_NE(guidance[2].find("オートカッターエラーが発生しました"), std::string::npos) << guidance[2];
  ASSERT_EQ(sim.Control("cutter ok"), "ok");
  ASSERT_EQ(sim.Control("silent on"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "ステータス： ステータスを取得できません"));
  ASSERT_EQ(sim.Control("silent off"), "ok");
  EXPECT_TRUE(WaitForEventValue(app, "settings-read", "1", 2));
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "ステータス： オンライン"));
  EXPECT_EQ(EventValues(app, "progress-shown"), (std::vector<std::string>{"プリンターと通信中", "プリンターと通信中"}));
  EXPECT_TRUE(app.MessageBoxTexts().empty());
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

}  // namespace
