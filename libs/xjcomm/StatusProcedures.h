#pragma once
// StatusProcedures: the status and battery procedures registered by the program, and
// the delivery of codes to them. A procedure is called with a code when the code differs
// from the one it got last, and once right after it was registered.
//
// Calls are made with the table's mutex held, so unregistering from another thread waits
// for a running call to return and no call starts afterwards; unregistering from inside
// the procedure itself (same thread) takes effect at once without waiting.
//
// Register/Unregister/Clear may be called from any thread; Deliver from the monitor.
// Any and WantsBattery never wait for a running call: the library asks them while it
// holds its own state, which a procedure calling back into the library may be waiting
// for.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "libs/xjcomm/StopAwareMutex.h"
#include "sdk/XJComm.h"

namespace xjcomm {

class StatusProcedures {
 public:
  void RegisterStatus(XJC_STATUS_PROC proc, void* context);
  void UnregisterStatus();
  void RegisterBattery(XJC_STATUS_PROC proc, void* context);
  void UnregisterBattery();
  void Clear();

  bool Any();
  bool WantsBattery();

  // Calls the procedures whose code changed (or that wait for their first call). Gives up
  // without calling anything once stop becomes true while it waits for the table; whoever
  // sets stop calls WakeDeliveries afterwards.
  void Deliver(std::optional<std::uint32_t> status, std::optional<std::uint16_t> battery,
               const std::atomic<bool>& stop);
  // Makes a Deliver that waits for the table look at its stop flag again.
  void WakeDeliveries() { mutex_.WakeWaiters(); }

 private:
  struct Slot {
    XJC_STATUS_PROC proc = nullptr;
    void* context = nullptr;
    bool firstCallPending = false;
    std::optional<std::uint32_t> last;
  };
  static void Set(Slot& slot, XJC_STATUS_PROC proc, void* context);
  static void DeliverTo(Slot& slot, std::optional<std::uint32_t> value);

  // Follows the slots (written under mutex_): whether a procedure is registered.
  void PublishLocked();

  StopAwareMutex mutex_;
  Slot status_;
  Slot battery_;
  std::atomic<bool> anyRegistered_{false};
  std::atomic<bool> batteryRegistered_{false};
};

}  // namespace xjcomm
