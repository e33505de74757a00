#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "views/SuspendedWorker.h"

TEST(SuspendedWorker, RunsOnlyAfterResumeAtLowerPriorityAndKeepsTheResult) {
  std::atomic<int> niceInside{-100};
  const int before = getpriority(PRIO_PROCESS, 0);
  SuspendedWorker worker;
  ASSERT_TRUE(worker.Start([&] {
    niceInside = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    return 17;
  }));
  EXPECT_NE(worker.ThreadId(), gettid());
  worker.LowerPriority();
  EXPECT_FALSE(worker.Done().Wait(50));  // waits at its gate
  EXPECT_EQ(niceInside.load(), -100);
  std::int32_t code = 0;
  EXPECT_FALSE(worker.GetExitCode(code));

  EXPECT_EQ(worker.Resume(), 1);
  EXPECT_EQ(worker.Resume(), 0);
  ASSERT_TRUE(worker.Done().Wait(20000));
  worker.Join();
  ASSERT_TRUE(worker.GetExitCode(code));
  EXPECT_EQ(code, 17);
  EXPECT_EQ(niceInside.load(), std::min(before + SuspendedWorker::kBelowNormalNiceStep, 19));
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), before);  // only the worker
  EXPECT_FALSE(worker.Start([] { return 0; }));                               // one thread per worker
}

TEST(SuspendedWorker, TerminatedOrDestroyedBeforeResumeNeverRuns) {
  std::atomic<int> runs{0};
  bool finished = false;
  {
    SuspendedWorker worker;
    ASSERT_TRUE(worker.Start([&] { return ++runs; }, [&] { finished = true; }));
    worker.Terminate(-24);
    EXPECT_EQ(worker.Resume(), 0);
    ASSERT_TRUE(worker.Done().Wait(20000));
    std::int32_t code = 0;
    ASSERT_TRUE(worker.GetExitCode(code));
    EXPECT_EQ(code, -24);
    EXPECT_TRUE(finished);
  }
  {
    SuspendedWorker worker;
    ASSERT_TRUE(worker.Start([&] { return ++runs; }));
  }
  EXPECT_EQ(runs.load(), 0);
}

TEST(SuspendedWorker, ThrowingProcedureLeavesNoExitCode) {
  SuspendedWorker worker;
  ASSERT_TRUE(worker.Start([]() -> std::int32_t { throw std::runtime_error("lost"); }));
  worker.Resume();
  ASSERT_TRUE(worker.Done().Wait(20000));
  std::int32_t code = 99;
  EXPECT_FALSE(worker.GetExitCode(code));
  EXPECT_EQ(code, 99);
}
