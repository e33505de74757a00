#pragma once
// Helpers shared by the tests that load XJComm.so: a recorder for status and battery
// procedures, and a count of this process's threads. (Port records: tests/support.)
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/PortRecords.h"

// Collects the values a procedure is called with; waits are bounded (a failing test
// ends instead of hanging) but never decide a result by timing alone.
class ProcRecorder {
 public:
  static std::int32_t Proc(std::uint32_t value, void* context);

  // Waits until the last value received is `value`.
  bool WaitForLast(std::uint32_t value);
  // Waits until at least n values were received.
  bool WaitForCount(std::size_t n);
  std::vector<std::uint32_t> Values();
  // Called from inside the procedure after the value was recorded.
  std::function<void(std::uint32_t)> onCall;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::uint32_t> values_;
};

// Threads of this process now.
int ThreadCount();
