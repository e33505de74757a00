#include "menu/PluginHost.h"

#include <vector>

#include "platform/Text.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"

namespace {

// More further blocks than this from one plug-in are taken for a broken plug-in.
constexpr std::int32_t kMaxDependBlocks = 4096;
// Longest menu name a plug-in may ask a buffer for, terminator included.
constexpr std::int32_t kMaxMenuNameChars = 4096;

bool IsAutoCutterPlugin(std::u16string_view dllName) {
  return plat::EqualsNoCase(dllName, kAutoCutterPluginName);
}

}  // namespace

std::int32_t BindPlugin(MenuItemRecord& item, const PluginHostContext& host, std::string* reason) {
  auto fail = [reason](std::string why) {
    if (reason != nullptr) *reason = std::move(why);
    return 0;
  };
  if (item.dllName.empty()) return 1;
  if (!host.loadPlugins) return fail("plug-ins are not loaded by this reader");
  if (IsAutoCutterPlugin(item.dllName) && host.block != nullptr && host.block->deviceId == kNoAutoCutterDeviceId) {
    return fail("not loaded for device ID 145");
  }
  if (item.plugin.LoadPlugin(item.dllName) != 0) return fail(item.plugin.LoadError());
  const std::int32_t result = item.plugin.Initialize(host.mainFrame, host.contentPane, host.block);
  if (result != kPluginOk) {
    // The plug-in refused to start: nothing of it is used again, so its library goes
    // now rather than with the menu.
    item.plugin.Unload();
    return fail("initialize returned " + std::to_string(result));
  }
  return 1;
}

std::u16string PluginMenuName(CMenuDLLProc& plugin, std::u16string_view key) {
  const std::u16string keyCopy(key);  // zero-terminated for the plug-in
  const char16_t* keyText = key.empty() ? nullptr : keyCopy.c_str();
  const auto keyLength = static_cast<std::int32_t>(key.size());
  std::int32_t needed = 0;
  if (plugin.GetMenuName(keyText, keyLength, nullptr, 0, &needed) != kPluginBufferTooSmall) return {};
  if (needed <= 0 || needed > kMaxMenuNameChars) return {};
  std::vector<char16_t> buffer(static_cast<std::size_t>(needed), u'\0');
  std::int32_t again = 0;
  if (plugin.GetMenuName(keyText, keyLength, buffer.data(), needed, &again) != kPluginOk) return {};
  buffer.back() = u'\0';  // a plug-in that forgot the terminator is not read past its buffer
  return std::u16string(buffer.data());
}

void RegisterPluginData(MenuItemList& items, IPluginDataMgr& manager) {
  // Own blocks first, so that a block's own plug-in supplies its defaults even when a
  // plug-in earlier in the menu uses it as a further block.
  for (auto& item : items) {
    if (item->dllName.empty()) continue;
    CMenuDLLProc& plugin = item->plugin;
    DataBlockDesc desc{0, 0, 0};
    if (plugin.IsLoaded()) plugin.pGetPluginInfo(&desc);
    if (manager.FindBlock(desc.id) != kSettingNotFound) continue;
    if (manager.AddBlock(desc.id, desc.version, desc.size) == kSettingOk && plugin.IsLoaded()) {
      plugin.pSetDefaltDataToPluginDataMgr(desc.id);
    }
  }
  for (auto& item : items) {
    if (item->dllName.empty()) continue;
    CMenuDLLProc& plugin = item->plugin;
    if (!plugin.IsLoaded()) continue;
    std::int32_t count = 0;
    plugin.pGetDependPluginData(nullptr, &count);
    if (count <= 0 || count > kMaxDependBlocks) continue;
    std::vector<DataBlockDesc> records(static_cast<std::size_t>(count), DataBlockDesc{0, 0, 0});
    std::int32_t given = count;
    plugin.pGetDependPluginData(records.data(), &given);
    // The program reads the count it allocated, whatever the plug-in wrote back.
    for (const DataBlockDesc& desc : records) {
      if (manager.FindBlock(desc.id) == kSettingNotFound &&
          manager.AddBlock(desc.id, desc.version, desc.size) == kSettingOk) {
        plugin.pSetDefaltDataToPluginDataMgr(desc.id);
      }
    }
  }
}

std::int32_t ChangeMenuState(MenuItemRecord& item, std::int32_t state) {
  if (!item.plugin.IsLoaded()) return kMenuNoPlugin;
  return item.plugin.pChangeMenuState(state);
}

void UnloadPlugins(MenuItemList& items) {
  while (!items.empty()) {
    std::unique_ptr<MenuItemRecord> item = std::move(items.front());
    items.erase(items.begin());
    if (item->plugin.IsLoaded()) item->plugin.pFinalize();
    item->plugin.Unload();
  }
}
