#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace plat {
namespace {

TEST(SyncTest, ManualResetStaysSignalledUntilReset) {
  Event e(true);
  EXPECT_FALSE(e.Wait(0));
  bool woke = false;
  std::thread t([&] { woke = e.Wait(kInfinite); });
  e.Set();
  t.join();
  EXPECT_TRUE(woke);
  EXPECT_TRUE(e.Wait(5));
  EXPECT_TRUE(e.IsSet());
  e.Reset();
  EXPECT_FALSE(e.Wait(10));  // false once the timeout has passed
}

TEST(SyncTest, AutoResetLetsOneWaiterThroughPerSet) {
  Event initially(false, true);
  EXPECT_TRUE(initially.Wait(0));
  EXPECT_FALSE(initially.Wait(10));

  Event e(false);
  std::atomic<int> passed{0};
  auto waiter = [&] {
    if (e.Wait(kInfinite)) ++passed;
  };
  std::thread a(waiter), b(waiter);
  e.Set();
  while (passed.load() == 0) std::this_thread::yield();
  EXPECT_FALSE(e.IsSet());  // the waiter that went through took the signal with it
  EXPECT_EQ(passed.load(), 1);
  e.Set();
  a.join();
  b.join();
  EXPECT_EQ(passed.load(), 2);
}

TEST(SyncTest, WatcherHearsOfEverySetUntilRemoved) {
  Event e(true);
  std::atomic<int> calls{0};
  e.SetNotify([&] { ++calls; });
  std::thread setter([&] { e.Set(); });  // the watcher runs on the setting thread
  setter.join();
  e.Set();  // a signalled event still tells its watcher
  EXPECT_EQ(calls.load(), 2);
  EXPECT_TRUE(e.IsSet());
  e.SetNotify({});
  e.Reset();
  e.Set();
  EXPECT_EQ(calls.load(), 2);
  EXPECT_TRUE(e.Wait(0));
}

}  // namespace
}  // namespace plat
