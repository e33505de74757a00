#include "bench/ProgramRun.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// How often the log and the child are looked at while waiting. The figures come from the
// times in the log, not from when the benchmark noticed them.
constexpr std::chrono::milliseconds kPollInterval(5);

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

bool ProgramRun::Start(const std::string& program, const std::vector<std::string>& args) {
  std::map<std::string, std::string> env = env_;
  env["XJ_EVENT_LOG"] = logPath_;
  return child_.Start(program, args, env, outputPath_);
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
    const bool running = child_.Running();
    for (plat::EventLine& event : Events()) {
      if (event.name != name || event.seconds < after) continue;
      if (firstField && (event.fields.empty() || event.fields[0] != *firstField)) continue;
      return std::move(event);
    }
    if (!running || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kPollInterval);
  }
}

int ProgramRun::Terminate(int timeoutMs) {
  child_.Signal(SIGTERM);
  return child_.Wait(timeoutMs);
}

int ProgramRun::Wait(int timeoutMs) { return child_.Wait(timeoutMs); }

std::string ProgramRun::Output() const { return ReadAll(outputPath_); }

double ProgramRun::CpuSeconds() {
  if (!child_.Running()) return child_.CpuSeconds();
  // The first number of each thread's schedstat: nanoseconds on a processor.
  double total = 0;
  const std::string tasks = "/proc/" + std::to_string(child_.Pid()) + "/task";
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
