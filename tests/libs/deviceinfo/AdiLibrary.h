#pragma once
// Loads the built device information engine by its full path and resolves every entry
// point by name, as the engine manager does.
#include <gtest/gtest.h>

#include <string>

#include "libs/deviceinfo/ADeviceInfoEngine.h"
#include "platform/DynLib.h"
#include "platform/Text.h"

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
    module = plat::LoadLibraryW(plat::FromUtf8(ADEVICEINFOENGINE_PATH));
    if (module == nullptr) {
      ADD_FAILURE() << "cannot load " << ADEVICEINFOENGINE_PATH << ": " << plat::LastLoadError();
      return;
    }
    Resolve(Initialize, "Initialize");
    Resolve(Finalize, "Finalize");
    Resolve(RegisterCallback, "RegisterCallback");
    Resolve(UnregisterCallback, "UnregisterCallback");
    Resolve(Load, "Load");
    Resolve(GetValueLength, "GetValueLength");
    Resolve(GetValueInt, "GetValueInt");
    Resolve(GetValueString, "GetValueString");
  }
  ~AdiLibrary() { plat::FreeLibrary(module); }
  AdiLibrary(const AdiLibrary&) = delete;
  AdiLibrary& operator=(const AdiLibrary&) = delete;

  bool Complete() const {
    return Initialize && Finalize && RegisterCallback && UnregisterCallback && Load &&
           GetValueLength && GetValueInt && GetValueString;
  }

  template <typename Fn>
  void Resolve(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(plat::GetProcAddress(module, name));
    if (fn == nullptr) ADD_FAILURE() << "entry point missing: " << name;
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

  plat::LibHandle module = nullptr;
  InitializeFn Initialize = nullptr;
  FinalizeFn Finalize = nullptr;
  RegisterCallbackFn RegisterCallback = nullptr;
  UnregisterCallbackFn UnregisterCallback = nullptr;
  LoadFn Load = nullptr;
  GetValueLengthFn GetValueLength = nullptr;
  GetValueIntFn GetValueInt = nullptr;
  GetValueStringFn GetValueString = nullptr;
};
