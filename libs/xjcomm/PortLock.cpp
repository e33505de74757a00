#include "libs/xjcomm/PortLock.h"

#include "platform/Folders.h"
#include "platform/Text.h"

namespace xjcomm {

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
  switch (lock_.Acquire(LockFilePath(portIdentity))) {
    case plat::ExclusiveFileLock::Result::kAcquired: return XJC_OK;
    case plat::ExclusiveFileLock::Result::kHeldByOther: return XJC_E_IN_USE;
    case plat::ExclusiveFileLock::Result::kError: break;
  }
  return XJC_E_OPEN_FAILED;
}

}  // namespace xjcomm
