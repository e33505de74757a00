#include "tests/e2e/AppProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

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

AppProcess::~AppProcess() = default;

bool AppProcess::Start(const std::vector<std::string>& args, const std::string& program) {
  return child_.Start(program, args, env_, outputPath_);
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
