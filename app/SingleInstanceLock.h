#pragma once
// The single-instance guard: an exclusive advisory lock (flock) on a lock file in the
// runtime folder, named after the running copy ("XJ-K52II_UTILITY.lock"). The lock is
// the kernel's: it goes with the process, so a copy that crashed never blocks the next
// start, and the file itself is left in place.
//
// No Qt here. UI thread (start-up and shutdown).
#include <string>
#include <string_view>

#include "platform/FileLock.h"

inline constexpr char16_t kSingleInstanceLockName[] = u"XJ-K52II_UTILITY.lock";

class SingleInstanceLock {
 public:
  using Result = plat::ExclusiveFileLock::Result;

  // Creates the lock file in folder when missing and takes the lock without waiting.
  // kHeldByOther when another process (or another lock object) holds it; kError when
  // the file cannot be created or locked for any other reason.
  Result Acquire(std::u16string_view folder, std::u16string_view name = kSingleInstanceLockName);
  // Gives the lock up; nothing when not held. The destructor does it too.
  void Release() { lock_.Release(); }
  bool IsHeld() const { return lock_.IsHeld(); }
  // The system's error number of the last failed Acquire.
  int LastError() const { return lock_.LastError(); }

 private:
  plat::ExclusiveFileLock lock_;
};
