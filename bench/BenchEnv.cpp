#include "bench/BenchEnv.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace benchenv {
namespace {

std::string CreateRoot() {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/xjbench-XXXXXX";
  if (mkdtemp(base.data()) == nullptr) {
    std::fprintf(stderr, "cannot create a temporary folder under %s\n", base.c_str());
    std::exit(EXIT_FAILURE);
  }
  std::error_code ec;
  for (const char* sub : {"user", "common", "run", "home"}) fs::create_directories(base + "/" + sub, ec);
  fs::permissions(base + "/run", fs::perms::owner_all, fs::perm_options::replace, ec);
  setenv("XDG_DATA_HOME", (base + "/user").c_str(), 1);
  setenv("XJ_COMMON_APPDATA", (base + "/common").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (base + "/run").c_str(), 1);
  setenv("HOME", (base + "/home").c_str(), 1);
  setenv("XJCOMM_NET_SEARCH", "127.0.0.1", 1);
  return base;
}

}  // namespace

const std::string& Root() {
  static const std::string root = CreateRoot();
  return root;
}

std::string MakeTempDir(const std::string& hint) {
  static int counter = 0;
  std::string dir = Root() + "/" + hint + "-" + std::to_string(counter++);
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool TouchNow(const std::string& path) {
  return utimensat(AT_FDCWD, path.c_str(), nullptr, 0) == 0;
}

void WaitUntilUnchangedFor(const std::string& path, double seconds) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return;
  const auto since = [](const timespec& t) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec - t.tv_sec) + static_cast<double>(now.tv_nsec - t.tv_nsec) / 1e9;
  };
  const double age = std::min(since(st.st_mtim), since(st.st_ctim));
  if (age < seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds - age + 0.05));
  }
}

void RemoveRoot() {
  std::error_code ec;
  fs::remove_all(Root(), ec);
}

int RunBenchmarks(int argc, char** argv, const std::function<void()>& beforeCleanup) {
  Root();  // the private folders exist before any benchmark runs
  benchmark::Initialize(&argc, argv);
  int rc = EXIT_SUCCESS;
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    rc = EXIT_FAILURE;
  } else {
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
  if (beforeCleanup) beforeCleanup();
  RemoveRoot();
  return rc;
}

}  // namespace benchenv
