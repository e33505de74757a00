#pragma once
// PortLock: an advisory lock per printer port shared by every process of this library,
// so two copies of the program, also of two users, cannot talk to one printer at once.
// It is an exclusive flock on a lock file named from the port's identity in the folder
// every user sees (plat::SharedLockFolder(): sticky, so nobody can remove another
// user's lock file); the lock goes with the process, so a crashed program never leaves
// a port locked. Another user's lock file is locked through a read-only descriptor.
// When the shared lock file cannot be used at all (something planted at its name: a
// link, a folder, a file its owner made unreadable), the lock is taken in the user's
// own runtime folder instead, so nobody is shut out of a port; the user's own programs
// are then still kept apart.
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
  // when another holder has it; XJC_E_OPEN_FAILED when neither lock file can be made.
  XJC_RESULT Acquire(std::string_view portIdentity);
  void Release() { lock_.Release(); }
  bool Held() const { return lock_.IsHeld(); }

  // The lock file of a port: <shared lock folder>/XJComm-<identity with every character
  // other than letters, digits, '.' and '-' replaced by '_'>.lock
  static std::string LockFilePath(std::string_view portIdentity);
  // The lock file of the same name in the user's runtime folder, taken when the shared
  // one cannot be used.
  static std::string UserLockFilePath(std::string_view portIdentity);

 private:
  plat::ExclusiveFileLock lock_;
};

}  // namespace xjcomm
