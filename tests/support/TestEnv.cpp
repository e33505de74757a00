#include "tests/support/TestEnv.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testenv {
namespace {

std::string CreateRoot() {
  std::string base = fs::temp_directory_path().string() + "/xjtest-XXXXXX";
  if (!mkdtemp(base.data())) throw std::runtime_error("mkdtemp failed");
  for (const char* sub : {"user", "common", "run", "home", "locks"}) fs::create_directories(base + "/" + sub);
  fs::permissions(base + "/run", fs::perms::owner_all, fs::perm_options::replace);
  // Shared by all users, as the system's lock folder is.
  fs::permissions(base + "/locks", fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
  setenv("XDG_DATA_HOME", (base + "/user").c_str(), 1);
  setenv("XJ_COMMON_APPDATA", (base + "/common").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (base + "/run").c_str(), 1);
  setenv("XJ_LOCK_FOLDER", (base + "/locks").c_str(), 1);
  setenv("HOME", (base + "/home").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("XJCOMM_NET_SEARCH", "127.0.0.1", 1);
  // The machine's print server is never asked: a socket that does not exist.
  setenv("CUPS_SERVER", (base + "/run/no-print-server.sock").c_str(), 1);
  // No desktop session: the program's desktop notifications never reach the desktop of
  // whoever runs the tests.
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  return base;
}

}  // namespace

const std::string& Root() {
  static const std::string root = CreateRoot();
  return root;
}

std::string MakeTempDir(const std::string& hint) {
  static std::atomic<int> counter{0};
  std::string dir = Root() + "/" + hint + "-" + std::to_string(counter++);
  fs::create_directories(dir);
  return dir;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace testenv
