#pragma once
// StopAwareMutex: a mutex whose waiters can give up. LockUnless waits for the mutex as
// lock does, but returns without it once its give-up condition holds; the condition is
// looked at again whenever the mutex is released and whenever WakeWaiters is called, so
// whoever makes it true calls WakeWaiters afterwards. Nothing polls: a waiter sleeps on
// a condition variable until one of the two happens.
//
// The library's threads use it where a thread that holds the mutex may wait for another
// thread (a status monitor being stopped and joined) that itself waits for the mutex:
// the waiting monitor gives up once its stop is requested.
//
// The thread that holds the mutex may take it again; every lock needs its unlock. Meets
// BasicLockable, so std::lock_guard and std::unique_lock take it. Any thread.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace xjcomm {

class StopAwareMutex {
 public:
  StopAwareMutex() = default;
  StopAwareMutex(const StopAwareMutex&) = delete;
  StopAwareMutex& operator=(const StopAwareMutex&) = delete;

  void lock();
  void unlock();

  // Takes the mutex and returns true, or returns false without it as soon as giveUp()
  // is true while the mutex is held by another thread. A free mutex is taken even when
  // giveUp() is true. giveUp runs with an internal lock held: it must only read state
  // (an atomic flag) and must not use this mutex.
  bool LockUnless(const std::function<bool()>& giveUp);

  // Makes every waiter of LockUnless look at its give-up condition again.
  void WakeWaiters();

 private:
  std::mutex state_;
  std::condition_variable changed_;
  std::thread::id owner_;
  unsigned depth_ = 0;
};

}  // namespace xjcomm
