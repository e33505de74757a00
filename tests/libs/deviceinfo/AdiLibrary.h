#pragma once
// Loads the built device information engine by its full path and resolves every entry
// point by name, as the engine manager does.
#include <gtest/gtest.h>

#include <string>

#include "libs/deviceinfo/ADeviceInfoEngine.h"
#include "tests/support/LoadedModule.h"

struct AdiLibrary {
  using InitializeFn = std::uint32_t (*)(IXJComm*);
  using FinalizeFn = void (*)(std::uint32_t*);
  using RegisterCallbackFn = ADI_RESULT (*)(std::uint32_t, ADI_CALLBACK, void*);
  using UnregisterCallbackFn = ADI_RESULT (*)(std::uint32_t);
  using LoadFn = ADI_RESULT (*)(std::uint32_t);
  using GetValueLengthFn = ADI_RESULT (*)(std::uint32_t, const char*, std::int32_t, std::int32_t*);
  using GetValueIntFn = ADI_RESULT (*)(std::uint32_t, const char*, std::int32_t, std::int32_t*);
  using GetValueStringFn = ADI_RESULT (*)(std::uint32_t, const char*, std::int32_t, char*,
                                          std::int32_t);

  AdiLibrary() {
    module.Resolve(Initialize, "Initialize");
    module.Resolve(Finalize, "Finalize");
    module.Resolve(RegisterCallback, "RegisterCallback");
    module.Resolve(UnregisterCallback, "UnregisterCallback");
    module.Resolve(Load, "Load");
    module.Resolve(GetValueLength, "GetValueLength");
    module.Resolve(GetValueInt, "GetValueInt");
    module.Resolve(GetValueString, "GetValueString");
  }

  bool Complete() const {
    return Initialize && Finalize && RegisterCallback && UnregisterCallback && Load &&
           GetValueLength && GetValueInt && GetValueString;
  }

  // Lookups with a key given as text.
  ADI_RESULT Int(std::uint32_t handle, const std::string& key, std::int32_t* value) const {
    return GetValueInt(handle, key.data(), static_cast<std::int32_t>(key.size()), value);
  }
  ADI_RESULT Length(std::uint32_t handle, const std::string& key, std::int32_t* length) const {
    return GetValueLength(handle, key.data(), static_cast<std::int32_t>(key.size()), length);
  }
  // The value's text by the length-then-text protocol; "<failed N>" on failure.
  std::string Text(std::uint32_t handle, const std::string& key) const {
    std::int32_t length = -1;
    ADI_RESULT r = Length(handle, key, &length);
    if (r != ADI_OK) return "<failed " + std::to_string(r) + ">";
    std::string buffer(static_cast<std::size_t>(length), '\0');
    r = GetValueString(handle, key.data(), static_cast<std::int32_t>(key.size()), buffer.data(),
                       length);
    if (r != ADI_OK) return "<failed " + std::to_string(r) + ">";
    return buffer;
  }

  // The integer value of key, or -1000 + the failure's code.
  std::int32_t IntOr(std::uint32_t handle, const std::string& key) const {
    std::int32_t value = -999;
    const ADI_RESULT r = Int(handle, key, &value);
    return r == ADI_OK ? value : -1000 + r;
  }

  LoadedModule module{ADEVICEINFOENGINE_PATH};
  InitializeFn Initialize = nullptr;
  FinalizeFn Finalize = nullptr;
  RegisterCallbackFn RegisterCallback = nullptr;
  UnregisterCallbackFn UnregisterCallback = nullptr;
  LoadFn Load = nullptr;
  GetValueLengthFn GetValueLength = nullptr;
  GetValueIntFn GetValueInt = nullptr;
  GetValueStringFn GetValueString = nullptr;
};
