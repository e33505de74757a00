// The worker processes of the command-line tool: reports come back in the order of the
// printers whatever order the workers end in, no more workers run at once than asked,
// a worker that dies is reported, and a stop signal lets the running workers finish
// while the printers not begun are left alone.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/PrinterRunner.h"
#include "cli/StopSignals.h"
#include "tests/support/TestEnv.h"

namespace {

std::vector<PortTarget> Targets(const std::vector<std::string>& names) {
  std::vector<PortTarget> targets;
  for (const std::string& name : names) targets.push_back({name, {}});
  return targets;
}

void Append(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
}

TEST(CliRunner, ReportsKeepThePrintersOrderAndAtMostJobsWorkersRun) {
  const std::string log = testenv::MakeTempDir("runner") + "/log";
  const std::vector<PortTarget> targets = Targets({"slow", "fast", "dies", "middle", "last"});
  std::vector<std::string> finished;
  const std::vector<PrinterReport> reports = RunPrinterJobs(
      targets, 2,
      [&](const PortTarget& target) {
        if (target.name == "dies") raise(SIGKILL);
        Append(log, "+");
        std::this_thread::sleep_for(std::chrono::milliseconds(target.name == "slow" ? 400 : 50));
        PrinterReport report;
        report.Text("pid", std::to_string(getpid()));
        Append(log, "-");
        return report.Outcome("ok");
      },
      [&](std::size_t index, const PrinterReport& report) {
        EXPECT_EQ(report.port, targets[index].name);
        finished.push_back(report.port);
      });

  ASSERT_EQ(reports.size(), targets.size());
  for (std::size_t i = 0; i < targets.size(); ++i) EXPECT_EQ(reports[i].port, targets[i].name);
  EXPECT_EQ(reports[2].outcome, "worker-failed");
  EXPECT_EQ(reports[2].message, "The process that served this printer ended by signal 9.");
  for (std::size_t i : {0u, 1u, 3u, 4u}) {
    EXPECT_TRUE(reports[i].ok) << targets[i].name;
    EXPECT_NE(reports[i].Field("pid"), std::to_string(getpid()));  // served in a process of its own
  }
  // The slow first printer ended after the ones behind it, and was reported then.
  ASSERT_EQ(finished.size(), targets.size());
  EXPECT_EQ(finished.front(), "fast");
  // Never more than two workers at once.
  int running = 0;
  int most = 0;
  for (const char c : testenv::ReadFile(log)) {
    running += c == '+' ? 1 : 0;
    most = std::max(most, running);
    running -= c == '-' ? 1 : 0;
  }
  EXPECT_EQ(most, 2);
}

TEST(CliRunner, AStopSignalLetsTheRunningWorkerFinishAndStartsNoOther) {
  InstallStopHandlers();
  const pid_t tool = getpid();
  const std::vector<PrinterReport> reports =
      RunPrinterJobs(Targets({"begun", "second", "third"}), 1, [tool](const PortTarget&) {
        kill(tool, SIGINT);
        // The tool passes the signal on: the worker sees it, and still finishes.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!StopRequested() && std::chrono::steady_clock::now() < deadline) {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        PrinterReport report;
        report.Flag("sawStop", StopRequested());
        return report.Outcome("ok");
      });
  EXPECT_EQ(StopSignal(), SIGINT);
  ResetStopSignal();
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_TRUE(reports[0].ok);
  EXPECT_EQ(reports[0].Field("sawStop"), "true");
  for (std::size_t i : {1u, 2u}) {
    EXPECT_EQ(reports[i].outcome, "not-started");
    EXPECT_EQ(reports[i].message, "Interrupted before this printer was served: nothing was sent to it.");
  }
}

}  // namespace
