#pragma once
// Starts the printer simulator (xjk52-sim) as a child process of a test and talks to its
// control channel (the simulator's standard input and output).
//
// Simulator command line (see sim/README.md):
//   xjk52-sim [--tcp ADDR:PORT]... [--pty] [--state FILE] [--model NAME] [--device-id N]
//             [--serial TEXT] [--firmware TEXT] [--maker TEXT] [--battery 0-6]
//             [--fonts TEXT] [--power ac|battery] [--restart-delay MS] [--control SOCKET]
//             [--print-dir DIR]
// When ready it prints one line per endpoint ("tcp 127.0.0.1:40123", "pty /dev/pts/7")
// and then "ready". Control commands, one per line, each answered by one line "ok ..."
// or "error: ...": cover open|closed, paper ok|near-end|end, cutter error|ok,
// fatal on|off, recoverable on|off, autorecoverable on|off, feed on|off, drawer high|low,
// battery 0-6, power ac|battery, offline on|off, slow MS, garbage on|off, silent on|off,
// model NAME, deviceid N, drop, factory, after N COMMAND|off, status, help, quit.
//
// Thread use: one test thread drives one SimProcess; Control() and Stop() must not be
// called from two threads at once.
#include <string>
#include <sys/types.h>
#include <vector>

class SimProcess {
 public:
  struct Options {
    bool tcp = true;
    std::string tcpAddress = "127.0.0.1";  // loopback only
    int tcpPort = 0;                       // 0: a free port
    bool pty = false;
    std::string model;                     // empty: the simulator's default "XJ-K52II"
    int deviceId = -1;                     // -1: the default 144
    std::string statePath;                 // empty: settings are not kept
    std::string printDir;                  // empty: nothing printed is recorded (PrintJournal.h)
    std::vector<std::string> extraArgs;
    int restartDelayMs = -1;               // -1: the simulator's default (300 ms)
  };

  SimProcess();
  explicit SimProcess(Options options);
  ~SimProcess();  // stops the process
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the simulator; true once it reported "ready" within timeoutMs. When it does
  // not, the process is stopped and reaped before Start returns (see ExitCode()).
  // Start after Stop runs a new simulator process (a new free port unless one is set).
  // The simulator is killed when the thread that called Start ends, so start it from
  // the thread that lives as long as the test (normally the test's main thread).
  bool Start(int timeoutMs = 15000);
  // Ends the simulator (quit, then SIGTERM/SIGKILL if it does not go) and waits for it.
  void Stop();
  bool Running() const;
  // Closes the simulator's standard input (end of file there). Without a --control
  // socket that ends the simulator; Control() answers nothing afterwards.
  void CloseInput();
  // Waits up to timeoutMs for the simulator to end by itself; true (and reaped, see
  // ExitCode()) when it did or none was running.
  bool WaitExited(int timeoutMs);
  // Exit code of the last simulator process after it ended (128 + signal number when a
  // signal ended it); -1 while it runs or before it ever ran.
  int ExitCode() const { return exitCode_; }
  // Process id of the running simulator, -1 when none runs (for signal tests).
  pid_t Pid() const { return pid_; }

  const std::string& TcpHost() const { return tcpHost_; }
  int TcpPort() const { return tcpPort_; }
  std::string TcpEndpoint() const;         // "127.0.0.1:40123"
  const std::string& PtyPath() const { return ptyPath_; }

  // Sends one control command and returns the simulator's reply line (without newline);
  // an empty text when the simulator did not answer within timeoutMs.
  std::string Control(const std::string& command, int timeoutMs = 5000);

  // Path of the simulator executable the tests use.
  static std::string ExecutablePath();

 private:
  std::string ReadLine(int timeoutMs);

  Options options_;
  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  std::string buffered_;
  std::string tcpHost_;
  int tcpPort_ = 0;
  std::string ptyPath_;
  int exitCode_ = -1;
};
