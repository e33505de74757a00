#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace plat {
namespace {

// Lock files are made readable by all: another user takes the lock through a read-only
// descriptor.
constexpr mode_t kLockFileMode = 0644;
constexpr mode_t kReadableByAll = 0444;

}  // namespace

ExclusiveFileLock::~ExclusiveFileLock() { Release(); }

ExclusiveFileLock::Result ExclusiveFileLock::Acquire(const std::string& path) {
  Release();
  // O_NONBLOCK: something other than a file planted at the path (a FIFO) must not keep
  // the open waiting.
  constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, kLockFileMode);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | kFlags);
  if (fd < 0) {
    lastError_ = errno;
    return Result::kError;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    lastError_ = errno;
    ::close(fd);
    return Result::kError;
  }
  if (!S_ISREG(st.st_mode)) {
    lastError_ = EINVAL;
    ::close(fd);
    return Result::kError;
  }
  // Other users must be able to open a lock file of ours, whatever our umask.
  if (st.st_uid == ::geteuid() && (st.st_mode & kReadableByAll) != kReadableByAll) {
    ::fchmod(fd, (st.st_mode & 07777) | kReadableByAll);
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    lastError_ = errno;
    ::close(fd);
    return lastError_ == EWOULDBLOCK ? Result::kHeldByOther : Result::kError;
  }
  fd_ = fd;
  return Result::kAcquired;
}

void ExclusiveFileLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace plat
