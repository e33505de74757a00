#pragma once
// HandleTable: the sessions of a library behind the 32-bit handles its callers hold.
// A handle is never 0 and is not given out again while its session lives. A call holds
// a shared reference to its session, so Finalize on another thread never frees a
// session that a call is still using.
//
// Threads: every operation may be called from any thread.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

template <typename Session>
class HandleTable {
 public:
  // Stores the session and returns its new handle (0 only when no handle is free).
  std::uint32_t Add(std::shared_ptr<Session> session) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::uint64_t tries = 0; tries <= 0xFFFFFFFFull; ++tries) {
      const std::uint32_t candidate = next_++;
      if (candidate == 0 || sessions_.count(candidate) != 0) continue;
      sessions_.emplace(candidate, std::move(session));
      return candidate;
    }
    return 0;
  }

  // The session of a handle, or null for 0 and for unknown handles.
  std::shared_ptr<Session> Find(std::uint32_t handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(handle);
    return it == sessions_.end() ? nullptr : it->second;
  }

  // Forgets a handle; true when it was known.
  bool Remove(std::uint32_t handle) {
    std::shared_ptr<Session> doomed;  // released outside the lock
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(handle);
    if (it == sessions_.end()) return false;
    doomed = std::move(it->second);
    sessions_.erase(it);
    return true;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::uint32_t, std::shared_ptr<Session>> sessions_;
  std::uint32_t next_ = 1;
};
