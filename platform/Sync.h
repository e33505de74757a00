#pragma once
// Events and critical sections with the semantics of their Windows counterparts.
// Every member of Event may be called from any thread.
#include <condition_variable>
#include <cstdint>
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

 private:
  const bool manualReset_;
  bool set_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
};

}  // namespace plat
