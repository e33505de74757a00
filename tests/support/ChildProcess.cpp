#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

extern char** environ;

namespace {

constexpr std::chrono::milliseconds kPollInterval(5);
constexpr int kExecFailed = 127;

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

}  // namespace

ChildProcess::~ChildProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env, const std::string& outputPath,
                         const std::string& errorPath) {
  // Everything the child needs is prepared here: after the fork it only redirects and
  // executes.
  std::vector<std::string> argvText{program};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& text : argvText) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> envText;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (env.count(text.substr(0, text.find('='))) == 0) envText.push_back(text);
  }
  for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& text : envText) envp.push_back(text.data());
  envp.push_back(nullptr);

  const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int errors = errorPath.empty() ? out : open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  startSeconds_ = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
  const pid_t pid = fork();
  if (pid == 0) {
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(errors >= 0 ? errors : out, STDERR_FILENO);
    }
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(kExecFailed);
  }
  if (out >= 0) close(out);
  if (errors >= 0 && errors != out) close(errors);
  if (devNull >= 0) close(devNull);
  if (pid < 0) return false;
  pid_ = pid;
  exitCode_ = -1;
  peakKiB_ = 0;
  cpuSeconds_ = 0;
  return true;
}

bool ChildProcess::Running() {
  if (pid_ <= 0 || exitCode_ >= 0) return false;
  int status = 0;
  rusage usage{};
  const pid_t done = wait4(pid_, &status, WNOHANG, &usage);
  if (done == 0) return true;
  if (done == pid_) {
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    peakKiB_ = usage.ru_maxrss;
    cpuSeconds_ = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  }
  return false;
}

void ChildProcess::Signal(int signal) {
  if (Running()) kill(pid_, signal);
}

int ChildProcess::Wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      int status = 0;
      waitpid(pid_, &status, 0);
      exitCode_ = 128 + SIGKILL;
      return -1;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return exitCode_;
}
