#pragma once
// The nine plug-in entry points of a setting plug-in with one page. A plug-in names a
// function that creates its controller (a CPluginPageCtrl) and lets this header define
// the entry points:
//
//   std::unique_ptr<CPluginPageCtrl> CreateController() { ... }
//   XJ_PAGE_PLUGIN(CreateController)
//
// A page built from a description of its settings (SettingPage.h) only describes them:
//
//   PageDef DescribePage() { ... }
//   XJ_SETTING_PAGE_PLUGIN(DescribePage)
//
// The controller is created and its page made in the content pane at initialisation;
// the page is shown when its menu item becomes current and hidden when it is left;
// its settings are read on the reading worker; the controller is asked before the page
// is left or the program closes.
#include <memory>

#include "plugins/common/CPluginPageCtrl.h"
#include "plugins/common/CSettingPageCtrl.h"
#include "plugins/common/SettingPage.h"
#include "sdk/FormViewDll.h"

namespace pageplugin {

using ControllerFactory = std::unique_ptr<CPluginPageCtrl> (*)();

std::int32_t Initialize(ControllerFactory create, plat::HWND mainFrame, plat::HWND contentPane,
                        AppSettingsBlock* block);
std::int32_t Finalize();
plat::HWND GetActiveView();
std::int32_t ChangeMenuState(std::int32_t state);
std::int32_t GetPluginInfo(ControllerFactory create, DataBlockDesc* desc);
std::int32_t ReadPrinterSettings();
std::int32_t SetDefaultData(std::uint32_t id);
std::int32_t GetDependPluginData(DataBlockDesc* records, std::int32_t* count);
std::int32_t GetMenuName(ControllerFactory create, const char16_t* key, std::int32_t keyLength, char16_t* buffer,
                         std::int32_t bufferLength, std::int32_t* needed);

}  // namespace pageplugin

#define XJ_PAGE_PLUGIN(create)                                                                               \
  extern "C" {                                                                                               \
  std::int32_t FORMVIEWDLL_Initialize(plat::HWND mainFrame, plat::HWND contentPane, AppSettingsBlock* block) { \
    return pageplugin::Initialize(&create, mainFrame, contentPane, block);                                   \
  }                                                                                                          \
  std::int32_t FORMVIEWDLL_Finalize(void) { return pageplugin::Finalize(); }                                 \
  plat::HWND FORMVIEWDLL_GetActiveView(void) { return pageplugin::GetActiveView(); }                         \
  std::int32_t FORMVIEWDLL_ChangeMenuState(std::int32_t state) { return pageplugin::ChangeMenuState(state); } \
  std::int32_t FORMVIEWDLL_GetPluginInfo(DataBlockDesc* desc) { return pageplugin::GetPluginInfo(&create, desc); } \
  std::int32_t FORMVIEWDLL_ReadPrinterSettings(void) { return pageplugin::ReadPrinterSettings(); }           \
  std::int32_t FORMVIEWDLL_SetDefaltDataToPluginDataMgr(std::uint32_t id) { return pageplugin::SetDefaultData(id); } \
  std::int32_t FORMVIEWDLL_GetDependPluginData(DataBlockDesc* records, std::int32_t* count) {               \
    return pageplugin::GetDependPluginData(records, count);                                                  \
  }                                                                                                          \
  std::int32_t FORMVIEWDLL_GetMenuName(const char16_t* key, std::int32_t keyLength, char16_t* buffer,        \
                                       std::int32_t bufferLength, std::int32_t* needed) {                    \
    return pageplugin::GetMenuName(&create, key, keyLength, buffer, bufferLength, needed);                   \
  }                                                                                                          \
  }

#define XJ_SETTING_PAGE_PLUGIN(describe)                                        \
  namespace {                                                                   \
  std::unique_ptr<CPluginPageCtrl> CreateSettingPageController() {              \
    return std::make_unique<CSettingPageCtrl>(describe());                      \
  }                                                                             \
  }                                                                             \
  XJ_PAGE_PLUGIN(CreateSettingPageController)
