#include "libs/xjcomm/StatusProcedures.h"

namespace xjcomm {

void StatusProcedures::Set(Slot& slot, XJC_STATUS_PROC proc, void* context) {
  slot.proc = proc;
  slot.context = context;
  slot.firstCallPending = proc != nullptr;
  slot.last.reset();
}

void StatusProcedures::PublishLocked() {
  anyRegistered_ = status_.proc != nullptr || battery_.proc != nullptr;
  batteryRegistered_ = battery_.proc != nullptr;
}

void StatusProcedures::RegisterStatus(XJC_STATUS_PROC proc, void* context) {
  std::lock_guard<StopAwareMutex> guard(mutex_);
  Set(status_, proc, context);
  PublishLocked();
}

void StatusProcedures::UnregisterStatus() {
  std::lock_guard<StopAwareMutex> guard(mutex_);
  Set(status_, nullptr, nullptr);
  PublishLocked();
}

void StatusProcedures::RegisterBattery(XJC_STATUS_PROC proc, void* context) {
  std::lock_guard<StopAwareMutex> guard(mutex_);
  Set(battery_, proc, context);
  PublishLocked();
}

void StatusProcedures::UnregisterBattery() {
  std::lock_guard<StopAwareMutex> guard(mutex_);
  Set(battery_, nullptr, nullptr);
  PublishLocked();
}

void StatusProcedures::Clear() {
  std::lock_guard<StopAwareMutex> guard(mutex_);
  Set(status_, nullptr, nullptr);
  Set(battery_, nullptr, nullptr);
  PublishLocked();
}

bool StatusProcedures::Any() { return anyRegistered_.load(); }

bool StatusProcedures::WantsBattery() { return batteryRegistered_.load(); }

void StatusProcedures::DeliverTo(Slot& slot, std::optional<std::uint32_t> value) {
  if (!slot.proc || !value) return;
  if (!slot.firstCallPending && slot.last == value) return;
  slot.firstCallPending = false;
  slot.last = value;
  slot.proc(*value, slot.context);
}

void StatusProcedures::Deliver(std::optional<std::uint32_t> status,
                               std::optional<std::uint16_t> battery,
                               const std::atomic<bool>& stop) {
  // Someone may hold the table while waiting for the thread that owns this delivery to
  // stop: never wait for it without looking at the stop request.
  if (!mutex_.LockUnless([&stop] { return stop.load(); })) return;
  std::lock_guard<StopAwareMutex> guard(mutex_, std::adopt_lock);
  if (stop.load()) return;
  DeliverTo(status_, status);
  // The status procedure may have unregistered the battery procedure: DeliverTo looks
  // at the slot afresh.
  if (stop.load()) return;
  DeliverTo(battery_, battery ? std::optional<std::uint32_t>(*battery) : std::nullopt);
}

}  // namespace xjcomm
