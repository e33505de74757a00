#include "platform/Sync.h"

#include <chrono>

namespace plat {

Event::Event(bool manualReset, bool initiallySet) : manualReset_(manualReset), set_(initiallySet) {}

// Waiters are woken while the mutex is held, so a waiter that returns and destroys the
// event cannot race with this call still touching it.
void Event::Set() {
  std::lock_guard<std::mutex> lock(mutex_);
  set_ = true;
  cv_.notify_all();
  if (notify_) notify_();
}

void Event::SetNotify(std::function<void()> notify) {
  std::lock_guard<std::mutex> lock(mutex_);
  notify_ = std::move(notify);
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  set_ = false;
}

bool Event::Wait(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto signalled = [this] { return set_; };
  if (timeoutMs == kInfinite) {
    cv_.wait(lock, signalled);
  } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
    return false;
  }
  // An auto-reset event lets exactly one waiter through per Set.
  if (!manualReset_) set_ = false;
  return true;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return set_;
}

}  // namespace plat
