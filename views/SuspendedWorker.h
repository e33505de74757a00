#pragma once
// SuspendedWorker: a worker thread that is created waiting at a gate and runs its
// procedure only once it is resumed, so its owner can prepare everything the procedure
// will use (priority, events, the progress window) first. Its "thread handle" is an
// event that becomes signalled when the thread function has returned.
//
// Threads: the owner (one thread, normally the user-interface thread) calls every
// member; the worker thread only runs the procedure. The destructor lets a thread that
// is still waiting go without running the procedure and joins it.
#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/Sync.h"

class SuspendedWorker {
 public:
  using Procedure = std::function<std::int32_t()>;
  // Called on the worker thread right before the done event is set.
  using Finished = std::function<void()>;

  // How much the nice value rises for a below-normal priority.
  static constexpr int kBelowNormalNiceStep = 2;

  SuspendedWorker();
  ~SuspendedWorker();
  SuspendedWorker(const SuspendedWorker&) = delete;
  SuspendedWorker& operator=(const SuspendedWorker&) = delete;

  // Creates the thread, which waits at its gate. Returns false when the thread could
  // not be created or Start was called before. Returns once the thread's id is known.
  bool Start(Procedure procedure, Finished finished = {});

  // Gives the thread a below-normal priority (a higher nice value for its thread id).
  // Failures are ignored: the job then runs at normal priority.
  void LowerPriority();

  // Lets a waiting thread run its procedure. Returns the previous suspend count: 1 when
  // the thread was waiting at its gate, 0 when it was not started or already let go.
  int Resume();

  // A thread still waiting at its gate ends with exitCode without running the
  // procedure. A thread that already runs is not affected.
  void Terminate(std::int32_t exitCode);

  // Signalled when the thread function has returned.
  plat::Event& Done() { return done_; }

  // The exit code once the thread has ended: the procedure's result, or the code given
  // to Terminate. False while the thread runs, before Start, and when the procedure
  // ended by an exception.
  bool GetExitCode(std::int32_t& code) const;

  // The kernel id of the thread, 0 before Start.
  pid_t ThreadId() const { return tid_; }

  // Waits for the thread function to return (no effect without a thread).
  void Join();

 private:
  enum class Gate { Closed, Open, Aborted };
  void Run(Procedure procedure, Finished finished);

  std::thread thread_;
  bool started_ = false;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  Gate gate_ = Gate::Closed;
  bool waiting_ = false;
  pid_t tid_ = 0;
  std::int32_t abortCode_ = 0;
  std::int32_t exitCode_ = 0;
  bool hasExitCode_ = false;
  plat::Event done_{true, false};
};
