#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace plat {
namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The process's file creation mask, read without changing it (umask() cannot be read
// without setting it, which would race with other threads creating files).
mode_t CurrentUmask() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
  return 022;
}

bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool Fail(ReplaceFailure* failure, ReplaceFailure step) {
  if (failure) *failure = step;
  return false;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, ReplaceFailure* failure) {
  if (failure) *failure = ReplaceFailure::kNone;
  struct stat old {};
  const bool existed = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);

  std::string temp = path + ".tmp-XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0 && errno == ENAMETOOLONG) {
    temp = FolderOf(path) + "/.tmp-XXXXXX";
    fd = ::mkostemp(temp.data(), O_CLOEXEC);
  }
  if (fd < 0) return Fail(failure, ReplaceFailure::kCreate);

  bool ok = ::fchmod(fd, existed ? (old.st_mode & 07777) : (0666 & ~CurrentUmask())) == 0;
  // Keep the owner of an existing file when we are allowed to (a privileged writer must
  // not take the file away from its user); failure to do so is not an error.
  if (ok && existed && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
    [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
  }
  ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int error = errno;
  ok = (::close(fd) == 0) && ok;
  if (!ok) {
    if (error == 0) error = errno;
    ::unlink(temp.c_str());
    errno = error;
    return Fail(failure, ReplaceFailure::kWrite);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    error = errno;
    ::unlink(temp.c_str());
    errno = error;
    return Fail(failure, ReplaceFailure::kRename);
  }
  // Make the rename itself durable; a folder that cannot be synced does not undo it.
  const int dirFd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

}  // namespace plat
