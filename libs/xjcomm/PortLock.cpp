#include "libs/xjcomm/PortLock.h"

#include "platform/Folders.h"
#include "platform/Text.h"

namespace xjcomm {
namespace {

std::u16string LockFileName(std::string_view portIdentity) {
  std::string name = "XJComm-";
  for (char c : portIdentity) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-';
    name.push_back(keep ? c : '_');
  }
  name += ".lock";
  return plat::FromUtf8(name);
}

XJC_RESULT ResultOf(plat::ExclusiveFileLock::Result result) {
  switch (result) {
    case plat::ExclusiveFileLock::Result::kAcquired: return XJC_OK;
    case plat::ExclusiveFileLock::Result::kHeldByOther: return XJC_E_IN_USE;
    case plat::ExclusiveFileLock::Result::kError: break;
  }
  return XJC_E_OPEN_FAILED;
}

}  // namespace

std::string PortLock::LockFilePath(std::string_view portIdentity) {
  return plat::ToUtf8(plat::JoinPath(plat::SharedLockFolder(), LockFileName(portIdentity)));
}

std::string PortLock::UserLockFilePath(std::string_view portIdentity) {
  return plat::ToUtf8(plat::JoinPath(plat::RuntimeFolder(), LockFileName(portIdentity)));
}

XJC_RESULT PortLock::Acquire(std::string_view portIdentity) {
  const plat::ExclusiveFileLock::Result shared = lock_.Acquire(LockFilePath(portIdentity));
  if (shared != plat::ExclusiveFileLock::Result::kError) return ResultOf(shared);
  return ResultOf(lock_.Acquire(UserLockFilePath(portIdentity)));
}

}  // namespace xjcomm
