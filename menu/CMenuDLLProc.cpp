#include "menu/CMenuDLLProc.h"

#include "platform/Text.h"

namespace {

// Resolves one entry point into its typed pointer; false when it is not exported.
template <typename Fn>
bool Resolve(plat::LibHandle module, const char* name, Fn& out) {
  out = reinterpret_cast<Fn>(plat::GetProcAddress(module, name));
  return out != nullptr;
}

}  // namespace

CMenuDLLProc::~CMenuDLLProc() { Unload(); }

std::int32_t CMenuDLLProc::LoadPlugin(std::u16string_view fileName) {
  Unload();
  loadError_.clear();
  module = plat::LoadLibraryW(fileName);
  if (module == nullptr) {
    loadError_ = "cannot load " + plat::ToUtf8(fileName) + ": " + plat::LastLoadError();
    return kPluginNotLoaded;
  }
  // The first eight are required; the order is that of the protocol.
  const char* missing = nullptr;
  if (!Resolve(module, "FORMVIEWDLL_Initialize", pInitialize)) missing = "FORMVIEWDLL_Initialize";
  else if (!Resolve(module, "FORMVIEWDLL_Finalize", pFinalize)) missing = "FORMVIEWDLL_Finalize";
  else if (!Resolve(module, "FORMVIEWDLL_GetActiveView", pGetActiveView)) missing = "FORMVIEWDLL_GetActiveView";
  else if (!Resolve(module, "FORMVIEWDLL_ChangeMenuState", pChangeMenuState)) missing = "FORMVIEWDLL_ChangeMenuState";
  else if (!Resolve(module, "FORMVIEWDLL_GetPluginInfo", pGetPluginInfo)) missing = "FORMVIEWDLL_GetPluginInfo";
  else if (!Resolve(module, "FORMVIEWDLL_ReadPrinterSettings", pReadPrinterSettings))
    missing = "FORMVIEWDLL_ReadPrinterSettings";
  else if (!Resolve(module, "FORMVIEWDLL_SetDefaltDataToPluginDataMgr", pSetDefaltDataToPluginDataMgr))
    missing = "FORMVIEWDLL_SetDefaltDataToPluginDataMgr";
  else if (!Resolve(module, "FORMVIEWDLL_GetDependPluginData", pGetDependPluginData))
    missing = "FORMVIEWDLL_GetDependPluginData";
  if (missing != nullptr) {
    Unload();
    loadError_ = std::string("missing entry point ") + missing;
    return kPluginNotLoaded;
  }
  Resolve(module, "FORMVIEWDLL_GetMenuName", pGetMenuName);
  loaded = 1;
  return 0;
}

std::int32_t CMenuDLLProc::Initialize(plat::HWND mainFrame, plat::HWND contentPane, AppSettingsBlock* block) {
  if (!IsLoaded()) return kPluginNotLoaded;
  return pInitialize(mainFrame, contentPane, block);
}

std::int32_t CMenuDLLProc::GetMenuName(const char16_t* key, std::int32_t keyLength, char16_t* buffer,
                                       std::int32_t bufferLength, std::int32_t* needed) {
  if (!IsLoaded()) return kPluginNotLoaded;
  if (pGetMenuName == nullptr) return kPluginNoMenuName;
  return pGetMenuName(key, keyLength, buffer, bufferLength, needed);
}

void CMenuDLLProc::Unload() {
  if (module != nullptr) plat::FreeLibrary(module);
  module = nullptr;
  pInitialize = nullptr;
  pFinalize = nullptr;
  pGetActiveView = nullptr;
  pChangeMenuState = nullptr;
  pGetPluginInfo = nullptr;
  pReadPrinterSettings = nullptr;
  pSetDefaltDataToPluginDataMgr = nullptr;
  pGetDependPluginData = nullptr;
  pGetMenuName = nullptr;
  loaded = 0;
}
