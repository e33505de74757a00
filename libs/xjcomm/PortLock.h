#pragma once
// PortLock: an advisory lock per printer port shared by every process of this library,
// so two copies of the program cannot talk to one printer at once. It is an exclusive
// flock on a lock file in the runtime folder, named from the port's identity; the lock
// goes with the process, so a crashed program never leaves a port locked.
//
// One object is used by one thread at a time.
#include <string>
#include <string_view>

#include "sdk/XJComm.h"
#include "platform/FileLock.h"

namespace xjcomm {

class PortLock {
 public:
  // Takes the lock of the port with this identity without waiting. XJC_OK; XJC_E_IN_USE
  // when another holder has it; XJC_E_OPEN_FAILED when the lock file cannot be made.
  XJC_RESULT Acquire(std::string_view portIdentity);
  void Release() { lock_.Release(); }
  bool Held() const { return lock_.IsHeld(); }

  // The lock file of a port: <runtime folder>/XJComm-<identity with every character
  // other than letters, digits, '.' and '-' replaced by '_'>.lock
  static std::string LockFilePath(std::string_view portIdentity);

 private:
  plat::ExclusiveFileLock lock_;
};

}  // namespace xjcomm
