#include "tests/e2e/AppProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <optional>
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
  errorPath_ = folder_ + "/errors.txt";
  env_["QT_QPA_PLATFORM"] = "offscreen";
  env_["XJ_EVENT_LOG"] = logPath_;
  env_["XJ_MESSAGE_BOX_ANSWER"] = "ok";
}

AppProcess::~AppProcess() = default;

bool AppProcess::Start(const std::vector<std::string>& args, const std::string& program) {
  return child_.Start(program, args, env_, outputPath_, separateErrors_ ? errorPath_ : std::string());
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

bool AppProcess::Running() { return child_.Running(); }

void AppProcess::Terminate() { child_.Signal(SIGTERM); }

int AppProcess::WaitForExit(int timeoutMs) { return child_.Wait(timeoutMs); }

void AppProcess::UseHand() {
  handPath_ = folder_ + "/hand.sock";
  env_["QT_PLUGIN_PATH"] = XJ_TEST_QT_PLUGIN_DIR;
  env_["QT_QPA_GENERIC_PLUGINS"] = "xjtesthand";
  env_["XJ_TEST_HAND_SOCKET"] = handPath_;
}

std::string AppProcess::Hand(const std::string& command, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const auto remainingMs = [&] {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
  };
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (handPath_.empty() || handPath_.size() >= sizeof address.sun_path) return {};
  std::strcpy(address.sun_path, handPath_.c_str());
  // The hand listens once the program's application object exists.
  int fd = -1;
  while (fd < 0) {
    fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
    close(fd);
    fd = -1;
    if (remainingMs() == 0 || !Running()) return {};
    std::this_thread::sleep_for(kPollInterval);
  }
  const std::string line = command + "\n";
  std::string answer;
  if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, remainingMs()) <= 0) break;
      char data[512];
      const ssize_t n = read(fd, data, sizeof data);
      if (n <= 0) break;
      answer.append(data, static_cast<std::size_t>(n));
      if (answer.find('\n') != std::string::npos) break;
    }
  }
  close(fd);
  const std::size_t end = answer.find('\n');
  return end == std::string::npos ? std::string() : answer.substr(0, end);
}

std::string AppProcess::Output() const { return testenv::ReadFile(outputPath_); }

std::string AppProcess::ErrorOutput() const { return testenv::ReadFile(errorPath_); }

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
