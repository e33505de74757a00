#pragma once
// Loads the built printer information manager by its full path and resolves every entry
// point by name, as the program does.
#include <gtest/gtest.h>

#include "libs/printerinfo/VodEroVerEDU.h"
#include "platform/DynLib.h"
#include "platform/Text.h"

struct VodLibrary {
  using InitializeFn = decltype(&::Initialize);
  using FinalizeFn = decltype(&::Finalize);
  using RegisterCallbackFn = decltype(&::RegisterCallback);
  using UnregisterCallbackFn = decltype(&::UnregisterCallback);
  using GetPrinterInformationFn = decltype(&::GetPrinterInformation);
  using GetPrinterNameFn = decltype(&::GetPrinterName);
  using GetDeviceIDFn = decltype(&::GetDeviceID);
  using GetPrinterInfoFn = decltype(&::GetPrinterInfo);

  VodLibrary() {
    module = plat::LoadLibraryW(plat::FromUtf8(VODEROVEREDU_PATH));
    if (module == nullptr) {
      ADD_FAILURE() << "cannot load " << VODEROVEREDU_PATH << ": " << plat::LastLoadError();
      return;
    }
    Resolve(Initialize, "Initialize");
    Resolve(Finalize, "Finalize");
    Resolve(RegisterCallback, "RegisterCallback");
    Resolve(UnregisterCallback, "UnregisterCallback");
    Resolve(GetPrinterInformation, "GetPrinterInformation");
    Resolve(GetPrinterName, "GetPrinterName");
    Resolve(GetDeviceID, "GetDeviceID");
    Resolve(GetPrinterInfo, "GetPrinterInfo");
  }
  ~VodLibrary() { plat::FreeLibrary(module); }
  VodLibrary(const VodLibrary&) = delete;
  VodLibrary& operator=(const VodLibrary&) = delete;

  bool Complete() const {
    return Initialize && Finalize && RegisterCallback && UnregisterCallback &&
           GetPrinterInformation && GetPrinterName && GetDeviceID && GetPrinterInfo;
  }

  template <typename Fn>
  void Resolve(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(plat::GetProcAddress(module, name));
    if (fn == nullptr) ADD_FAILURE() << "entry point missing: " << name;
  }

  plat::LibHandle module = nullptr;
  InitializeFn Initialize = nullptr;
  FinalizeFn Finalize = nullptr;
  RegisterCallbackFn RegisterCallback = nullptr;
  UnregisterCallbackFn UnregisterCallback = nullptr;
  GetPrinterInformationFn GetPrinterInformation = nullptr;
  GetPrinterNameFn GetPrinterName = nullptr;
  GetDeviceIDFn GetDeviceID = nullptr;
  GetPrinterInfoFn GetPrinterInfo = nullptr;
};
