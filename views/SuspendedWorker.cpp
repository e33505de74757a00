#include "views/SuspendedWorker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace {
constexpr int kLowestNice = 19;
}  // namespace

SuspendedWorker::SuspendedWorker() = default;

SuspendedWorker::~SuspendedWorker() {
  {
    std::lock_guard lock(mutex_);
    if (gate_ == Gate::Closed) gate_ = Gate::Aborted;
  }
  cv_.notify_all();
  Join();
}

bool SuspendedWorker::Start(Procedure procedure, Finished finished) {
  if (started_) return false;
  try {
    thread_ = std::thread(&SuspendedWorker::Run, this, std::move(procedure), std::move(finished));
    started_ = true;
  } catch (const std::system_error&) {
    return false;
  }
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [this] { return waiting_; });
  return true;
}

void SuspendedWorker::Run(Procedure procedure, Finished finished) {
  bool aborted = false;
  {
    std::unique_lock lock(mutex_);
    tid_ = gettid();
    waiting_ = true;
    cv_.notify_all();
    cv_.wait(lock, [this] { return gate_ != Gate::Closed; });
    aborted = gate_ == Gate::Aborted;
    if (aborted) {
      exitCode_ = abortCode_;
      hasExitCode_ = true;
    }
  }
  if (!aborted && procedure) {
    try {
      const std::int32_t result = procedure();
      std::lock_guard lock(mutex_);
      exitCode_ = result;
      hasExitCode_ = true;
    } catch (...) {
      // A procedure that throws has no exit code; the owner reports the job as failed.
    }
  }
  if (finished) finished();
  done_.Set();
}

void SuspendedWorker::LowerPriority() {
  if (tid_ == 0) return;
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(tid_));
  if (current == -1 && errno != 0) return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(tid_), std::min(current + kBelowNormalNiceStep, kLowestNice));
}

int SuspendedWorker::Resume() {
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable() || gate_ != Gate::Closed) return 0;
    gate_ = Gate::Open;
  }
  cv_.notify_all();
  return 1;
}

void SuspendedWorker::Terminate(std::int32_t exitCode) {
  {
    std::lock_guard lock(mutex_);
    if (gate_ != Gate::Closed) return;
    abortCode_ = exitCode;
    gate_ = Gate::Aborted;
  }
  cv_.notify_all();
}

bool SuspendedWorker::GetExitCode(std::int32_t& code) const {
  if (!done_.IsSet()) return false;
  std::lock_guard lock(mutex_);
  if (!hasExitCode_) return false;
  code = exitCode_;
  return true;
}

void SuspendedWorker::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}
