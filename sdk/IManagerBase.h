#pragma once
// IManagerBase: what every engine offers, whichever library answers it. Virtual slot
// order (part of the interface plug-ins call): destructor, RegisterCallback,
// UnregisterCallback.
#include <cstdint>

// Results of the engine operations.
inline constexpr std::int32_t kManagerOk = 1;
inline constexpr std::int32_t kManagerNoHandle = 0;      // LoadModule: Initialize gave no handle
inline constexpr std::int32_t kManagerUnloaded = 0;      // UnloadModule's only result
inline constexpr std::int32_t kManagerEmptyPath = -5000;  // LoadModule with an empty path
inline constexpr std::int32_t kManagerNotLoaded = -5002;  // library or entry point missing, no handle
// A null out pointer for a value, or an engine reporting an impossible value length.
inline constexpr std::int32_t kManagerBadArgument = -5003;

// Procedure an engine library calls back: (engine handle, event, result, context).
// Which events a library reports is that library's own documentation.
using ManagerCallback = void (*)(std::uint32_t handle, std::int32_t event, std::int32_t result,
                                 void* context);

class IManagerBase {
 public:
  virtual ~IManagerBase() = default;
  // Registers the library's callback procedure. Result: the library's result, or
  // kManagerNotLoaded without library handle. Any thread.
  virtual std::int32_t RegisterCallback(ManagerCallback callback, void* context) = 0;
  // Removes it. Result as RegisterCallback.
  virtual std::int32_t UnregisterCallback() = 0;
};
