// Menu definition files through the look and item readers, with the file's own text as
// the language file of the menu labels. No plug-in is loaded: the reader is given a host
// that loads none, so a name in the input never makes the process load a library.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "lang/CLangResTable.h"
#include "menu/MenuDefinition.h"
#include "menu/PluginHost.h"
#include "platform/Text.h"

namespace {

using fuzzsupport::Require;

// A language without a file here, so the table takes the fallback file.
constexpr std::int32_t kMissingLangId = 0x0411;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = fuzzsupport::Folder("menu");
  const std::string menuPath = folder + "/MENUITEM.DAT";
  fuzzsupport::WriteInput(menuPath, data, size);
  fuzzsupport::WriteInput(folder + "/0409.DAT", data, size);

  CLangResTable table;
  table.SelectLanguageFile(plat::FromUtf8(folder), kMissingLangId, kLangIdEnglish);
  table.LoadResources(kMenuResourceKey);

  const std::u16string path = plat::FromUtf8(menuPath);
  ReadMenuLook(path);

  PluginHostContext host;
  host.loadPlugins = false;
  std::vector<DroppedMenuItem> dropped;
  MenuItemList items = ReadMenuItems(path, table, host, &dropped);
  for (const auto& item : items) {
    Require(item->dllName.empty() && !item->plugin.IsLoaded(), "no item keeps a plug-in");
    MenuItemLabel(item->label, table);
  }
  for (const DroppedMenuItem& item : dropped) {
    Require(!item.reason.empty(), "a dropped item says why");
  }

  ComputeMenuLevels(items);
  for (std::size_t i = 0; i < items.size(); ++i) {
    // One level below its parent's level as it stands: a parent later in the list is
    // still at level 0.
    Require(items[i]->level >= 0 && static_cast<std::size_t>(items[i]->level) <= i + 1,
            "an item is at most one level below an item before it");
  }
  UnloadPlugins(items);
  return 0;
}
