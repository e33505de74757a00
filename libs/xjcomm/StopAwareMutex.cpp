#include "libs/xjcomm/StopAwareMutex.h"

namespace xjcomm {

void StopAwareMutex::lock() {
  std::unique_lock<std::mutex> lock(state_);
  const std::thread::id self = std::this_thread::get_id();
  if (depth_ > 0 && owner_ == self) {
    ++depth_;
    return;
  }
  changed_.wait(lock, [this] { return depth_ == 0; });
  owner_ = self;
  depth_ = 1;
}

void StopAwareMutex::unlock() {
  {
    std::lock_guard<std::mutex> lock(state_);
    if (--depth_ > 0) return;
    owner_ = std::thread::id();
  }
  changed_.notify_all();
}

bool StopAwareMutex::LockUnless(const std::function<bool()>& giveUp) {
  std::unique_lock<std::mutex> lock(state_);
  const std::thread::id self = std::this_thread::get_id();
  if (depth_ > 0 && owner_ == self) {
    ++depth_;
    return true;
  }
  changed_.wait(lock, [&] { return depth_ == 0 || giveUp(); });
  if (depth_ != 0) return false;
  owner_ = self;
  depth_ = 1;
  return true;
}

void StopAwareMutex::WakeWaiters() {
  // Taking the state lock first orders this wake after a waiter's last look at its
  // condition, so a condition made true before the call is never missed.
  { std::lock_guard<std::mutex> lock(state_); }
  changed_.notify_all();
}

}  // namespace xjcomm
