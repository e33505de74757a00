#pragma once
// The plug-in protocol: what a setting-page library exports and what the program
// relies on. A plug-in is a shared library named by a menu item (key USE_DLL_NAME of
// the menu definition file). The program loads it when the menu is built, resolves the
// nine entry points below by name, and calls them in this order for the life of the
// main window:
//
//   FORMVIEWDLL_Initialize
//   FORMVIEWDLL_GetMenuName                    only when the menu item has no STRING
//   FORMVIEWDLL_GetPluginInfo, then FORMVIEWDLL_SetDefaltDataToPluginDataMgr for the
//                                              plug-in's own block when it is new
//   FORMVIEWDLL_GetDependPluginData (twice), then FORMVIEWDLL_SetDefaltDataToPluginDataMgr
//                                              for each further block that is new
//   FORMVIEWDLL_ReadPrinterSettings            whenever the printer's settings are read
//   FORMVIEWDLL_ChangeMenuState                as the user moves through the menu
//   FORMVIEWDLL_Finalize                       once, before the library is unloaded
//
// A library that lacks any of the first eight entry points is not loaded and its menu
// item does not appear; FORMVIEWDLL_GetMenuName may be missing. The program never shows
// a message for a plug-in that fails.
//
// Threads: every entry point is called on the user-interface thread, except
// FORMVIEWDLL_ReadPrinterSettings, which runs on the worker thread of a communication
// job while the user-interface thread shows the progress dialog; the application's
// communication lock is held then.
#include <cstdint>

#include "platform/ui/Messages.h"
#include "sdk/AppSettingsBlock.h"

// One data block a plug-in owns or uses: id, version, size in bytes including the
// 32-byte block header. Twelve bytes, little-endian, in this order.
struct DataBlockDesc {
  std::uint32_t id;
  std::int32_t version;
  std::int32_t size;
};
static_assert(sizeof(DataBlockDesc) == 12);

// Results of the entry points.
inline constexpr std::int32_t kPluginOk = 0;               // Initialize, ChangeMenuState, GetMenuName
inline constexpr std::int32_t kPluginReadOk = 1;           // ReadPrinterSettings: complete
inline constexpr std::int32_t kPluginLeaveRefused = -5;    // ChangeMenuState(1): stay on this page
inline constexpr std::int32_t kPluginBufferTooSmall = -8;  // GetMenuName: needed length stored
inline constexpr std::int32_t kPluginPrinterNotAnswering = -64;  // ReadPrinterSettings: stop reading

// States of FORMVIEWDLL_ChangeMenuState.
inline constexpr std::int32_t kMenuStateLeave = 1;     // may the current page be left?
inline constexpr std::int32_t kMenuStateEnter = 2;     // the page became current: show it
inline constexpr std::int32_t kMenuStateReselect = 3;  // the current page was chosen again

#if defined(_WIN32)
#define XJ_PLUGIN_EXPORT __declspec(dllexport)
#else
#define XJ_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// mainFrame: the main window (null when there is none); contentPane: the pane in which
// the page shows itself (null when there is none); block: the application settings
// block, valid for the life of the main window. Result 0: the plug-in is ready and its
// menu item stays; any other value drops the item.
XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_Initialize(plat::HWND mainFrame, plat::HWND contentPane,
                                                     AppSettingsBlock* block);
// Releases everything the plug-in holds; the result is ignored.
XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_Finalize(void);
// The window of the plug-in's current page, or null. Must be exported; the program
// does not call it.
XJ_PLUGIN_EXPORT plat::HWND FORMVIEWDLL_GetActiveView(void);
// state 1 (kMenuStateLeave): may the page be left? On a selection change
// kPluginLeaveRefused keeps the page current and any other result lets it go; when the
// application closes any result but 0 keeps it open. States 2 and 3: result ignored.
XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_ChangeMenuState(std::int32_t state);
// Fills *desc (zeroed by the program) with the plug-in's own data block. A record left
// zero registers nothing.
XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_GetPluginInfo(DataBlockDesc* desc);
// Reads the plug-in's settings from the printer into its data block: kPluginReadOk when
// complete, kPluginPrinterNotAnswering when the printer does not answer (the program
// then reads no further plug-in), anything else when incomplete.
XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_ReadPrinterSettings(void);
// Stores the default contents of block id in the data manager (IPluginDataMgr::SetData);
// the result is ignored.
XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_SetDefaltDataToPluginDataMgr(std::uint32_t id);
// The further data blocks the plug-in uses. records null: stores their number in
// *count. Otherwise fills *count records (the count the program gives).
XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_GetDependPluginData(DataBlockDesc* records, std::int32_t* count);
// Optional. key: the menu item's MENU_NAME_KEY (null when empty) of keyLength
// characters. Writes the menu text, zero-terminated, to buffer (bufferLength
// characters) and returns 0; when buffer is null or too small, stores the length needed
// in characters, terminator included, in *needed and returns kPluginBufferTooSmall.
XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_GetMenuName(const char16_t* key, std::int32_t keyLength,
                                                      char16_t* buffer, std::int32_t bufferLength,
                                                      std::int32_t* needed);

}  // extern "C"

// Types of the entry points, as the program resolves them.
using FORMVIEWDLL_Initialize_Fn = decltype(&FORMVIEWDLL_Initialize);
using FORMVIEWDLL_Finalize_Fn = decltype(&FORMVIEWDLL_Finalize);
using FORMVIEWDLL_GetActiveView_Fn = decltype(&FORMVIEWDLL_GetActiveView);
using FORMVIEWDLL_ChangeMenuState_Fn = decltype(&FORMVIEWDLL_ChangeMenuState);
using FORMVIEWDLL_GetPluginInfo_Fn = decltype(&FORMVIEWDLL_GetPluginInfo);
using FORMVIEWDLL_ReadPrinterSettings_Fn = decltype(&FORMVIEWDLL_ReadPrinterSettings);
using FORMVIEWDLL_SetDefaltDataToPluginDataMgr_Fn = decltype(&FORMVIEWDLL_SetDefaltDataToPluginDataMgr);
using FORMVIEWDLL_GetDependPluginData_Fn = decltype(&FORMVIEWDLL_GetDependPluginData);
using FORMVIEWDLL_GetMenuName_Fn = decltype(&FORMVIEWDLL_GetMenuName);
