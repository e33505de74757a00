#include "tests/support/SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kQuitWaitMs = 5000;
constexpr int kTermWaitMs = 2000;
constexpr int kExecFailed = 127;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Writes all of `text`; a child that has gone away gives false, never a SIGPIPE that
// would end the test process.
bool WriteAll(int fd, const std::string& text) {
  sigset_t pipeSet;
  sigset_t old;
  sigemptyset(&pipeSet);
  sigaddset(&pipeSet, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
  sigset_t pendingBefore;
  sigpending(&pendingBefore);
  const bool wasPending = sigismember(&pendingBefore, SIGPIPE) == 1;
  bool ok = true;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      if (errno == EPIPE && !wasPending) {
        const timespec zero{0, 0};
        sigtimedwait(&pipeSet, nullptr, &zero);  // take back the SIGPIPE this write raised
      }
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return ok;
}

// Waits up to timeoutMs for the child to end and reaps it; true with its status when it did.
bool WaitForExit(pid_t pid, int timeoutMs, int& status) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (pidfd >= 0) close(pidfd);
      return true;
    }
    if (done < 0 && errno != EINTR) {  // not our child any more: nothing to wait for
      if (pidfd >= 0) close(pidfd);
      status = -1;
      return true;
    }
    const int left = RemainingMs(deadline);
    if (left == 0) break;
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      poll(&p, 1, left);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 10)));
    }
  }
  if (pidfd >= 0) close(pidfd);
  return false;
}

int DecodeStatus(int status) {
  if (status < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

SimProcess::SimProcess() : SimProcess(Options{}) {}

SimProcess::SimProcess(Options options) : options_(std::move(options)) {}

SimProcess::~SimProcess() { Stop(); }

std::string SimProcess::ExecutablePath() {
  if (const char* path = std::getenv("XJ_SIM_PATH"); path != nullptr && *path != '\0') return path;
#ifdef XJ_SIM_PATH
  return XJ_SIM_PATH;
#else
  return "xjk52-sim";
#endif
}

std::string SimProcess::TcpEndpoint() const { return tcpHost_ + ":" + std::to_string(tcpPort_); }

bool SimProcess::Start(int timeoutMs) {
  if (pid_ > 0) return Running();
  buffered_.clear();
  tcpHost_.clear();
  tcpPort_ = 0;
  ptyPath_.clear();
  exitCode_ = -1;

  std::vector<std::string> args{ExecutablePath()};
  if (options_.tcp) {
    args.push_back("--tcp");
    args.push_back(options_.tcpAddress + ":" + std::to_string(options_.tcpPort));
  }
  if (options_.pty) args.push_back("--pty");
  if (!options_.model.empty()) {
    args.push_back("--model");
    args.push_back(options_.model);
  }
  if (options_.deviceId >= 0) {
    args.push_back("--device-id");
    args.push_back(std::to_string(options_.deviceId));
  }
  if (!options_.statePath.empty()) {
    args.push_back("--state");
    args.push_back(options_.statePath);
  }
  if (!options_.printDir.empty()) {
    args.push_back("--print-dir");
    args.push_back(options_.printDir);
  }
  if (options_.restartDelayMs >= 0) {
    args.push_back("--restart-delay");
    args.push_back(std::to_string(options_.restartDelayMs));
  }
  args.insert(args.end(), options_.extraArgs.begin(), options_.extraArgs.end());
  // Everything the child needs is built before fork: between fork and exec only
  // async-signal-safe calls are allowed.
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const bool searchPath = args[0].find('/') == std::string::npos;

  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) return false;
  if (pipe2(fromChild, O_CLOEXEC) != 0) {
    close(toChild[0]);
    close(toChild[1]);
    return false;
  }
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
    return false;
  }
  if (pid == 0) {
    // The simulator dies with the thread that started it, so a crashed test leaves no orphan.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(kExecFailed);
    if (dup2(toChild[0], STDIN_FILENO) < 0 || dup2(fromChild[1], STDOUT_FILENO) < 0) _exit(kExecFailed);
    // Only stdin, stdout and stderr reach the simulator: no socket or file of the test.
    if (syscall(SYS_close_range, 3U, ~0U, 0U) != 0) {
      const long maxFd = sysconf(_SC_OPEN_MAX);
      for (long fd = 3; fd < maxFd; ++fd) close(static_cast<int>(fd));
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    if (searchPath) {
      execvp(argv[0], argv.data());
    } else {
      execv(argv[0], argv.data());
    }
    _exit(kExecFailed);
  }
  close(toChild[0]);
  close(fromChild[1]);
  pid_ = pid;
  toChild_ = toChild[1];
  fromChild_ = fromChild[0];

  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::string line = ReadLine(RemainingMs(deadline));
    if (line == "ready") return true;
    if (line.rfind("tcp ", 0) == 0) {
      if (tcpHost_.empty()) {  // the first TCP endpoint is the one tests talk to
        const std::string endpoint = line.substr(4);
        const auto colon = endpoint.rfind(':');
        if (colon != std::string::npos) {
          tcpHost_ = endpoint.substr(0, colon);
          tcpPort_ = std::atoi(endpoint.c_str() + colon + 1);
        }
      }
    } else if (line.rfind("pty ", 0) == 0) {
      ptyPath_ = line.substr(4);
    } else if (line.empty()) {
      break;  // no "ready" in time, or the simulator ended
    }
  }
  Stop();
  return false;
}

std::string SimProcess::ReadLine(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto newline = buffered_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffered_.substr(0, newline);
      buffered_.erase(0, newline + 1);
      return line;
    }
    if (fromChild_ < 0) return {};
    pollfd p{fromChild_, POLLIN, 0};
    const int ready = poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return {};
    char data[4096];
    const ssize_t n = read(fromChild_, data, sizeof data);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      close(fromChild_);  // the simulator has ended
      fromChild_ = -1;
      return {};
    }
    buffered_.append(data, static_cast<std::size_t>(n));
  }
}

std::string SimProcess::Control(const std::string& command, int timeoutMs) {
  if (pid_ <= 0 || toChild_ < 0) return {};
  if (!WriteAll(toChild_, command + "\n")) return {};
  return ReadLine(timeoutMs);
}

void SimProcess::CloseInput() {
  if (toChild_ >= 0) close(toChild_);
  toChild_ = -1;
}

bool SimProcess::WaitExited(int timeoutMs) {
  if (pid_ <= 0) return true;
  int status = -1;
  if (!WaitForExit(pid_, timeoutMs, status)) return false;
  exitCode_ = DecodeStatus(status);
  pid_ = -1;
  Stop();  // closes the pipes
  return true;
}

bool SimProcess::Running() const {
  if (pid_ <= 0) return false;
  siginfo_t info{};
  if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
  return info.si_pid == 0;
}

void SimProcess::Stop() {
  if (pid_ > 0) {
    int status = -1;
    bool ended = false;
    if (toChild_ >= 0) {
      WriteAll(toChild_, "quit\n");
      close(toChild_);  // end of input also ends a simulator without control socket
      toChild_ = -1;
      ended = WaitForExit(pid_, kQuitWaitMs, status);
    }
    if (!ended) {
      kill(pid_, SIGTERM);
      ended = WaitForExit(pid_, kTermWaitMs, status);
    }
    if (!ended) {
      kill(pid_, SIGKILL);
      while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
    exitCode_ = DecodeStatus(status);
    pid_ = -1;
  }
  if (toChild_ >= 0) close(toChild_);
  if (fromChild_ >= 0) close(fromChild_);
  toChild_ = -1;
  fromChild_ = -1;
  buffered_.clear();
}
