#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace plat {
namespace {

TEST(SyncTest, ManualResetStaysSignalledUntilReset) {
  Event e(true);
  EXPECT_FALSE(e.IsSet());
  EXPECT_FALSE(e.Wait(0));
  e.Set();
  EXPECT_TRUE(e.Wait(0));
  EXPECT_TRUE(e.Wait(5));
  EXPECT_TRUE(e.IsSet());
  e.Reset();
  EXPECT_FALSE(e.Wait(10));  // returned false after its timeout
}

TEST(SyncTest, AutoResetLetsOneWaitThrough) {
  Event e(false, true);
  EXPECT_TRUE(e.IsSet());
  EXPECT_TRUE(e.Wait(0));
  EXPECT_FALSE(e.IsSet());
  EXPECT_FALSE(e.Wait(10));
  e.Set();
  e.Set();  // setting twice still lets only one through
  EXPECT_TRUE(e.Wait(kInfinite));
  EXPECT_FALSE(e.Wait(0));
}

TEST(SyncTest, SetWakesAWaiterOnAnotherThread) {
  Event e(true);
  bool woke = false;
  std::thread t([&] { woke = e.Wait(kInfinite); });
  e.Set();
  t.join();
  EXPECT_TRUE(woke);
}

TEST(SyncTest, AutoResetReleasesWaitersOneSetAtATime) {
  Event e(false);
  std::atomic<int> passed{0};
  std::thread a([&] {
    if (e.Wait(kInfinite)) ++passed;
  });
  std::thread b([&] {
    if (e.Wait(kInfinite)) ++passed;
  });
  e.Set();
  while (passed.load() == 0) std::this_thread::yield();
  // The waiter that went through took the signal with it.
  EXPECT_FALSE(e.IsSet());
  EXPECT_EQ(passed.load(), 1);
  e.Set();
  a.join();
  b.join();
  EXPECT_EQ(passed.load(), 2);
  EXPECT_FALSE(e.IsSet());
}

}  // namespace
}  // namespace plat
