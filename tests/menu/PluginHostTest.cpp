// The plug-in host with the test plug-ins: loading, the protocol's order over a session,
// shared data blocks, menu names and page states.
#include <gtest/gtest.h>

#include <cstring>

#include "app/settings/PluginDataMgr.h"
#include "menu/PluginHost.h"
#include "sdk/AppSettingsBlock.h"
#include "tests/menu/MenuTestSupport.h"

namespace {

using menutest::PluginPath;

class PluginHostTest : public ::testing::Test {
 protected:
  PluginHostTest() {
    std::memset(&block_, 0, sizeof block_);
    block_.dataMgr = &manager_;
    host_.block = &block_;
    host_.mainFrame = reinterpret_cast<plat::HWND>(&frameTag_);
    host_.contentPane = reinterpret_cast<plat::HWND>(&paneTag_);
  }

  std::unique_ptr<MenuItemRecord> Item(const std::string& plugin) {
    auto item = std::make_unique<MenuItemRecord>();
    item->itemId = 1;
    item->selectable = 1;
    item->dllName = PluginPath(plugin);
    return item;
  }

  menutest::PluginLog log_;
  PluginDataMgr manager_;
  AppSettingsBlock block_;
  PluginHostContext host_;
  int frameTag_ = 0;
  int paneTag_ = 0;
};

TEST_F(PluginHostTest, OneSessionCallsTheProtocolInItsOrder) {
  MenuItemList items;
  items.push_back(Item("xjtest_good"));
  std::string reason;
  ASSERT_EQ(BindPlugin(*items[0], host_, &reason), 1) << reason;
  EXPECT_EQ(PluginMenuName(items[0]->plugin, u"KEY"), u"Menu name");
  RegisterPluginData(items, manager_);
  EXPECT_EQ(ChangeMenuState(*items[0], kMenuStateEnter), kPluginOk);
  EXPECT_EQ(ChangeMenuState(*items[0], kMenuStateReselect), kPluginOk);
  EXPECT_EQ(ChangeMenuState(*items[0], kMenuStateLeave), kPluginOk);
  UnloadPlugins(items);
  EXPECT_TRUE(items.empty());

  const std::vector<std::string> expected = {
      "xjtest_good Initialize frame pane block",
      "xjtest_good GetMenuName 3 0",
      "xjtest_good GetMenuName 3 10",
      "xjtest_good GetPluginInfo",
      "xjtest_good SetDefaltDataToPluginDataMgr 0x00020001",
      "xjtest_good GetDependPluginData null 0",
      "xjtest_good GetDependPluginData records 1",
      "xjtest_good SetDefaltDataToPluginDataMgr 0x00020002",
      "xjtest_good ChangeMenuState 2",
      "xjtest_good ChangeMenuState 3",
      "xjtest_good ChangeMenuState 1",
      "xjtest_good Finalize",
  };
  EXPECT_EQ(log_.Lines(), expected);
  // The plug-in filled both blocks with its defaults through the manager it was given.
  std::uint8_t data[64] = {};
  ASSERT_EQ(manager_.GetData(0x00020001u, data, sizeof data), kSettingOk);
  EXPECT_EQ(data[40], 0x5A);
  EXPECT_EQ(ReadLE32(data + kBlockSizeOffset), 64u);
  EXPECT_EQ(manager_.FindBlock(0x00020002u), 1);
}

TEST_F(PluginHostTest, LibrariesWithoutARequiredEntryPointAreNotLoaded) {
  for (const char* entry : {"Initialize", "Finalize", "GetActiveView", "ChangeMenuState", "GetPluginInfo",
                            "ReadPrinterSettings", "SetDefaltDataToPluginDataMgr", "GetDependPluginData"}) {
    auto item = Item(std::string("xjtest_no_") + entry);
    std::string reason;
    EXPECT_EQ(BindPlugin(*item, host_, &reason), 0) << entry;
    EXPECT_FALSE(item->plugin.IsLoaded());
    EXPECT_EQ(item->plugin.module, nullptr);
    EXPECT_EQ(reason, std::string("missing entry point FORMVIEWDLL_") + entry);
  }
  EXPECT_TRUE(log_.Lines().empty()) << "no entry point of a rejected library may be called";

  // The menu name is optional: such a plug-in loads and names nothing.
  auto item = Item("xjtest_no_menu_name");
  ASSERT_EQ(BindPlugin(*item, host_), 1);
  EXPECT_EQ(item->plugin.GetMenuName(nullptr, 0, nullptr, 0, nullptr), kPluginNoMenuName);
  EXPECT_EQ(PluginMenuName(item->plugin, u"KEY"), u"");

  // A library that does not exist at all.
  auto missing = Item("xjtest_does_not_exist");
  std::string reason;
  EXPECT_EQ(BindPlugin(*missing, host_, &reason), 0);
  EXPECT_NE(reason.find("cannot load"), std::string::npos) << reason;
}

TEST_F(PluginHostTest, APluginThatFailsToInitialiseIsUnloadedAtOnce) {
  auto item = Item("xjtest_init_fails");
  std::string reason;
  EXPECT_EQ(BindPlugin(*item, host_, &reason), 0);
  EXPECT_EQ(reason, "initialize returned 7");
  EXPECT_FALSE(item->plugin.IsLoaded());
  EXPECT_EQ(item->plugin.module, nullptr);
  EXPECT_EQ(ChangeMenuState(*item, kMenuStateEnter), kMenuNoPlugin);
  EXPECT_EQ(log_.Lines(), std::vector<std::string>{"xjtest_init_fails Initialize frame pane block"});
}

TEST_F(PluginHostTest, TheAutoCutterPageIsNeverLoadedForDeviceId145) {
  for (const char16_t* name : {u"XJUATCUTSTG.dll", u"xjuatcutstg.DLL", u"XjUatCutStg.Dll"}) {
    MenuItemRecord item;
    item.dllName = name;
    block_.deviceId = kNoAutoCutterDeviceId;
    std::string reason;
    EXPECT_EQ(BindPlugin(item, host_, &reason), 0);
    EXPECT_EQ(reason, "not loaded for device ID 145");
    // Any other printer tries to load it (and here finds no such library).
    block_.deviceId = 144;
    EXPECT_EQ(BindPlugin(item, host_, &reason), 0);
    EXPECT_NE(reason.find("cannot load"), std::string::npos) << reason;
  }
  // Other libraries load for printer 145.
  block_.deviceId = kNoAutoCutterDeviceId;
  auto item = Item("xjtest_good");
  EXPECT_EQ(BindPlugin(*item, host_), 1);
}

TEST_F(PluginHostTest, TheFirstDeclarerOfABlockSuppliesItsDefaults) {
  MenuItemList items;
  items.push_back(Item("xjtest_good"));
  items.push_back(Item("xjtest_same_block"));
  // A heading without library takes no part in the registration.
  items.push_back(std::make_unique<MenuItemRecord>());
  for (auto& item : items) ASSERT_EQ(BindPlugin(*item, host_), 1);
  RegisterPluginData(items, manager_);

  std::vector<std::string> defaults;
  for (const std::string& line : log_.Lines()) {
    if (line.find("SetDefalt") != std::string::npos) defaults.push_back(line);
  }
  EXPECT_EQ(defaults, (std::vector<std::string>{"xjtest_good SetDefaltDataToPluginDataMgr 0x00020001",
                                                "xjtest_good SetDefaltDataToPluginDataMgr 0x00020002"}));
  EXPECT_EQ(manager_.BlockCount(), 2u);
  std::uint8_t data[48] = {};
  ASSERT_EQ(manager_.GetData(0x00020002u, data, sizeof data), kSettingOk);
  EXPECT_EQ(data[40], 0x5A) << "the second plug-in must not reset a shared block";
  UnloadPlugins(items);
}

TEST_F(PluginHostTest, AMenuNameTooLongForNoBufferIsAskedAgainWithTheNeededLength) {
  auto item = Item("xjtest_menu_name_12");
  ASSERT_EQ(BindPlugin(*item, host_), 1);
  EXPECT_EQ(PluginMenuName(item->plugin, u""), u"AutoCutter1");
  const std::vector<std::string> lines = log_.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "xjtest_menu_name_12 GetMenuName 0 0");
  EXPECT_EQ(lines[2], "xjtest_menu_name_12 GetMenuName 0 12");
}

TEST_F(PluginHostTest, LeaveAnswersArePassedOnUnchanged) {
  auto refuses = Item("xjtest_refuses_leave");
  auto other = Item("xjtest_refuses_other");
  ASSERT_EQ(BindPlugin(*refuses, host_), 1);
  ASSERT_EQ(BindPlugin(*other, host_), 1);
  EXPECT_EQ(ChangeMenuState(*refuses, kMenuStateLeave), kPluginLeaveRefused);
  EXPECT_EQ(ChangeMenuState(*other, kMenuStateLeave), 3);
  EXPECT_EQ(ChangeMenuState(*other, kMenuStateEnter), kPluginOk);
}

}  // namespace
