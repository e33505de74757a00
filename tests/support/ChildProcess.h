#pragma once
// A program run as a child process by a test or a benchmark: its environment is the
// parent's with some variables set or replaced, its standard input /dev/null, its
// standard output and error go into a file (or two). It is reaped with its resource usage, so
// that its peak memory and processor time are known once it has ended.
//
// Threads: one thread drives one object.
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // kills and reaps a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts program with the arguments; env sets or replaces variables of this process's
  // environment; the output goes to outputPath (replaced), standard error to errorPath
  // when one is given. False when it could not be forked (a program that cannot be
  // executed ends at once with exit code 127).
  bool Start(const std::string& program, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env, const std::string& outputPath,
             const std::string& errorPath = {});

  // Whether the child still runs (reaps it once it has ended).
  bool Running();
  // Sends a signal to the running child.
  void Signal(int signal);
  // Waits for the child to end: its exit code, 128 + the signal that ended it, or -1
  // when it did not end within timeoutMs (it is then killed).
  int Wait(int timeoutMs);

  pid_t Pid() const { return pid_; }
  // The exit code (as Wait gives it) once the child has ended, -1 before.
  int ExitCode() const { return exitCode_; }
  // Seconds of the monotonic clock just before the fork.
  double StartSeconds() const { return startSeconds_; }
  // Once the child has ended: its peak resident memory in KiB and the processor time of
  // all its threads in seconds; 0 before.
  long PeakKiB() const { return peakKiB_; }
  double CpuSeconds() const { return cpuSeconds_; }

 private:
  pid_t pid_ = -1;
  int exitCode_ = -1;
  double startSeconds_ = 0;
  long peakKiB_ = 0;
  double cpuSeconds_ = 0;
};
