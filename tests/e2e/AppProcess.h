#pragma once
// Runs the real program (the installation folder's xjk52util) as a child process of an
// end-to-end test, on the offscreen platform, with an event log of its own and message
// boxes answered automatically, and reads what it logged.
//
// The child inherits the test process's private folders (see tests/support/TestEnv.h).
// Thread use: one test thread drives one AppProcess.
#include <sys/types.h>

#include <map>

#include "tests/support/ChildProcess.h"
#include <string>
#include <vector>

// One line of the event log: the event's name, its fields (unescaped) and when it was
// logged (seconds of the monotonic clock).
struct AppEvent {
  std::string name;
  std::vector<std::string> fields;
  double seconds = 0;
};

class AppProcess {
 public:
  // Generous limits for a program built with sanitizers on a busy machine.
  static constexpr int kStartTimeoutMs = 60000;
  static constexpr int kExitTimeoutMs = 60000;

  // The program of the build's installation folder.
  static std::string InstalledProgram();
  static std::string InstallationFolder();

  AppProcess();
  ~AppProcess();  // kills a child still running
  AppProcess(const AppProcess&) = delete;
  AppProcess& operator=(const AppProcess&) = delete;

  // Extra environment of the child (set before Start).
  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
  // "ok" unless set: the answer every message box gets.
  void SetMessageBoxAnswer(const std::string& answer) { env_["XJ_MESSAGE_BOX_ANSWER"] = answer; }

  // Loads the tests' hand into the program (tests/e2e/hand/TestHand.cpp); set before
  // Start. Hand() then sends it one command and returns its answer line, or an empty
  // text when the program did not answer within timeoutMs.
  void UseHand();
  std::string Hand(const std::string& command, int timeoutMs = 10000);

  // Starts program (default: the installed one) with the arguments.
  bool Start(const std::vector<std::string>& args, const std::string& program = InstalledProgram());

  // Waits until the log holds an event of that name; false when the child ended or the
  // time ran out first (without the event).
  bool WaitForEvent(const std::string& name, int timeoutMs = kStartTimeoutMs);
  // Every event logged so far, in order.
  std::vector<AppEvent> Events() const;
  // Index of the first event of that name, -1 when none.
  int IndexOf(const std::string& name) const;
  // The message boxes logged so far: their texts.
  std::vector<std::string> MessageBoxTexts() const;

  // Asks the child to end (SIGTERM) the way a session end would.
  void Terminate();
  // Waits for the child to end; its exit code, 128 + signal when a signal ended it, or
  // -1 when it did not end in time (it is then killed).
  int WaitForExit(int timeoutMs = kExitTimeoutMs);
  bool Running();
  pid_t Pid() const { return child_.Pid(); }
  // What the child wrote to standard output and error (for failure messages); only
  // standard output after SeparateErrorOutput.
  std::string Output() const;
  // Before Start: standard error goes apart from standard output (ErrorOutput).
  void SeparateErrorOutput() { separateErrors_ = true; }
  std::string ErrorOutput() const;
  const std::string& LogPath() const { return logPath_; }

 private:
  std::map<std::string, std::string> env_;
  std::string folder_;
  std::string logPath_;
  std::string outputPath_;
  std::string errorPath_;
  bool separateErrors_ = false;
  std::string handPath_;
  ChildProcess child_;
};

// Reads a free TCP port on 127.0.0.1 that nothing listens on (bound and released).
int UnusedLoopbackPort();
