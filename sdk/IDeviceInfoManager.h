#pragma once
// IDeviceInfoManager: the device information engine as plug-ins use it (engine number 1
// of the engine manager). Virtual slot order: destructor, RegisterCallback,
// UnregisterCallback, Load, GetValueLength, GetValueInt, GetValueString.
//
// Keys are zero-terminated narrow texts (a null key counts as empty); the engine
// library documents them (libs/deviceinfo/ADeviceInfoEngine.h). Every operation answers
// kManagerNotLoaded when the engine library is missing, lacks an entry point or gave no
// handle; otherwise it passes on the library's own result (1 = success).
//
// Threads: calls on one engine object are not locked here; the library serialises them.
#include <cstdint>
#include <string>

#include "sdk/IManagerBase.h"

class IDeviceInfoManager : public IManagerBase {
 public:
  std::int32_t RegisterCallback(ManagerCallback callback, void* context) override = 0;
  std::int32_t UnregisterCallback() override = 0;
  // Reads every value from the printer into the engine's cache.
  virtual std::int32_t Load() = 0;
  // Length of the value's text into *length.
  virtual std::int32_t GetValueLength(const char* key, std::int32_t* length) = 0;
  // A number value into *value.
  virtual std::int32_t GetValueInt(const char* key, std::int32_t* value) = 0;
  // The value's text into *value: asks the length first, then the text. A failure of
  // either step is returned and *value is left unchanged. kManagerBadArgument for a null
  // value pointer or an impossible length.
  virtual std::int32_t GetValueString(const char* key, std::string* value) = 0;
};
