#include "app/SingleInstanceLock.h"

#include "platform/Text.h"

SingleInstanceLock::Result SingleInstanceLock::Acquire(std::u16string_view folder, std::u16string_view name) {
  if (lock_.IsHeld()) return Result::kAcquired;
  return lock_.Acquire(plat::ToUtf8(plat::JoinPath(folder, name)));
}
