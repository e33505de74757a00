#include "fuzz/FuzzSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "tests/support/TestEnv.h"

namespace fuzzsupport {
namespace {

void RemoveRoot() {
  std::error_code ec;
  std::filesystem::remove_all(testenv::Root(), ec);
}

}  // namespace

void Init() {
  static const bool done = [] {
    testenv::Root();
    std::atexit(RemoveRoot);
    return true;
  }();
  (void)done;
}

const std::string& Folder(const std::string& name) {
  static std::map<std::string, std::string> folders;
  auto it = folders.find(name);
  if (it == folders.end()) it = folders.emplace(name, testenv::MakeTempDir(name)).first;
  return it->second;
}

void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Require(fd >= 0, "cannot create the input file");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    Require(n > 0, "cannot write the input file");
    done += static_cast<std::size_t>(n);
  }
  Require(::close(fd) == 0, "cannot close the input file");
}

void WriteInput(const std::string& path, std::string_view bytes) {
  WriteInput(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace fuzzsupport
