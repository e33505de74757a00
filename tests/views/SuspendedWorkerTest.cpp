#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "views/SuspendedWorker.h"

TEST(SuspendedWorker, RunsOnlyAfterResumeAndKeepsTheResult) {
  std::atomic<bool> ran{false};
  SuspendedWorker worker;
  ASSERT_TRUE(worker.Start([&] {
    ran = true;
    return 17;
  }));
  EXPECT_NE(worker.ThreadId(), 0);
  EXPECT_NE(worker.ThreadId(), gettid());
  EXPECT_FALSE(worker.Done().Wait(50));  // waits at its gate
  EXPECT_FALSE(ran.load());
  std::int32_t code = 0;
  EXPECT_FALSE(worker.GetExitCode(code));

  EXPECT_EQ(worker.Resume(), 1);
  EXPECT_EQ(worker.Resume(), 0);
  ASSERT_TRUE(worker.Done().Wait(20000));
  worker.Join();
  EXPECT_TRUE(ran.load());
  ASSERT_TRUE(worker.GetExitCode(code));
  EXPECT_EQ(code, 17);
  EXPECT_FALSE(worker.Start([] { return 0; }));  // one thread per worker
}

TEST(SuspendedWorker, TerminateBeforeResumeEndsWithTheCode) {
  std::atomic<bool> ran{false};
  std::atomic<bool> finished{false};
  SuspendedWorker worker;
  ASSERT_TRUE(worker.Start(
      [&] {
        ran = true;
        return 1;
      },
      [&] { finished = true; }));
  worker.Terminate(-24);
  EXPECT_EQ(worker.Resume(), 0);
  ASSERT_TRUE(worker.Done().Wait(20000));
  worker.Join();
  std::int32_t code = 0;
  ASSERT_TRUE(worker.GetExitCode(code));
  EXPECT_EQ(code, -24);
  EXPECT_FALSE(ran.load());
  EXPECT_TRUE(finished.load());
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

TEST(SuspendedWorker, DestroyingAWaitingWorkerDoesNotRunIt) {
  std::atomic<bool> ran{false};
  {
    SuspendedWorker worker;
    ASSERT_TRUE(worker.Start([&] {
      ran = true;
      return 0;
    }));
  }
  EXPECT_FALSE(ran.load());
}

TEST(SuspendedWorker, LowerPriorityRaisesTheThreadsNiceValue) {
  std::atomic<int> niceInside{-100};
  const int before = getpriority(PRIO_PROCESS, 0);
  SuspendedWorker worker;
  ASSERT_TRUE(worker.Start([&] {
    niceInside = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    return 0;
  }));
  worker.LowerPriority();
  worker.Resume();
  ASSERT_TRUE(worker.Done().Wait(20000));
  worker.Join();
  EXPECT_EQ(niceInside.load(), std::min(before + SuspendedWorker::kBelowNormalNiceStep, 19));
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), before);  // only the worker
}
