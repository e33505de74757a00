#pragma once
// Runs a program as a child process of a benchmark, with an event log of its own
// (XJ_EVENT_LOG, see platform/ui/EventLog.h), and reads what it logged. The time the
// child was started and the events' times are readings of the same monotonic clock, so
// their differences are the waits a user sees. When the child has ended, its peak
// memory (the kernel's resident set high-water mark) is known.
//
// The child inherits the benchmark's environment (its private folders, see BenchEnv.h)
// plus what SetEnv adds. Threads: one thread drives one ProgramRun.
#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/EventLog.h"
#include "tests/support/ChildProcess.h"

// Seconds of the monotonic clock (CLOCK_MONOTONIC), the clock of the event log.
double MonotonicSeconds();

class ProgramRun {
 public:
  // The child's event log and its output file go into folder.
  explicit ProgramRun(const std::string& folder);
  ~ProgramRun() = default;  // kills a child still running
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }

  // Starts program with the arguments; StartSeconds() is the clock just before the fork.
  bool Start(const std::string& program, const std::vector<std::string>& args);
  double StartSeconds() const { return child_.StartSeconds(); }

  // Waits until the log holds an event named name, logged at or after `after` and, when
  // firstField is given, with that first field. Nothing when the child ended or the
  // time ran out first.
  std::optional<plat::EventLine> WaitForEvent(const std::string& name, int timeoutMs, double after = 0,
                                              const std::optional<std::string>& firstField = std::nullopt);
  std::vector<plat::EventLine> Events() const;

  // Asks the child to end (SIGTERM) and waits for it. Its exit code, 128 + signal, or
  // -1 when it did not end in time (it is then killed).
  int Terminate(int timeoutMs);
  // Waits for the child to end: its exit code, 128 + signal, or -1 as above.
  int Wait(int timeoutMs);
  // The child's peak resident memory in KiB, once it has ended; 0 before.
  long PeakKiB() const { return child_.PeakKiB(); }
  // The processor time the child has used so far, all its threads together: from the
  // scheduler's counters while it runs, from its resource usage once it has ended.
  double CpuSeconds();
  // The child's output (standard output and error), for error messages.
  std::string Output() const;

 private:
  std::map<std::string, std::string> env_;
  std::string logPath_;
  std::string outputPath_;
  ChildProcess child_;
};

// Runs work in a forked child process of its own (so that what it loads and where the
// environment points stay out of the benchmark) and returns work's result, or -1 when
// the child could not run or crashed. Call it while the process has no other threads.
int RunInChildProcess(const std::function<int()>& work);
