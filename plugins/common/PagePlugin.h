#pragma once
// The plug-in entry points of a setting plug-in with one page built from a description.
// A plug-in's source defines its page and lets this header define the nine entry
// points:
//
//   PageDef DescribePage() { ... }
//   XJ_SETTING_PAGE_PLUGIN(DescribePage)
//
// The page is created in the content pane at initialisation, shown when its menu item
// becomes current and hidden when it is left; its settings are read on the reading
// worker; unapplied changes are asked about before the page is left or the program
// closes.
#include "plugins/common/SettingPage.h"
#include "sdk/FormViewDll.h"

namespace pageplugin {

std::int32_t Initialize(PageDef (*describe)(), plat::HWND mainFrame, plat::HWND contentPane, AppSettingsBlock* block);
std::int32_t Finalize();
plat::HWND GetActiveView();
std::int32_t ChangeMenuState(std::int32_t state);
std::int32_t GetPluginInfo(PageDef (*describe)(), DataBlockDesc* desc);
std::int32_t ReadPrinterSettings();
std::int32_t SetDefaultData(std::uint32_t id);
std::int32_t GetDependPluginData(DataBlockDesc* records, std::int32_t* count);
std::int32_t GetMenuName(PageDef (*describe)(), const char16_t* key, std::int32_t keyLength, char16_t* buffer,
                         std::int32_t bufferLength, std::int32_t* needed);

}  // namespace pageplugin

#define XJ_SETTING_PAGE_PLUGIN(describe)                                                                     \
  extern "C" {                                                                                               \
  std::int32_t FORMVIEWDLL_Initialize(plat::HWND mainFrame, plat::HWND contentPane, AppSettingsBlock* block) { \
    return pageplugin::Initialize(&describe, mainFrame, contentPane, block);                                 \
  }                                                                                                          \
  std::int32_t FORMVIEWDLL_Finalize(void) { return pageplugin::Finalize(); }                                 \
  plat::HWND FORMVIEWDLL_GetActiveView(void) { return pageplugin::GetActiveView(); }                         \
  std::int32_t FORMVIEWDLL_ChangeMenuState(std::int32_t state) { return pageplugin::ChangeMenuState(state); } \
  std::int32_t FORMVIEWDLL_GetPluginInfo(DataBlockDesc* desc) { return pageplugin::GetPluginInfo(&describe, desc); } \
  std::int32_t FORMVIEWDLL_ReadPrinterSettings(void) { return pageplugin::ReadPrinterSettings(); }           \
  std::int32_t FORMVIEWDLL_SetDefaltDataToPluginDataMgr(std::uint32_t id) { return pageplugin::SetDefaultData(id); } \
  std::int32_t FORMVIEWDLL_GetDependPluginData(DataBlockDesc* records, std::int32_t* count) {               \
    return pageplugin::GetDependPluginData(records, count);                                                  \
  }                                                                                                          \
  std::int32_t FORMVIEWDLL_GetMenuName(const char16_t* key, std::int32_t keyLength, char16_t* buffer,        \
                                       std::int32_t bufferLength, std::int32_t* needed) {                    \
    return pageplugin::GetMenuName(&describe, key, keyLength, buffer, bufferLength, needed);                 \
  }                                                                                                          \
  }
