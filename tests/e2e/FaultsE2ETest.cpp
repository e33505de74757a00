// A printer that misbehaves in the middle of work, against the installed program: it
// falls silent at the selection dialog's OK and while every page is read, answers
// garbage, drops the connection, opens its cover in the middle of a read, and stays
// away longer than Apply waits for its restart. Each time the program tells the user
// within its time limits, does not hang or crash, and works again once the printer
// does. The simulator's `after N COMMAND` places a fault after the first N bytes of the
// printer's replies; the tests' hand (AppProcess::UseHand) clicks where a user would.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/e2e/E2ESupport.h"

namespace {

using Clock = std::chrono::steady_clock;
using e2e::EventValues;
using e2e::WaitForEventValue;
using e2e::WaitForLastEventValue;
using Texts = std::vector<std::string>;

// The longest a read waits for a printer that stopped answering: the identity is given
// up after 45 s, every later step waits for one reply at a time.
constexpr std::chrono::seconds kReadLimit(45);
// Apply waits this long for the printer to come back from its restart (30 tries, 1 s
// apart).
constexpr std::chrono::seconds kRestartWait(30);
// Elapsed times only tell a hang: three times the limit.
constexpr int kHangFactor = 3;

// Reply bytes after which a fault falls in the middle of reading every page, inside a
// reply (silence there leaves half a reply): the program's start-up exchanges and the
// printer's identity take fewer, the whole read about 250. Each test checks that the
// fault did fall there.
constexpr int kInTheMiddleOfTheRead = 150;

// Control ids: the selection dialog's list and OK button, the Refresh button of the
// Printer Information page and the Apply button and print density of Print Settings.
constexpr int kPrinterList = 1020;
constexpr int kOkButton = 1;
constexpr int kRefreshButton = 1100;
constexpr int kApplyButton = 1100;
constexpr int kDensityCombo = 1201;

constexpr char kCouldNotGetSome[] = "Could not get some settings from the printer.";
constexpr char kCannotCommunicate[] = "Cannot communicate with the printer.";

int Ms(Clock::duration d) { return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()); }

// Waits until the program has shown count message boxes while it runs.
bool WaitForMessages(AppProcess& app, std::size_t count, Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  while (app.MessageBoxTexts().size() < count) {
    if (!app.Running() || Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Clicks a button that starts a communication job and waits until the job is over: its
// progress window appeared and the button takes clicks again (the hand is answered
// only outside the job, once the page has told the user what came of it).
void ClickAndWaitForJob(AppProcess& app, int button) {
  const std::size_t shown = EventValues(app, "progress-shown").size();
  ASSERT_EQ(app.Hand("click " + std::to_string(button)), "ok");
  const auto deadline = Clock::now() + kHangFactor * kReadLimit;
  while (EventValues(app, "progress-shown").size() == shown) {
    ASSERT_LT(Clock::now(), deadline) << "no job started\n" << app.Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  while (app.Hand("get " + std::to_string(button)).rfind("ok 1 ", 0) != 0) {
    ASSERT_LT(Clock::now(), deadline) << "the job did not end";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// Starts the program on the simulator's connection path with a fault armed in the
// middle of the first read, and waits for that read to fail and be told.
void StartWithFaultInTheRead(AppProcess& app, SimProcess& sim, const std::string& fault) {
  ASSERT_TRUE(sim.Start());
  ASSERT_EQ(sim.Control("after " + std::to_string(kInTheMiddleOfTheRead) + " " + fault), "ok");
  const auto start = Clock::now();
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath(sim.TcpEndpoint())}));
  ASSERT_TRUE(WaitForEventValue(app, "settings-read", "-64", 1, Ms(kHangFactor * kReadLimit))) << app.Output();
  EXPECT_LT(Clock::now() - start, kHangFactor * kReadLimit);
  // Past the identity: the message of a read that got only some of the settings.
  EXPECT_EQ(app.MessageBoxTexts(), Texts{kCouldNotGetSome});
  EXPECT_GE(EventValues(app, "progress-shown").size(), 1u);
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
}

TEST(FaultsE2E, SilenceAtOkAndInTheMiddleOfTheReadIsToldAndAllIsReadWhenThePrinterAnswers) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  e2e::RegisterNetPort(sim.TcpEndpoint());
  AppProcess app;
  app.UseHand();
  ASSERT_TRUE(app.Start({}));
  ASSERT_TRUE(e2e::WaitForPath(app, e2e::RunningCopySocket())) << app.Output();
  ASSERT_EQ(app.Hand("get " + std::to_string(kPrinterList)), "ok 1 XJ-K52II");

  // Silent at OK: the test of the printer fails, the user is told and stays in the dialog.
  ASSERT_EQ(sim.Control("silent on"), "ok");
  auto start = Clock::now();
  ASSERT_EQ(app.Hand("click " + std::to_string(kOkButton)), "ok");
  ASSERT_TRUE(WaitForMessages(app, 1, kHangFactor * kReadLimit)) << app.Output();
  EXPECT_LT(Clock::now() - start, kHangFactor * kReadLimit);
  EXPECT_EQ(app.MessageBoxTexts(), Texts{kCannotCommunicate});
  EXPECT_EQ(app.Hand("get " + std::to_string(kPrinterList)), "ok 1 XJ-K52II");
  EXPECT_LT(app.IndexOf("main-window-shown"), 0);

  // It answers the test, then falls silent in the middle of the read behind OK.
  ASSERT_EQ(sim.Control("silent off"), "ok");
  ASSERT_EQ(sim.Control("after " + std::to_string(kInTheMiddleOfTheRead) + " silent on"), "ok");
  start = Clock::now();
  ASSERT_EQ(app.Hand("click " + std::to_string(kOkButton)), "ok");
  ASSERT_TRUE(WaitForEventValue(app, "settings-read", "-64", 1, Ms(kHangFactor * kReadLimit))) << app.Output();
  EXPECT_LT(Clock::now() - start, kHangFactor * kReadLimit);
  EXPECT_EQ(app.MessageBoxTexts(), (Texts{kCannotCommunicate, kCouldNotGetSome}));
  EXPECT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Cannot Get Status")) << app.Output();

  // Once it answers, every page is read and the Printer Information page refreshes.
  ASSERT_EQ(sim.Control("silent off"), "ok");
  EXPECT_TRUE(WaitForEventValue(app, "settings-read", "1")) << app.Output();
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Online"));
  ClickAndWaitForJob(app, kRefreshButton);
  EXPECT_EQ(app.MessageBoxTexts().size(), 2u) << app.MessageBoxTexts().back();
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

TEST(FaultsE2E, GarbageInTheMiddleOfTheReadIsToldAndAllIsReadWhenTheRepliesAreRightAgain) {
  SimProcess sim;
  AppProcess app;
  StartWithFaultInTheRead(app, sim, "garbage on");
  // Garbage is no status either.
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Cannot Get Status")) << app.Output();
  ASSERT_EQ(sim.Control("garbage off"), "ok");
  EXPECT_TRUE(WaitForEventValue(app, "settings-read", "1")) << app.Output();
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Online"));
  EXPECT_EQ(app.MessageBoxTexts().size(), 1u);
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

TEST(FaultsE2E, AConnectionDroppedInTheMiddleOfTheReadIsToldAndTheReadIsDoneOnceMore) {
  SimProcess sim;
  AppProcess app;
  StartWithFaultInTheRead(app, sim, "drop");
  // The connection is back at once and the status never changes, yet the settings that
  // were not read are read now.
  EXPECT_TRUE(WaitForEventValue(app, "settings-read", "1")) << app.Output();
  EXPECT_EQ(EventValues(app, "status-line"), Texts{"Status: Online"});
  EXPECT_GE(e2e::SimCounter(sim, "connections"), 2);
  EXPECT_EQ(app.MessageBoxTexts().size(), 1u);
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

TEST(FaultsE2E, ACoverOpenedInTheMiddleOfTheReadIsShownAndRefreshWaitsUntilItIsClosed) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  ASSERT_EQ(sim.Control("after " + std::to_string(kInTheMiddleOfTheRead) + " cover open"), "ok");
  AppProcess app;
  app.UseHand();
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath(sim.TcpEndpoint())}));
  // The printer carries out commands with its cover open: the read completes.
  ASSERT_TRUE(WaitForEventValue(app, "settings-read", "1")) << app.Output();
  EXPECT_EQ(e2e::SimValue(sim, "after"), "off") << "the cover opened during the read";
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Cover is open")) << app.Output();
  EXPECT_TRUE(app.MessageBoxTexts().empty());

  // The page does not talk to a printer whose cover is open, and says so.
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  ASSERT_EQ(app.Hand("click " + std::to_string(kRefreshButton)), "ok");
  ASSERT_TRUE(WaitForMessages(app, 1, kHangFactor * kReadLimit)) << app.Output();
  EXPECT_EQ(app.MessageBoxTexts(), Texts{kCannotCommunicate});

  ASSERT_EQ(sim.Control("cover closed"), "ok");
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Online"));
  ClickAndWaitForJob(app, kRefreshButton);
  EXPECT_EQ(app.MessageBoxTexts().size(), 1u);
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

TEST(FaultsE2E, APrinterAwayLongerThanApplyWaitsIsToldAndReadWhenItIsBack) {
  // The restart outlasts Apply's wait by a few seconds.
  SimProcess::Options options;
  options.restartDelayMs = Ms(kRestartWait + std::chrono::seconds(6));
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  // Print Settings is the page shown first.
  const std::string folder = e2e::PrivateInstallation({"MENUITEM_REMOTE.DAT"});
  ASSERT_TRUE(testenv::WriteFile(folder + "/MENUITEM_REMOTE.DAT",
                                 "[MENUITEM_1]\nITEMID=1\nSELECTING=1\nUSE_DLL_NAME=XJPRNSTG.dll\nSTRING=Print\n"));
  AppProcess app;
  app.UseHand();
  ASSERT_TRUE(app.Start({"/mR", e2e::ConnectionPath(sim.TcpEndpoint())}, folder + "/xjk52util"));
  ASSERT_TRUE(WaitForEventValue(app, "settings-read", "1")) << app.Output();
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  ASSERT_EQ(app.Hand("get " + std::to_string(kDensityCombo)), "ok 1 100 % (standard)");

  ASSERT_EQ(app.Hand("select " + std::to_string(kDensityCombo) + " 8"), "ok");  // 110 %
  const auto start = Clock::now();
  ASSERT_EQ(app.Hand("click " + std::to_string(kApplyButton)), "ok");
  ASSERT_TRUE(WaitForMessages(app, 1, kHangFactor * kRestartWait + kReadLimit)) << app.Output();
  EXPECT_LT(Clock::now() - start, kHangFactor * kRestartWait);
  // The printer took the settings before it went away: the user is not told otherwise.
  EXPECT_EQ(app.MessageBoxTexts(),
            Texts{"The settings were sent, but the printer did not answer after its restart. Its settings are read "
                  "again when it answers."});
  EXPECT_EQ(e2e::SimValue(sim, "restarting"), "yes");
  EXPECT_EQ(e2e::SimCounter(sim, "cv5"), 2);

  // Back from its restart, the printer is read again and the page shows what it holds.
  EXPECT_TRUE(WaitForEventValue(app, "settings-read", "1", 2)) << app.Output();
  EXPECT_TRUE(WaitForLastEventValue(app, "status-line", "Status: Online"));
  EXPECT_EQ(app.Hand("get " + std::to_string(kDensityCombo)), "ok 1 110 %");
  EXPECT_EQ(app.Hand("get " + std::to_string(kApplyButton)), "ok 0 &Apply") << "nothing left to apply";
  EXPECT_EQ(app.MessageBoxTexts().size(), 1u);
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
}

}  // namespace
