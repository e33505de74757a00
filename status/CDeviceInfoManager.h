#pragma once
// CDeviceInfoManager: engine number 1, the device information engine library
// ADeviceInfoEngine behind the IDeviceInfoManager interface. It derives from
// IDeviceInfoManager first and CManagerBase second, so an object has two dispatch
// tables: the IDeviceInfoManager one at its start, and the CManagerBase one (destructor,
// RegisterCallback, UnregisterCallback, this class's LoadModule, the base UnloadModule)
// in its second base.
//
// Threads: loaded and unloaded by the engine manager under its lock; the value
// operations may be called from any thread while the engine stays lent.
#include <cstdint>
#include <string>
#include <string_view>

#include "status/CManagerBase.h"
#include "sdk/IDeviceInfoManager.h"

// File name of the engine library in the library folder ("ADeviceInfoEngine.so" on
// disk; the loader maps the name).
inline constexpr char16_t kDeviceInfoEngineLibrary[] = u"ADeviceInfoEngine.dll";

// Longest value text the manager accepts from the engine.
inline constexpr std::int32_t kMaxDeviceValueLength = 1 << 20;

class CDeviceInfoManager : public IDeviceInfoManager, public CManagerBase {
 public:
  using LoadProc = std::int32_t (*)(std::uint32_t handle);
  using GetValueLengthProc = std::int32_t (*)(std::uint32_t handle, const char* key,
                                              std::int32_t keyLength, std::int32_t* length);
  using GetValueStringProc = std::int32_t (*)(std::uint32_t handle, const char* key,
                                              std::int32_t keyLength, char* buffer,
                                              std::int32_t bufferLength);
  using GetValueIntProc = std::int32_t (*)(std::uint32_t handle, const char* key,
                                           std::int32_t keyLength, std::int32_t* value);

  CDeviceInfoManager() = default;
  ~CDeviceInfoManager() override;

  // IManagerBase (both bases): forward with the handle; kManagerNotLoaded without one.
  std::int32_t RegisterCallback(ManagerCallback callback, void* context) override;
  std::int32_t UnregisterCallback() override;

  // IDeviceInfoManager: see sdk/IDeviceInfoManager.h.
  std::int32_t Load() override;
  std::int32_t GetValueLength(const char* key, std::int32_t* length) override;
  std::int32_t GetValueInt(const char* key, std::int32_t* value) override;
  std::int32_t GetValueString(const char* key, std::string* value) override;

  // Loads folder + "/" + kDeviceInfoEngineLibrary, resolves the value entry points and
  // takes a handle from Initialize(argument). Result: kManagerOk, or kManagerNotLoaded
  // for any failure (library or entry point missing, no handle); nothing stays loaded
  // after a failure.
  std::int32_t LoadModule(IXJComm* argument, std::u16string_view folder) override;

 private:
  void ForgetValueEntries();

  LoadProc load_ = nullptr;
  GetValueLengthProc getValueLength_ = nullptr;
  GetValueStringProc getValueString_ = nullptr;
  GetValueIntProc getValueInt_ = nullptr;
};
