#include "bench/SimLauncher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kTcpPrefix[] = "tcp 127.0.0.1:";
constexpr char kPtyPrefix[] = "pty ";
constexpr int kExecFailed = 127;
constexpr int kQuitWaitMs = 3000;
constexpr int kTermWaitMs = 2000;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Reaps pid within timeoutMs; true when it ended.
bool Reap(pid_t pid, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return true;
    if (RemainingMs(deadline) == 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

SimLauncher::~SimLauncher() { Stop(); }

bool SimLauncher::Start(const std::string& executable, int timeoutMs, const std::vector<std::string>& extraArgs,
                        int tcpPort) {
  if (pid_ > 0) return true;
  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return false;
  }
  if (pipe2(fromChild, O_CLOEXEC) != 0) {
    close(toChild[0]);
    close(toChild[1]);
    error_ = "pipe failed";
    return false;
  }
  // Everything the child needs is built before fork.
  std::vector<std::string> args{executable, "--tcp", "127.0.0.1:" + std::to_string(tcpPort)};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
    error_ = "fork failed";
    return false;
  }
  if (pid == 0) {
    // The simulator ends with the benchmark, even when the benchmark crashes.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(kExecFailed);
    if (dup2(toChild[0], STDIN_FILENO) < 0 || dup2(fromChild[1], STDOUT_FILENO) < 0) _exit(kExecFailed);
    execv(argv[0], argv.data());
    _exit(kExecFailed);
  }
  close(toChild[0]);
  close(fromChild[1]);
  pid_ = pid;
  toChild_ = toChild[1];
  fromChild_ = fromChild[0];

  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string line;
  while (ReadLine(line, RemainingMs(deadline))) {
    if (line.rfind(kTcpPrefix, 0) == 0) port_ = std::atoi(line.c_str() + sizeof(kTcpPrefix) - 1);
    if (line.rfind(kPtyPrefix, 0) == 0) ptyPath_ = line.substr(sizeof(kPtyPrefix) - 1);
    if (line == "ready") {
      if (port_ > 0) return true;
      error_ = "the simulator reported no TCP port";
      Stop();
      return false;
    }
  }
  error_ = "the simulator did not get ready: " + executable;
  Stop();
  return false;
}

void SimLauncher::Stop() {
  if (pid_ <= 0) return;
  // A simulator that has gone away must not end the benchmark through SIGPIPE.
  struct sigaction ignore {};
  struct sigaction old {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old);
  static constexpr char kQuit[] = "quit\n";
  [[maybe_unused]] const ssize_t sent = write(toChild_, kQuit, sizeof(kQuit) - 1);
  sigaction(SIGPIPE, &old, nullptr);
  close(toChild_);
  toChild_ = -1;
  if (!Reap(pid_, kQuitWaitMs)) {
    kill(pid_, SIGTERM);
    if (!Reap(pid_, kTermWaitMs)) {
      kill(pid_, SIGKILL);
      Reap(pid_, kTermWaitMs);
    }
  }
  close(fromChild_);
  fromChild_ = -1;
  pid_ = -1;
  port_ = 0;
  ptyPath_.clear();
}

long SimLauncher::Counter(const std::string& name, int timeoutMs) {
  const std::string status = Control("status", timeoutMs);
  const std::string key = " " + name + "=";
  const std::size_t at = status.find(key);
  if (at == std::string::npos) return -1;
  return std::strtol(status.c_str() + at + key.size(), nullptr, 10);
}

std::string SimLauncher::Control(const std::string& command, int timeoutMs) {
  if (pid_ <= 0) return {};
  const std::string line = command + "\n";
  std::size_t sent = 0;
  while (sent < line.size()) {
    const ssize_t n = write(toChild_, line.data() + sent, line.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return {};
    sent += static_cast<std::size_t>(n);
  }
  std::string reply;
  return ReadLine(reply, timeoutMs) ? reply : std::string();
}

bool SimLauncher::ReadLine(std::string& line, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::size_t end = buffered_.find('\n');
    if (end != std::string::npos) {
      line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return true;
    }
    pollfd p{fromChild_, POLLIN, 0};
    const int ready = poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char chunk[256];
    const ssize_t n = read(fromChild_, chunk, sizeof(chunk));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffered_.append(chunk, static_cast<std::size_t>(n));
  }
}
