#pragma once
// The host side of the plug-in protocol (sdk/FormViewDll.h) over a list of menu items:
// binding an item's library, its menu name, the registration of the plug-ins' data
// blocks, page-state changes and unloading. No Qt here.
//
// Threads: UI thread.
#include <cstdint>
#include <string>
#include <string_view>

#include "menu/MenuItem.h"
#include "platform/ui/Messages.h"

class IPluginDataMgr;
struct AppSettingsBlock;

// What a plug-in is given at initialisation.
struct PluginHostContext {
  plat::HWND mainFrame = nullptr;
  plat::HWND contentPane = nullptr;
  AppSettingsBlock* block = nullptr;
  // False for a reader that only looks at what a menu file says: an item that names a
  // plug-in is then dropped without its library being loaded, so reading a file that
  // came from elsewhere runs none of the code it names.
  bool loadPlugins = true;
};

// The auto cutter page's library, which printers of kNoAutoCutterDeviceId do without.
inline constexpr char16_t kAutoCutterPluginName[] = u"XJUATCUTSTG.dll";
inline constexpr std::int32_t kNoAutoCutterDeviceId = 145;

// Result of ChangeMenuState for an item without a loaded plug-in (nothing was asked).
inline constexpr std::int32_t kMenuNoPlugin = -1;

// Loads and initialises the item's plug-in: 1 when the item needs none (empty DLL name)
// or its library loaded and FORMVIEWDLL_Initialize returned 0; 0 otherwise. The
// auto cutter library is not loaded at all for device ID 145, and no library at all
// when host.loadPlugins is false. When the result is 0, why is stored in *reason (when
// given). A library whose initialise failed is unloaded again at once.
std::int32_t BindPlugin(MenuItemRecord& item, const PluginHostContext& host, std::string* reason = nullptr);

// The menu text a plug-in gives for key: asked with no buffer first, then, on -8, with
// a buffer of the needed length. Empty for any other answer or an unloaded plug-in.
std::u16string PluginMenuName(CMenuDLLProc& plugin, std::u16string_view key);

// Registers the data blocks of the items' plug-ins in two passes, in list order,
// skipping items without a DLL name: first every plug-in's own block, then the further
// blocks each one uses. Only the plug-in that declares a block first creates it and
// supplies its defaults.
void RegisterPluginData(MenuItemList& items, IPluginDataMgr& manager);

// FORMVIEWDLL_ChangeMenuState of the item's plug-in; kMenuNoPlugin when it has none
// loaded.
std::int32_t ChangeMenuState(MenuItemRecord& item, std::int32_t state);

// Empties the list from the front: each loaded plug-in is finalised, its library
// unloaded, and the item destroyed.
void UnloadPlugins(MenuItemList& items);
