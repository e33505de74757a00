#pragma once
// One menu item as the menu definition file describes it, with its plug-in. The menu
// view owns the ordered list; the main frame, the status view and the printer settings
// reader read it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "menu/CMenuDLLProc.h"

struct MenuItemRecord {
  std::int32_t itemId = 0;
  std::u16string label;
  std::int32_t selectable = 0;  // 1: can be pointed at and become the current page
  std::int32_t parentId = 0;    // 0: top level
  std::u16string dllName;       // empty: no plug-in
  std::int32_t bold = 0;
  std::int32_t fontSize = 0;    // points; 0: the list's font size
  std::int32_t level = 0;       // 0: top level
  std::uint32_t color = 0;      // red + green * 256 + blue * 65536
  CMenuDLLProc plugin;
};

using MenuItemList = std::vector<std::unique_ptr<MenuItemRecord>>;
