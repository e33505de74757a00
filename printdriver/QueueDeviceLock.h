#pragma once
// The port lock of the device a print queue prints to: the same lock the communication
// library takes when it opens that port, so that the utility and a print job never talk
// to one printer at once. While a job is converted the utility is told the printer is in
// use; while the utility has the printer open, the job waits for it.
//
// Threads: one object per job; the cancel flag may be set from a signal handler.
#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "libs/xjcomm/PortLock.h"

namespace receipt {

class QueueDeviceLock {
 public:
  enum class Result {
    Held,         // the lock is held until the object goes
    NoPort,       // the URI names no port of this computer: nothing to lock
    Unavailable,  // the lock file cannot be made: printing goes on without it
    Cancelled,    // cancel was set while waiting
  };

  // The lock identity of the port deviceUri names (as the library names it, e.g.
  // "NET-127.0.0.1-9100"); empty when it names none.
  static std::string PortIdentity(std::string_view deviceUri);

  // Takes the lock of deviceUri's port, trying again every pollMs while another program
  // holds it; waiting() is called once when the wait begins.
  Result Acquire(std::string_view deviceUri, const std::atomic<bool>& cancel, const std::function<void()>& waiting,
                 int pollMs = 1000);

 private:
  xjcomm::PortLock lock_;
};

}  // namespace receipt
