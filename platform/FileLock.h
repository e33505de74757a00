#pragma once
// An exclusive advisory lock (flock) on a lock file, taken without waiting. The lock is
// the kernel's: it goes with the process, so a process that crashed never blocks the
// next one, and the file itself is left in place. Lock files are readable by all
// (whatever the umask), so in a shared folder another user's lock file is still locked
// (through a read-only descriptor) instead of shutting that user out. Links are never
// followed, and anything but a regular file at the path (a folder, a FIFO) is an error,
// without waiting.
// One object is used by one thread at a time.
#include <string>

namespace plat {

class ExclusiveFileLock {
 public:
  enum class Result { kAcquired, kHeldByOther, kError };

  ExclusiveFileLock() = default;
  ~ExclusiveFileLock();  // releases the lock
  ExclusiveFileLock(const ExclusiveFileLock&) = delete;
  ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

  // Creates the file when missing and takes the lock. A lock already held by this object
  // is given up first. kHeldByOther when another holder (process or object) has it;
  // kError when the file cannot be opened or locked for another reason (LastError).
  Result Acquire(const std::string& path);
  // Gives the lock up; nothing when not held.
  void Release();
  bool IsHeld() const { return fd_ >= 0; }
  // The system's error number of the last failed Acquire.
  int LastError() const { return lastError_; }

 private:
  int fd_ = -1;
  int lastError_ = 0;
};

}  // namespace plat
