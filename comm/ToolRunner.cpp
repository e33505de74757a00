#include "comm/ToolRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/Text.h"

extern char** environ;

namespace {

// Exit code of the intermediate process of OpenDetached when its child could not be
// started.
constexpr int kDetachFailed = 127;

int WaitForExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// The full path of a program name found on PATH; empty when there is none.
std::string FindOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  const std::string folders = path != nullptr ? path : "";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t colon = folders.find(':', start);
    if (colon == std::string::npos) colon = folders.size();
    const std::string folder = folders.substr(start, colon - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = colon + 1;
  }
  return {};
}

}  // namespace

ToolRunner::~ToolRunner() { Join(); }

bool ToolRunner::RunAndWait(const std::u16string& path) {
  const std::string program = plat::ToUtf8(path);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  WaitForExit(pid);
  return true;
}

bool ToolRunner::OpenDetached(const std::u16string& path) {
  const std::string file = plat::ToUtf8(path);
  std::string program = file;
  std::string argument;
  if (::access(file.c_str(), X_OK) != 0) {
    program = FindOnPath(kDesktopOpener);
    if (program.empty()) return false;
    argument = file;
  }
  char* argv[] = {const_cast<char*>(program.c_str()), argument.empty() ? nullptr : const_cast<char*>(argument.c_str()),
                  nullptr};
  // An intermediate process starts the tool and ends at once: the tool then belongs to
  // the system, and this program reaps only the intermediate process. A failed exec is
  // told through a pipe that a successful exec closes. Between fork and exec only
  // async-signal-safe calls are made.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t middle = ::fork();
  if (middle < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (middle == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t tool = ::fork();
    if (tool < 0) ::_exit(kDetachFailed);
    if (tool == 0) {
      ::execve(program.c_str(), argv, environ);
      const int error = errno;
      if (::write(report[1], &error, sizeof error) < 0) ::_exit(kDetachFailed);
      ::_exit(kDetachFailed);
    }
    ::_exit(0);
  }
  ::close(report[1]);
  int error = 0;
  ssize_t got;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  const int status = WaitForExit(middle);
  return got == 0 && status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ToolRunner::Start(const std::u16string& path, std::function<void()> started,
                       std::function<void(bool)> ended) {
  Join();
  launched_ = false;
  try {
    worker_ = std::thread([this, path, started = std::move(started), ended = std::move(ended)] {
      if (started) started();
      const bool launched = RunAndWait(path);
      launched_ = launched;
      if (ended) ended(launched);
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void ToolRunner::Join() {
  if (worker_.joinable()) worker_.join();
}
