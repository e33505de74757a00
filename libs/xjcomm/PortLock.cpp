#include "libs/xjcomm/PortLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "libs/xjcomm/FdIo.h"
#include "platform/Folders.h"
#include "platform/Text.h"

namespace xjcomm {

PortLock::~PortLock() { Release(); }

std::string PortLock::LockFilePath(std::string_view portIdentity) {
  std::string name = "XJComm-";
  for (char c : portIdentity) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-';
    name.push_back(keep ? c : '_');
  }
  name += ".lock";
  return plat::ToUtf8(plat::JoinPath(plat::RuntimeFolder(), plat::FromUtf8(name)));
}

XJC_RESULT PortLock::Acquire(std::string_view portIdentity) {
  Release();
  const std::string path = LockFilePath(portIdentity);
  // Readable by all, so that in a shared temporary folder another user's lock file is
  // still locked (through a read-only descriptor) instead of shutting that user out of
  // the port for good; never through a link someone else planted.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return XJC_E_OPEN_FAILED;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
    if (errno == EINTR) continue;
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? XJC_E_IN_USE : XJC_E_OPEN_FAILED;
  }
  fd_ = fd;
  return XJC_OK;
}

void PortLock::Release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    CloseFd(fd_);
  }
}

}  // namespace xjcomm
