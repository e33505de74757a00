// Reading menu definition files written by the tests: items kept and dropped, labels,
// colours, levels and the look of the pane.
#include <gtest/gtest.h>

#include <cstring>

#include "app/settings/PluginDataMgr.h"
#include "lang/CLangResTable.h"
#include "menu/MenuDefinition.h"
#include "sdk/AppSettingsBlock.h"
#include "tests/menu/MenuTestSupport.h"

namespace {

using menutest::MenuFile;

class MenuDefinitionTest : public ::testing::Test {
 protected:
  MenuDefinitionTest() { std::memset(&block_, 0, sizeof block_); host_.block = &block_; }

  // Reads the items of a menu file with a language file of stringCount menu labels.
  MenuItemList Read(const std::string& text, int stringCount = 0) {
    table_.SelectLanguageFile(plat::FromUtf8(menutest::LanguageFolder(stringCount)), kLangIdEnglish, kLangIdEnglish);
    table_.LoadResources(kMenuResourceKey);
    dropped_.clear();
    return ReadMenuItems(plat::FromUtf8(MenuFile(text)), table_, host_, &dropped_);
  }

  static std::vector<std::u16string> Labels(const MenuItemList& items) {
    std::vector<std::u16string> labels;
    for (const auto& item : items) labels.push_back(item->label);
    return labels;
  }

  CLangResTable table_;
  AppSettingsBlock block_;
  PluginHostContext host_;
  std::vector<DroppedMenuItem> dropped_;
};

TEST_F(MenuDefinitionTest, ItemsAreKeptInFileOrderWhenValid) {
  const MenuItemList items = Read(
      "[MENUITEM_]\n"
      "[MENUITEM_HEAD]\nITEMID=3\nSTRING=Heading\nFONT_BOLD=1\n"
      "[OTHER_SECTION]\nITEMID=9\nSTRING=Not an item\n"
      "[menuitem_lower]\nITEMID=8\nSTRING=Wrong case\n"
      "[MENUITEM_PAGE]\nITEMID=4\nPARENTITEMID=3\nSELECTING=1\nSTRING=Page\nFONT_SIZE=11\n"
      "[MENUITEM_CHILD_ONLY]\nPARENTITEMID=3\nSTRING=Child\n"
      "[MENUITEM_BROKEN]\nITEMID=5\nUSE_DLL_NAME=" + plat::ToUtf8(menutest::PluginPath("xjtest_init_fails")) + "\n");
  EXPECT_EQ(Labels(items), (std::vector<std::u16string>{u"Heading", u"Page", u"Child"}));
  EXPECT_EQ(items[0]->selectable, 0);
  EXPECT_EQ(items[0]->bold, 1);
  EXPECT_EQ(items[1]->selectable, 1);
  EXPECT_EQ(items[1]->fontSize, 11);
  ASSERT_EQ(dropped_.size(), 2u);
  EXPECT_EQ(dropped_[0].section, u"MENUITEM_");
  EXPECT_EQ(dropped_[0].reason, "no item id, parent or plug-in");
  EXPECT_EQ(dropped_[1].section, u"MENUITEM_BROKEN");
  EXPECT_EQ(dropped_[1].reason, "initialize returned 7");
}

TEST_F(MenuDefinitionTest, LabelsAreTranslatedByTheNumberAfterTheLastUnderscore) {
  const std::string menu =
      "[MENUITEM_A]\nITEMID=1\nSTRING=STR_12\n"
      "[MENUITEM_B]\nITEMID=2\nSTRING=Some_Thing_0\n"
      "[MENUITEM_C]\nITEMID=3\nSTRING=NoIndex\n"
      "[MENUITEM_D]\nITEMID=4\nSTRING=Trailing_\n";
  EXPECT_EQ(Labels(Read(menu, 13)),
            (std::vector<std::u16string>{u"Label 12", u"Label 0", u"NoIndex", u"Label 0"}));
  EXPECT_EQ(Labels(Read(menu, 12)),
            (std::vector<std::u16string>{u"STR_12", u"Label 0", u"NoIndex", u"Label 0"}));
  EXPECT_EQ(Labels(Read(menu, 0)),
            (std::vector<std::u16string>{u"STR_12", u"Some_Thing_0", u"NoIndex", u"Trailing_"}));
}

TEST_F(MenuDefinitionTest, ItemsWithoutStringAskTheirPlugin) {
  MenuItemList items = Read("[MENUITEM_P]\nITEMID=1\nSELECTING=1\nMENU_NAME_KEY=K\nUSE_DLL_NAME=" +
                                  plat::ToUtf8(menutest::PluginPath("xjtest_menu_name_12")) +
                                  "\n[MENUITEM_Q]\nITEMID=2\nMENU_NAME_KEY=K\nUSE_DLL_NAME=" +
                                  plat::ToUtf8(menutest::PluginPath("xjtest_no_menu_name")) + "\n");
  EXPECT_EQ(Labels(items), (std::vector<std::u16string>{u"AutoCutter1", u""}));
  UnloadPlugins(items);
}

// A reader that only looks at a file (the fuzzing of the reader, the data checks)
// loads none of the libraries the file names: their items are dropped, saying why.
TEST_F(MenuDefinitionTest, AHostThatLoadsNoPluginsDropsTheirItems) {
  menutest::PluginLog log;
  host_.loadPlugins = false;
  MenuItemList items = Read("[MENUITEM_HEAD]\nITEMID=1\nSTRING=Heading\n"
                            "[MENUITEM_P]\nITEMID=2\nPARENTITEMID=1\nSELECTING=1\nMENU_NAME_KEY=K\nUSE_DLL_NAME=" +
                            plat::ToUtf8(menutest::PluginPath("xjtest_menu_name_12")) + "\n");
  EXPECT_EQ(Labels(items), std::vector<std::u16string>{u"Heading"});
  ASSERT_EQ(dropped_.size(), 1u);
  EXPECT_EQ(dropped_[0].section, u"MENUITEM_P");
  EXPECT_EQ(dropped_[0].reason, "plug-ins are not loaded by this reader");
  EXPECT_EQ(log.Lines(), std::vector<std::string>{}) << "the plug-in was not asked anything";
}

TEST_F(MenuDefinitionTest, ColoursFallBackToTheDefaultColour) {
  const MenuItemList items = Read(
      "[SETTINGS]\nDEFALT_FONT_COLOR_R=10\nDEFALT_FONT_COLOR_G=20\nDEFALT_FONT_COLOR_B=30\n"
      "[MENUITEM_A]\nITEMID=1\nFONT_COLOR_R=1\nFONT_COLOR_G=2\nFONT_COLOR_B=3\n"
      "[MENUITEM_B]\nITEMID=2\nFONT_COLOR_R=255\nFONT_COLOR_G=-1\nFONT_COLOR_B=0\n");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->color, 1u + 2u * 256u + 3u * 65536u);
  EXPECT_EQ(items[1]->color, 10u + 20u * 256u + 30u * 65536u);
  // A default colour with a missing part is black.
  EXPECT_EQ(Read("[SETTINGS]\nDEFALT_FONT_COLOR_R=255\n[MENUITEM_A]\nITEMID=1\n")[0]->color, 0u);
}

TEST_F(MenuDefinitionTest, LevelsFollowTheListOrder) {
  MenuItemList abc = Read("[MENUITEM_A]\nITEMID=1\n[MENUITEM_B]\nITEMID=2\nPARENTITEMID=1\n"
                          "[MENUITEM_C]\nITEMID=3\nPARENTITEMID=2\n[MENUITEM_ORPHAN]\nITEMID=4\nPARENTITEMID=99\n");
  ComputeMenuLevels(abc);
  EXPECT_EQ((std::vector<int>{abc[0]->level, abc[1]->level, abc[2]->level, abc[3]->level}),
            (std::vector<int>{0, 1, 2, 0}));
  // C comes before its parent B, which has no level yet when C is visited.
  MenuItemList acb = Read("[MENUITEM_A]\nITEMID=1\n[MENUITEM_C]\nITEMID=3\nPARENTITEMID=2\n"
                          "[MENUITEM_B]\nITEMID=2\nPARENTITEMID=1\n");
  ComputeMenuLevels(acb);
  EXPECT_EQ((std::vector<int>{acb[0]->level, acb[1]->level, acb[2]->level}), (std::vector<int>{0, 1, 1}));
}

TEST_F(MenuDefinitionTest, TooManySectionNamesGiveAnEmptyMenu) {
  // 40 names of 13 characters with their terminators fill 520 characters.
  std::string many;
  for (int i = 0; i < 40; ++i) many += "[MENUITEM_" + std::to_string(100 + i) + "]\nITEMID=" + std::to_string(i + 1) + "\n";
  EXPECT_TRUE(Read(many).empty());
  // 39 of them (507 characters) are read.
  std::string fewer;
  for (int i = 0; i < 39; ++i) fewer += "[MENUITEM_" + std::to_string(100 + i) + "]\nITEMID=" + std::to_string(i + 1) + "\n";
  EXPECT_EQ(Read(fewer).size(), 39u);
  // A missing file is an empty menu too.
  EXPECT_TRUE(ReadMenuItems(u"/nonexistent/MENUITEM.DAT", table_, host_).empty());
}

TEST_F(MenuDefinitionTest, TheLookHasItsDefaultsAndTheTitleItsVersion) {
  const MenuLook defaults = ReadMenuLook(plat::FromUtf8(MenuFile("")));
  EXPECT_EQ(defaults.indents, (std::array<std::int32_t, 5>{6, 12, 24, 24, 24}));
  EXPECT_EQ(defaults.itemHeight, -1);
  EXPECT_EQ(defaults.title, u"");
  EXPECT_EQ(defaults.defaultColor, 0u);

  const MenuLook look = ReadMenuLook(plat::FromUtf8(MenuFile(
      "[APP_SETTING]\nTITLE=Logo Tool\nTITLE_ADD_VERSION=1\n"
      "[SETTINGS]\nLEVEL3_INDENT=40\nMENU_ITEM_HEIGHT=28\nITEM_BITMAP_STRETCH=1\nITEM_SELECTED_BITMAP=/x/sel.bmp\n")));
  EXPECT_EQ(look.title, u"Logo Tool Ver.1.30");
  EXPECT_EQ(look.indents[2], 40);
  EXPECT_EQ(look.itemHeight, 28);
  EXPECT_EQ(look.stretch, 1);
  EXPECT_EQ(look.selectedBitmap, u"/x/sel.bmp");
}

}  // namespace
