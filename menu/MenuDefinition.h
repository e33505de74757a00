#pragma once
// Reading a menu definition file: the profile file beside the program that fixes the
// look of the menu pane, the window title and the menu items with their plug-ins. One
// file exists per launch mode. No Qt here: the menu view draws what this reads.
//
// Threads: UI thread (plug-ins are loaded and initialised while the items are read).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "menu/MenuItem.h"
#include "menu/PluginHost.h"

class CLangResTable;

// The menu pane's look (section "SETTINGS") and the window title ("APP_SETTING").
struct MenuLook {
  std::u16string title;          // empty: the main frame keeps its own title
  std::array<std::int32_t, 5> indents{6, 12, 24, 24, 24};  // levels 0..4
  std::int32_t itemHeight = -1;  // -1: the height of the selected-state bitmap
  std::int32_t itemWidth = -1;   // -1: the width of the selected-state bitmap
  std::u16string backgroundBitmap;  // file names as written; empty: built-in bitmap
  std::u16string onMouseBitmap;
  std::u16string selectedBitmap;
  std::u16string selectingBitmap;
  std::int32_t stretch = 0;
  std::int32_t transparent = 0;
  std::int32_t defaultFontSize = -1;  // kept; rows use their own size
  std::uint32_t defaultColor = 0;     // black unless R, G and B are all given
};

// Menu texts that a language file replaces: key "MENU_ITEM".
inline constexpr char16_t kMenuResourceKey[] = u"MENU_ITEM";
// Prefix of the sections that are menu items (letter case counts).
inline constexpr char16_t kMenuItemSectionPrefix[] = u"MENUITEM_";
// The section names are read into a buffer of this many characters; names that fill
// kMenuSectionNamesLimit or more of it are taken for a damaged file and give no items.
inline constexpr std::uint32_t kMenuSectionNamesBuffer = 520;
inline constexpr std::uint32_t kMenuSectionNamesLimit = 518;
// Appended to TITLE with TITLE_ADD_VERSION=1.
inline constexpr char16_t kMenuTitleVersion[] = u"Ver.1.30";

// The menu definition file of a launch mode ("MENUITEM.DAT" for 0 and unknown modes).
std::u16string MenuFileName(std::int32_t mode);

// Reads "APP_SETTING" and "SETTINGS" of the file; a missing file gives the defaults.
MenuLook ReadMenuLook(std::u16string_view path);

// One item section that did not make it into the menu, and why (for the event log).
struct DroppedMenuItem {
  std::u16string section;
  std::u16string dllName;
  std::string reason;
};

// Reads the item sections in file order, binds each item's plug-in (BindPlugin), gives
// it its label (STRING, translated through the "MENU_ITEM" string entries of table, or
// the plug-in's menu name) and keeps the valid ones. Dropped items are destroyed (their
// library unloaded) and, when dropped is given, reported there. No items when the file
// is missing or its section names are too many for the buffer.
MenuItemList ReadMenuItems(std::u16string_view path, const CLangResTable& table, const PluginHostContext& host,
                           std::vector<DroppedMenuItem>* dropped = nullptr);

// The label of an item: STRING, with "…_N" replaced by string entry N of table when the
// table has more than N entries and an entry N; the plug-in's menu name when STRING is
// empty.
std::u16string MenuItemLabel(std::u16string_view string, const CLangResTable& table);

// Levels in list order: an item with a parent id gets the level of the first item with
// that id, plus one (a parent later in the list has not got its level yet). Items
// whose parent is missing keep level 0.
void ComputeMenuLevels(MenuItemList& items);
