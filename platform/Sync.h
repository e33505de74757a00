#pragma once
// Events and critical sections with the semantics of their Windows counterparts.
// Every member of Event may be called from any thread.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace plat {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// A critical section may be entered again by the thread that holds it.
using CriticalSection = std::recursive_mutex;

// Manual-reset: stays signalled until Reset. Auto-reset: a successful Wait resets it.
class Event {
 public:
  explicit Event(bool manualReset, bool initiallySet = false);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // True when the event was signalled within timeoutMs (kInfinite waits without limit).
  bool Wait(std::uint32_t timeoutMs);
  bool IsSet() const;

  // A watcher that hears of every Set instead of waiting: notify runs on the thread
  // that sets the event, after the event is signalled and while the event's own lock
  // is held, so it must only pass the news on (a queued call to its owner) and must not
  // touch the event. Once SetNotify returns, an earlier watcher is no longer running
  // and is never called again. An empty function removes the watcher.
  void SetNotify(std::function<void()> notify);

 private:
  const bool manualReset_;
  bool set_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::function<void()> notify_;
};

}  // namespace plat
