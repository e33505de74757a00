#include "tests/e2e/PrintServer.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/e2e/AppProcess.h"
#include "tests/support/TestEnv.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr char kCupsd[] = "/usr/sbin/cupsd";
constexpr char kSystemServerBin[] = "/usr/lib/cups";
constexpr int kStartTimeoutMs = 30000;
constexpr int kStopTimeoutMs = 10000;

// Folders the scheduler's filters (run as the unprivileged print user when the test
// runs as root) must be able to pass through.
void OpenForFilters(const std::string& path, fs::perms perms) {
  std::error_code ignored;
  fs::permissions(path, perms, fs::perm_options::replace, ignored);
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& outputFile) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

PrintServer::PrintServer() = default;

PrintServer::~PrintServer() { Stop(); }

bool PrintServer::Start(const std::string& filterPath) {
  if (access(kCupsd, X_OK) != 0) {
    problem_ = std::string(kCupsd) + " is not installed (Debian package cups)";
    return false;
  }
  folder_ = testenv::MakeTempDir("cups");
  socket_ = folder_ + "/cups.sock";
  const bool root = geteuid() == 0;
  const fs::perms open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                         fs::perms::others_read | fs::perms::others_exec;
  const fs::perms shared = fs::perms::all | fs::perms::sticky_bit;
  OpenForFilters(testenv::Root(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  for (const char* sub : {"etc", "etc/ppd", "bin", "bin/filter", "bin/backend", "bin/daemon", "spool", "cache", "state",
                          "log"}) {
    fs::create_directories(folder_ + "/" + sub);
    OpenForFilters(folder_ + "/" + sub, open);
  }
  OpenForFilters(folder_, open);
  fs::create_directories(folder_ + "/spool/tmp");
  OpenForFilters(folder_ + "/spool/tmp", shared);
  // The driver's filter runs among the machine's filters; the jobs go out through the
  // machine's socket backend (the lpd backend is there for a queue that is never printed to).
  std::error_code ignored;
  for (const fs::directory_entry& entry : fs::directory_iterator(std::string(kSystemServerBin) + "/filter", ignored))
    fs::create_symlink(entry.path(), folder_ + "/bin/filter/" + entry.path().filename().string(), ignored);
  fs::create_symlink(filterPath, folder_ + "/bin/filter/" + fs::path(filterPath).filename().string(), ignored);
  for (const char* backend : {"socket", "lpd"})
    fs::create_symlink(std::string(kSystemServerBin) + "/backend/" + backend, folder_ + "/bin/backend/" + backend, ignored);
  fs::create_symlink(std::string(kSystemServerBin) + "/daemon/cups-exec", folder_ + "/bin/daemon/cups-exec", ignored);

  // The port lock folder of the tests, shared by the utility and the driver's filter.
  const char* locks = std::getenv("XJ_LOCK_FOLDER");
  if (locks != nullptr) {
    fs::create_directories(locks, ignored);
    OpenForFilters(locks, shared);
  }

  std::string files = "ServerRoot " + folder_ + "/etc\nServerBin " + folder_ + "/bin\nDataDir /usr/share/cups\n" +
                      "RequestRoot " + folder_ + "/spool\nTempDir " + folder_ + "/spool/tmp\nCacheDir " + folder_ +
                      "/cache\nStateDir " + folder_ + "/state\nAccessLog " + folder_ + "/log/access_log\nErrorLog " +
                      folder_ + "/log/error_log\nPageLog " + folder_ + "/log/page_log\n";
  if (root) files += "User lp\nGroup lp\nSystemGroup root\n";
  const int port = UnusedLoopbackPort();
  std::string config = "Listen " + socket_ + "\nListen 127.0.0.1:" + std::to_string(port) +
                       "\nLogLevel debug\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\n"
                       "DefaultAuthType None\nErrorPolicy abort-job\nPreserveJobHistory Yes\n"
                       "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                       "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
  if (locks != nullptr) config += std::string("SetEnv XJ_LOCK_FOLDER ") + locks + "\n";
  if (!testenv::WriteFile(folder_ + "/etc/cups-files.conf", files) ||
      !testenv::WriteFile(folder_ + "/etc/cupsd.conf", config)) {
    problem_ = "the configuration could not be written";
    return false;
  }
  pid_ = Spawn({kCupsd, "-f", "-c", folder_ + "/etc/cupsd.conf", "-s", folder_ + "/etc/cups-files.conf"},
               folder_ + "/log/cupsd.out");
  if (pid_ < 0) {
    problem_ = "cupsd could not be started";
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      problem_ = "cupsd ended at once: " + testenv::ReadFile(folder_ + "/log/cupsd.out") + ErrorLog();
      return false;
    }
    std::string output;
    if (fs::exists(socket_) && Run({"lpstat", "-h", socket_, "-r"}, &output) == 0 &&
        output.find("is running") != std::string::npos)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  problem_ = "cupsd did not answer: " + ErrorLog();
  Stop();
  return false;
}

void PrintServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopTimeoutMs);
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  pid_ = -1;
}

int PrintServer::Run(const std::vector<std::string>& args, std::string* output) const {
  const std::string outputFile = folder_ + "/log/client.out";
  std::vector<std::string> argv = args;
  // Client programs are looked up where Debian installs them.
  argv[0] = (access(("/usr/bin/" + argv[0]).c_str(), X_OK) == 0 ? "/usr/bin/" : "/usr/sbin/") + argv[0];
  const pid_t pid = Spawn(argv, outputFile);
  if (pid < 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  if (output != nullptr) *output = testenv::ReadFile(outputFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool PrintServer::AddQueue(const std::string& name, const std::string& deviceUri, const std::string& ppdPath) {
  std::string output;
  if (Run({"lpadmin", "-h", socket_, "-p", name, "-E", "-v", deviceUri, "-P", ppdPath}, &output) == 0) return true;
  problem_ = "lpadmin: " + output;
  return false;
}

int PrintServer::Print(const std::string& queue, const std::string& file, const std::vector<std::string>& options) {
  std::vector<std::string> args = {"lp", "-h", socket_, "-d", queue};
  for (const std::string& option : options) {
    args.push_back("-o");
    args.push_back(option);
  }
  args.push_back(file);
  std::string output;
  const std::string marker = "request id is " + queue + "-";
  if (Run(args, &output) == 0) {
    const std::size_t at = output.find(marker);
    if (at != std::string::npos) return std::atoi(output.c_str() + at + marker.size());
  }
  problem_ = "lp: " + output;
  return -1;
}

std::string PrintServer::WaitForJob(int jobId, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    http_t* http = httpConnect2(socket_.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    if (http != nullptr) {
      cups_job_t* jobs = nullptr;
      const int count = cupsGetJobs2(http, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
      for (int i = 0; i < count; ++i)
        if (jobs[i].id == jobId) state = jobs[i].state;
      cupsFreeJobs(count, jobs);
      httpClose(http);
    }
    switch (state) {
      case IPP_JSTATE_COMPLETED: return "completed";
      case IPP_JSTATE_ABORTED: return "aborted";
      case IPP_JSTATE_CANCELED: return "canceled";
      case IPP_JSTATE_STOPPED: return "stopped";
      case IPP_JSTATE_HELD: return "held";
      default: break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return {};
}

std::string PrintServer::ErrorLog() const { return testenv::ReadFile(folder_ + "/log/error_log"); }
