#pragma once
// CMenuDLLProc: the program's side of one plug-in library (sdk/FormViewDll.h). It loads
// the library a menu item names, resolves the nine entry points by name, and forwards
// the host's calls. The loaded flag is 1 only while the library is loaded and the
// first eight entry points were all found; FORMVIEWDLL_GetMenuName may be missing.
// Callers test IsLoaded() before they call an entry point through its pointer.
//
// Threads: UI thread, except that ReadPrinterSettings may be called through its pointer
// on a communication job's worker while the UI thread waits.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/DynLib.h"
#include "sdk/FormViewDll.h"

// Results of LoadPlugin, Initialize and GetMenuName besides the entry points' own.
inline constexpr std::int32_t kPluginNotLoaded = -1;      // no library, or it failed to load
inline constexpr std::int32_t kPluginNoMenuName = -7;     // FORMVIEWDLL_GetMenuName not exported

class CMenuDLLProc {
 public:
  CMenuDLLProc() = default;
  // Unloads a library still loaded (without FORMVIEWDLL_Finalize: the owner finalises
  // first, see Unload).
  ~CMenuDLLProc();
  CMenuDLLProc(const CMenuDLLProc&) = delete;
  CMenuDLLProc& operator=(const CMenuDLLProc&) = delete;

  // Loads the library by the file name as the menu file gives it (the executable folder
  // first) and resolves the entry points. kPluginNotLoaded when it does not load or
  // lacks one of the first eight entry points (it is then unloaded again); 0 otherwise.
  // Why it failed is kept in LoadError().
  std::int32_t LoadPlugin(std::u16string_view fileName);

  // FORMVIEWDLL_Initialize with the two window handles (null for a missing window) and
  // the settings block; kPluginNotLoaded when not loaded.
  std::int32_t Initialize(plat::HWND mainFrame, plat::HWND contentPane, AppSettingsBlock* block);

  // FORMVIEWDLL_GetMenuName: kPluginNotLoaded when not loaded, kPluginNoMenuName when the
  // library does not export it, otherwise the entry point's result.
  virtual std::int32_t GetMenuName(const char16_t* key, std::int32_t keyLength, char16_t* buffer,
                                   std::int32_t bufferLength, std::int32_t* needed);

  // Unloads the library and clears the entry points and the flag. Does not finalise.
  void Unload();

  bool IsLoaded() const { return loaded != 0; }
  // Why the last LoadPlugin failed ("not found: ...", "missing entry point
  // FORMVIEWDLL_GetActiveView"); empty after a success.
  const std::string& LoadError() const { return loadError_; }

  // Fields in the order of the protocol; public, since the menu view, the main frame
  // and the printer settings reader call the entry points directly.
  plat::LibHandle module = nullptr;
  FORMVIEWDLL_Initialize_Fn pInitialize = nullptr;
  FORMVIEWDLL_Finalize_Fn pFinalize = nullptr;
  FORMVIEWDLL_GetActiveView_Fn pGetActiveView = nullptr;
  FORMVIEWDLL_ChangeMenuState_Fn pChangeMenuState = nullptr;
  FORMVIEWDLL_GetPluginInfo_Fn pGetPluginInfo = nullptr;
  FORMVIEWDLL_ReadPrinterSettings_Fn pReadPrinterSettings = nullptr;
  FORMVIEWDLL_SetDefaltDataToPluginDataMgr_Fn pSetDefaltDataToPluginDataMgr = nullptr;
  FORMVIEWDLL_GetDependPluginData_Fn pGetDependPluginData = nullptr;
  FORMVIEWDLL_GetMenuName_Fn pGetMenuName = nullptr;
  std::uint8_t loaded = 0;

 private:
  std::string loadError_;
};
