#include "menu/MenuDefinition.h"

#include <cstring>

#include "lang/CLangResTable.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

// Texts of the menu file are read into buffers of this many characters.
constexpr std::uint32_t kTextBufferChars = 260;

constexpr char16_t kAppSettingSection[] = u"APP_SETTING";
constexpr char16_t kSettingsSection[] = u"SETTINGS";

std::u16string ReadText(const char16_t* section, const char16_t* key, const std::u16string& file) {
  char16_t buffer[kTextBufferChars] = {};
  plat::GetPrivateProfileStringW(section, key, u"", buffer, kTextBufferChars, file.c_str());
  return std::u16string(buffer);
}

std::int32_t ReadInt(const char16_t* section, const char16_t* key, std::int32_t def, const std::u16string& file) {
  return plat::GetPrivateProfileIntW(section, key, def, file.c_str());
}

std::uint32_t ComposeColor(std::int32_t r, std::int32_t g, std::int32_t b) {
  return static_cast<std::uint32_t>(r) + static_cast<std::uint32_t>(g) * 256u + static_cast<std::uint32_t>(b) * 65536u;
}

// The string index of a label: the decimal number after its last "_" (leading digits;
// none gives 0), or -1 when the label has no "_".
std::int32_t LabelIndex(std::u16string_view label) {
  const std::size_t underscore = label.rfind(u'_');
  if (underscore == std::u16string_view::npos) return -1;
  std::int64_t value = 0;
  for (std::size_t i = underscore + 1; i < label.size() && label[i] >= u'0' && label[i] <= u'9'; ++i) {
    value = value * 10 + (label[i] - u'0');
    if (value > kLangMaxStringId) return -1;  // beyond any table
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::u16string MenuFileName(std::int32_t mode) {
  switch (mode) {
    case 1: return u"MENUITEM_LOGO.DAT";
    case 2: return u"MENUITEM_PRNCTRL.DAT";
    case 3: return u"MENUITEM_REMOTE.DAT";
    case 4: return u"MENUITEM_SAVEFILE.DAT";
    case 5: return u"MENUITEM_COUPON.DAT";
    case 100: return u"MENUITEM_WRD_5.DAT";
    case 110: return u"MENUITEM_WRD_5_LOGO.DAT";
    default: return u"MENUITEM.DAT";
  }
}

MenuLook ReadMenuLook(std::u16string_view path) {
  const std::u16string file(path);
  MenuLook look;
  const std::u16string title = ReadText(kAppSettingSection, u"TITLE", file);
  if (!title.empty()) {
    look.title = title;
    if (ReadInt(kAppSettingSection, u"TITLE_ADD_VERSION", 0, file) == 1) {
      look.title += u" ";
      look.title += kMenuTitleVersion;
    }
  }
  static constexpr const char16_t* kIndentKeys[5] = {u"LEVEL1_INDENT", u"LEVEL2_INDENT", u"LEVEL3_INDENT",
                                                     u"LEVEL4_INDENT", u"LEVEL5_INDENT"};
  for (std::size_t level = 0; level < look.indents.size(); ++level) {
    look.indents[level] = ReadInt(kSettingsSection, kIndentKeys[level], look.indents[level], file);
  }
  look.itemHeight = ReadInt(kSettingsSection, u"MENU_ITEM_HEIGHT", -1, file);
  look.itemWidth = ReadInt(kSettingsSection, u"MENU_ITEM_WIDTH", -1, file);
  look.backgroundBitmap = ReadText(kSettingsSection, u"BACKGROUND_BITMAP", file);
  look.onMouseBitmap = ReadText(kSettingsSection, u"ITEM_ON_MOUSE_BITMAP", file);
  look.selectedBitmap = ReadText(kSettingsSection, u"ITEM_SELECTED_BITMAP", file);
  look.selectingBitmap = ReadText(kSettingsSection, u"ITEM_SELECTING_BITMAP", file);
  look.stretch = ReadInt(kSettingsSection, u"ITEM_BITMAP_STRETCH", 0, file);
  look.transparent = ReadInt(kSettingsSection, u"ITEM_BITMAP_BK_TRANSPARENT", 0, file);
  look.defaultFontSize = ReadInt(kSettingsSection, u"DEFALT_FONT_SIZE", -1, file);
  const std::int32_t r = ReadInt(kSettingsSection, u"DEFALT_FONT_COLOR_R", -1, file);
  const std::int32_t g = ReadInt(kSettingsSection, u"DEFALT_FONT_COLOR_G", -1, file);
  const std::int32_t b = ReadInt(kSettingsSection, u"DEFALT_FONT_COLOR_B", -1, file);
  look.defaultColor = (r >= 0 && g >= 0 && b >= 0) ? ComposeColor(r, g, b) : 0;
  return look;
}

std::u16string MenuItemLabel(std::u16string_view string, const CLangResTable& table) {
  const std::int32_t index = LabelIndex(string);
  if (index >= 0 && static_cast<std::size_t>(index) < table.Strings().size()) {
    std::u16string translated;
    if (table.GetStringText(index, translated) == kLangOk) return translated;
  }
  return std::u16string(string);
}

MenuItemList ReadMenuItems(std::u16string_view path, const CLangResTable& table, const PluginHostContext& host,
                           std::vector<DroppedMenuItem>* dropped) {
  MenuItemList items;
  const std::u16string file(path);
  char16_t names[kMenuSectionNamesBuffer] = {};
  const std::uint32_t used = plat::GetPrivateProfileSectionNamesW(names, kMenuSectionNamesBuffer, file.c_str());
  if (used >= kMenuSectionNamesLimit) return items;

  const std::u16string_view prefix(kMenuItemSectionPrefix);
  const MenuLook look = ReadMenuLook(path);
  for (const char16_t* name = names; *name != u'\0'; name += std::char_traits<char16_t>::length(name) + 1) {
    const std::u16string section(name);
    if (section.compare(0, prefix.size(), prefix) != 0) continue;
    const char16_t* s = section.c_str();

    auto item = std::make_unique<MenuItemRecord>();
    item->itemId = ReadInt(s, u"ITEMID", 0, file);
    item->selectable = ReadInt(s, u"SELECTING", 0, file);
    item->parentId = ReadInt(s, u"PARENTITEMID", 0, file);
    item->dllName = ReadText(s, u"USE_DLL_NAME", file);
    item->bold = ReadInt(s, u"FONT_BOLD", 0, file);
    item->fontSize = ReadInt(s, u"FONT_SIZE", 0, file);
    const std::int32_t r = ReadInt(s, u"FONT_COLOR_R", -1, file);
    const std::int32_t g = ReadInt(s, u"FONT_COLOR_G", -1, file);
    const std::int32_t b = ReadInt(s, u"FONT_COLOR_B", -1, file);
    item->color = (r < 0 || g < 0 || b < 0) ? look.defaultColor : ComposeColor(r, g, b);

    std::string reason;
    const bool bound = BindPlugin(*item, host, &reason) == 1;

    const std::u16string string = ReadText(s, u"STRING", file);
    if (!string.empty()) {
      item->label = MenuItemLabel(string, table);
    } else {
      item->label = PluginMenuName(item->plugin, ReadText(s, u"MENU_NAME_KEY", file));
    }

    const bool valid = item->dllName.empty() ? (item->itemId != 0 || item->parentId != 0) : item->plugin.IsLoaded();
    if (bound && valid) {
      items.push_back(std::move(item));
      continue;
    }
    if (dropped != nullptr) {
      if (bound) reason = "no item id, parent or plug-in";
      dropped->push_back(DroppedMenuItem{section, item->dllName, reason});
    }
  }
  return items;
}

void ComputeMenuLevels(MenuItemList& items) {
  for (auto& item : items) {
    if (item->parentId == 0) continue;
    for (const auto& other : items) {
      if (other->itemId == item->parentId) {
        item->level = other->level + 1;
        break;
      }
    }
  }
}
