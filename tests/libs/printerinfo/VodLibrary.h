#pragma once
// Loads the built printer information manager by its full path and resolves every entry
// point by name, as the program does.
#include <gtest/gtest.h>

#include "libs/printerinfo/VodEroVerEDU.h"
#include "tests/support/LoadedModule.h"

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
    module.Resolve(Initialize, "Initialize");
    module.Resolve(Finalize, "Finalize");
    module.Resolve(RegisterCallback, "RegisterCallback");
    module.Resolve(UnregisterCallback, "UnregisterCallback");
    module.Resolve(GetPrinterInformation, "GetPrinterInformation");
    module.Resolve(GetPrinterName, "GetPrinterName");
    module.Resolve(GetDeviceID, "GetDeviceID");
    module.Resolve(GetPrinterInfo, "GetPrinterInfo");
  }

  bool Complete() const {
    return Initialize && Finalize && RegisterCallback && UnregisterCallback &&
           GetPrinterInformation && GetPrinterName && GetDeviceID && GetPrinterInfo;
  }

  LoadedModule module{VODEROVEREDU_PATH};
  InitializeFn Initialize = nullptr;
  FinalizeFn Finalize = nullptr;
  RegisterCallbackFn RegisterCallback = nullptr;
  UnregisterCallbackFn UnregisterCallback = nullptr;
  GetPrinterInformationFn GetPrinterInformation = nullptr;
  GetPrinterNameFn GetPrinterName = nullptr;
  GetDeviceIDFn GetDeviceID = nullptr;
  GetPrinterInfoFn GetPrinterInfo = nullptr;
};
