#include "comm/ToolRunner.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>

#include "platform/Text.h"

extern char** environ;

ToolRunner::~ToolRunner() { Join(); }

bool ToolRunner::RunAndWait(const std::u16string& path) {
  const std::string program = plat::ToUtf8(path);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

bool ToolRunner::Start(const std::u16string& path, std::function<void()> started,
                       std::function<void(bool)> ended) {
  Join();
  try {
    worker_ = std::thread([path, started = std::move(started), ended = std::move(ended)] {
      if (started) started();
      const bool launched = RunAndWait(path);
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
