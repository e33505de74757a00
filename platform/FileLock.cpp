#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace plat {

ExclusiveFileLock::~ExclusiveFileLock() { Release(); }

ExclusiveFileLock::Result ExclusiveFileLock::Acquire(const std::string& path) {
  Release();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    lastError_ = errno;
    return Result::kError;
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
