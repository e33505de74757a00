#include "tests/e2e/AppProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "platform/ui/EventLog.h"
#include "tests/support/TestEnv.h"

namespace {
constexpr std::chrono::milliseconds kPollInterval(50);
}  // namespace

std::string AppProcess::InstallationFolder() { return XJ_DIST_DIR; }
std::string AppProcess::InstalledProgram() { return InstallationFolder() + "/xjk52util"; }

AppProcess::AppProcess() {
  folder_ = testenv::MakeTempDir("app");
  logPath_ = folder_ + "/events.log";
  outputPath_ = folder_ + "/output.txt";
  env_["QT_QPA_PLATFORM"] = "offscreen";
  env_["XJ_EVENT_LOG"] = logPath_;
  env_["XJ_MESSAGE_BOX_ANSWER"] = "ok";
}

AppProcess::~AppProcess() {
  if (pid_ > 0 && exitCode_ < 0) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

bool AppProcess::Start(const std::vector<std::string>& args, const std::string& program) {
  // Everything the child needs is prepared here: after fork it only redirects and execs.
  std::vector<std::string> argvText{program};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& text : argvText) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> envText;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    if (env_.count(name) == 0) envText.push_back(text);
  }
  for (const auto& [name, value] : env_) envText.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& text : envText) envp.push_back(text.data());
  envp.push_back(nullptr);

  const int out = open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t pid = fork();
  if (pid == 0) {
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  if (out >= 0) close(out);
  if (devNull >= 0) close(devNull);
  if (pid < 0) return false;
  pid_ = pid;
  exitCode_ = -1;
  return true;
}

std::vector<AppEvent> AppProcess::Events() const {
  std::vector<AppEvent> events;
  std::istringstream in(testenv::ReadFile(logPath_));
  for (std::string line; std::getline(in, line);) {
    std::optional<plat::EventLine> parsed = plat::ParseEventLine(line);
    if (!parsed) continue;
    events.push_back(AppEvent{std::move(parsed->name), std::move(parsed->fields), parsed->seconds});
  }
  return events;
}

int AppProcess::IndexOf(const std::string& name) const {
  const std::vector<AppEvent> events = Events();
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::string> AppProcess::MessageBoxTexts() const {
  std::vector<std::string> texts;
  for (const AppEvent& event : Events()) {
    if (event.name == "messagebox" && event.fields.size() >= 2) texts.push_back(event.fields[1]);
  }
  return texts;
}

bool AppProcess::WaitForEvent(const std::string& name, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (IndexOf(name) >= 0) return true;
    if (!Running()) return IndexOf(name) >= 0;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

bool AppProcess::Running() {
  if (pid_ <= 0 || exitCode_ >= 0) return false;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done == 0) return true;
  if (done == pid_) {
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return false;
}

void AppProcess::Terminate() {
  if (Running()) kill(pid_, SIGTERM);
}

int AppProcess::WaitForExit(int timeoutMs) {
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

std::string AppProcess::Output() const { return testenv::ReadFile(outputPath_); }

int UnusedLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}
