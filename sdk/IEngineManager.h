#pragma once
// IEngineManager: the registry of shared engines the application owns and plug-ins
// borrow from (its address is in the application settings block). Virtual slot order:
// destructor, GetEngine, ReleaseEngine.
#include <cstdint>

#include "sdk/IManagerBase.h"

// Results of the engine manager.
inline constexpr std::int32_t kEngineOk = 0;
inline constexpr std::int32_t kEngineNoOutPointer = -1;
inline constexpr std::int32_t kEngineUnknown = -2;  // no engine of that number

// Engine numbers.
inline constexpr std::int32_t kEngineDeviceInfo = 1;  // an IDeviceInfoManager

class IEngineManager {
 public:
  virtual ~IEngineManager() = default;
  // Lends engine `number` and counts the loan. For kEngineDeviceInfo *out receives the
  // engine's IDeviceInfoManager (static_cast<IDeviceInfoManager*>(*out)); an engine whose
  // library is missing is still lent and answers kManagerNotLoaded to everything.
  // Result: kEngineOk, kEngineNoOutPointer (out null), kEngineUnknown. Any thread.
  virtual std::int32_t GetEngine(std::int32_t number, IManagerBase** out) = 0;
  // Gives a loan back; the last one unloads and deletes the engine, after which
  // pointers to it are invalid. Result: kEngineOk, kEngineUnknown (no engine lent under
  // that number). Any thread.
  virtual std::int32_t ReleaseEngine(std::int32_t number) = 0;
};
