#include "bench/ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

// How often the log and the child are looked at while waiting. The figures come from the
// times in the log, not from when the benchmark noticed them.
constexpr std::chrono::milliseconds kPollInterval(5);
constexpr int kExecFailed = 127;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

ProgramRun::ProgramRun(const std::string& folder)
    : logPath_(folder + "/events.log"), outputPath_(folder + "/output.txt") {}

ProgramRun::~ProgramRun() {
  if (Running()) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

bool ProgramRun::Start(const std::string& program, const std::vector<std::string>& args) {
  std::map<std::string, std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::size_t eq = text.find('=');
    if (eq != std::string::npos) env[text.substr(0, eq)] = text.substr(eq + 1);
  }
  env["XJ_EVENT_LOG"] = logPath_;
  for (const auto& [name, value] : env_) env[name] = value;
  std::vector<std::string> envText;
  for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
  std::vector<std::string> argText{program};
  argText.insert(argText.end(), args.begin(), args.end());
  // Everything the child needs is built before the fork.
  std::vector<char*> argv;
  for (std::string& text : argText) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& text : envText) envp.push_back(text.data());
  envp.push_back(nullptr);

  const int out = open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  startSeconds_ = MonotonicSeconds();
  const pid_t pid = fork();
  if (pid == 0) {
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(kExecFailed);
  }
  if (out >= 0) close(out);
  if (devNull >= 0) close(devNull);
  if (pid < 0) return false;
  pid_ = pid;
  exitCode_ = -1;
  peakKiB_ = 0;
  return true;
}

std::vector<plat::EventLine> ProgramRun::Events() const {
  std::vector<plat::EventLine> events;
  std::istringstream in(ReadAll(logPath_));
  for (std::string line; std::getline(in, line);) {
    if (std::optional<plat::EventLine> parsed = plat::ParseEventLine(line)) events.push_back(std::move(*parsed));
  }
  return events;
}

std::optional<plat::EventLine> ProgramRun::WaitForEvent(const std::string& name, int timeoutMs, double after,
                                                        const std::optional<std::string>& firstField) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    // The child may log its last event and end between two looks: one more look after it
    // ended.
    const bool running = Running();
    for (plat::EventLine& event : Events()) {
      if (event.name != name || event.seconds < after) continue;
      if (firstField && (event.fields.empty() || event.fields[0] != *firstField)) continue;
      return std::move(event);
    }
    if (!running || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kPollInterval);
  }
}

bool ProgramRun::Running() {
  if (pid_ <= 0 || exitCode_ >= 0) return false;
  int status = 0;
  rusage usage{};
  const pid_t done = wait4(pid_, &status, WNOHANG, &usage);
  if (done == 0) return true;
  if (done == pid_) {
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    peakKiB_ = usage.ru_maxrss;
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    cpuSeconds_ = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  }
  return false;
}

int ProgramRun::Terminate(int timeoutMs) {
  if (Running()) kill(pid_, SIGTERM);
  return Wait(timeoutMs);
}

int ProgramRun::Wait(int timeoutMs) {
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

std::string ProgramRun::Output() const { return ReadAll(outputPath_); }

double ProgramRun::CpuSeconds() {
  if (!Running()) return cpuSeconds_;
  // The first number of each thread's schedstat: nanoseconds on a processor.
  double total = 0;
  const std::string tasks = "/proc/" + std::to_string(pid_) + "/task";
  std::error_code ec;
  for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream in(task.path() / "schedstat");
    double ns = 0;
    if (in >> ns) total += ns / 1e9;
  }
  return total;
}

int RunInChildProcess(const std::function<int()>& work) {
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) _exit(work() & 0xFF);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
