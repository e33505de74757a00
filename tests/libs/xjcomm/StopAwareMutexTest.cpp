#include "libs/xjcomm/StopAwareMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

namespace xjcomm {
namespace {

TEST(StopAwareMutexTest, AWaiterGivesUpWhenWokenWithItsConditionOrTakesTheReleasedMutex) {
  StopAwareMutex mutex;
  std::atomic<bool> stop{false};
  const auto giveUp = [&stop] { return stop.load(); };
  mutex.lock();
  mutex.lock();  // the holder may take it again

  // A waiter gives up once told, while the mutex is still held.
  std::promise<bool> gaveUp;
  std::thread stopped([&] {
    const bool got = mutex.LockUnless(giveUp);
    if (got) mutex.unlock();
    gaveUp.set_value(!got);
  });
  stop = true;
  mutex.WakeWaiters();
  EXPECT_TRUE(gaveUp.get_future().get());
  stopped.join();

  // A waiter whose condition stays false takes the mutex once it is released by every
  // lock of its holder.
  stop = false;
  std::promise<bool> took;
  std::thread waiting([&] {
    const bool got = mutex.LockUnless(giveUp);
    took.set_value(got);
    if (got) mutex.unlock();
  });
  mutex.unlock();
  mutex.unlock();
  EXPECT_TRUE(took.get_future().get());
  waiting.join();

  // A free mutex is taken even when the condition holds.
  stop = true;
  ASSERT_TRUE(mutex.LockUnless(giveUp));
  EXPECT_TRUE(mutex.LockUnless(giveUp)) << "its holder takes it again";
  mutex.unlock();
  std::lock_guard<StopAwareMutex> guard(mutex, std::adopt_lock);
}

}  // namespace
}  // namespace xjcomm
