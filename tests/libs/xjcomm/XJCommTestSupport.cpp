#include "tests/libs/xjcomm/XJCommTestSupport.h"

#include <chrono>
#include <filesystem>

#include "platform/Text.h"

namespace {

constexpr auto kGenerousWait = std::chrono::seconds(20);

}  // namespace

std::int32_t ProcRecorder::Proc(std::uint32_t value, void* context) {
  auto* self = static_cast<ProcRecorder*>(context);
  {
    std::lock_guard<std::mutex> guard(self->mutex_);
    self->values_.push_back(value);
  }
  self->changed_.notify_all();
  if (self->onCall) self->onCall(value);
  return 0;
}

bool ProcRecorder::WaitForLast(std::uint32_t value) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, kGenerousWait,
                           [&] { return !values_.empty() && values_.back() == value; });
}

bool ProcRecorder::WaitForCount(std::size_t n) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, kGenerousWait, [&] { return values_.size() >= n; });
}

std::vector<std::uint32_t> ProcRecorder::Values() {
  std::lock_guard<std::mutex> guard(mutex_);
  return values_;
}

int ThreadCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}
