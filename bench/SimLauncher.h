#pragma once
// Runs the printer simulator (xjk52-sim) as a child process for a benchmark: listening
// on a loopback TCP port (a free one unless told otherwise) and, when asked, on a
// pseudo-terminal, its standard input and output connected to pipes.
//
// Threads: one thread (the benchmark's main thread) starts and stops it.
#include <string>
#include <sys/types.h>
#include <vector>

class SimLauncher {
 public:
  SimLauncher() = default;
  ~SimLauncher();  // stops the simulator
  SimLauncher(const SimLauncher&) = delete;
  SimLauncher& operator=(const SimLauncher&) = delete;

  // Starts executable with "--tcp 127.0.0.1:<tcpPort>" (0: a free port) and the extra
  // arguments, and waits up to timeoutMs for its "ready" line. True with Port() (and
  // PtyPath() when it opened one) set once it is ready; otherwise the child is stopped
  // and false returned (the reason in Error()).
  bool Start(const std::string& executable, int timeoutMs, const std::vector<std::string>& extraArgs = {},
             int tcpPort = 0);
  // Asks the simulator to quit, then SIGTERM, then SIGKILL, and reaps it. Nothing when
  // none runs.
  void Stop();

  // Sends one control command (sim/README.md) and returns the reply line; empty when
  // none came within timeoutMs.
  std::string Control(const std::string& command, int timeoutMs);

  int Port() const { return port_; }
  const std::string& PtyPath() const { return ptyPath_; }
  // A counter of the "status" reply ("bytesin", "bytesout" ...), -1 when missing.
  long Counter(const std::string& name, int timeoutMs);
  const std::string& Error() const { return error_; }

 private:
  bool ReadLine(std::string& line, int timeoutMs);

  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  int port_ = 0;
  std::string ptyPath_;
  std::string buffered_;
  std::string error_;
};
