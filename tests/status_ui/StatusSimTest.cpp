// The status pane against the printer simulator, with the real communication library,
// the real printer information manager and a plug-in that supplies the setting blocks:
// the printer is read completely, the per-printer files and the settings command file
// are written from what was read, and the pane follows the printer live.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <mutex>

#include "app/PrinterSettingFiles.h"
#include "app/settings/PluginDataMgr.h"
#include "app/settings/SettingDataFile.h"
#include "comm/XJC.h"
#include "menu/PluginHost.h"
#include "platform/Text.h"
#include "res/ResourceIds.h"
#include "status/CPrinterSettingView.h"
#include "status/CPrinterSettingViewCtrl.h"
#include "status/PrinterSettingsFile.h"
#include "tests/support/SimProcess.h"
#include "tests/support/StatusTestFrame.h"
#include "tests/support/MessageBoxRecorder.h"

using statustest::EventLogFile;
using statustest::ProcessUntil;
using statustest::StatusTestFrame;

namespace {

constexpr std::size_t kDensityOffset = 40;

std::string Dist(const std::string& name) { return std::string(XJ_DIST_DIR) + "/" + name; }

class StatusSimTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string state = testenv::MakeTempDir("sim") + "/state";
    // A printer whose print density was set to 3 (customized value 5).
    ASSERT_TRUE(testenv::WriteFile(state, "xjk52-sim-state 1\nvalue 5 3\n"));
    SimProcess::Options options;
    options.statePath = state;
    sim_ = std::make_unique<SimProcess>(options);
    ASSERT_TRUE(sim_->Start());

    ASSERT_EQ(xjc_.Load(plat::FromUtf8(Dist("XJComm.so"))), XJC_OK);
    PortRecord& port = block_.chosenPort;
    port.presetA = port.presetB = -1;
    plat::CopyText(port.kind, kPortKindNet);
    plat::CopyText(port.portName, plat::FromUtf8(sim_->TcpEndpoint()));
    plat::CopyText(port.deviceName, u"XJ-K52II");
    ASSERT_EQ(xjc_.XJC_SetPort(&port), XJC_OK);
    ASSERT_EQ(xjc_.XJC_Open(1), XJC_OK);

    block_.langId = 0x0409;
    plat::CopyText(block_.langFolder, plat::FromUtf8(XJ_LANG_DIR));
    plat::CopyText(block_.exeFolder, plat::FromUtf8(testenv::MakeTempDir("exe") + "/"));
    dataFolder_ = testenv::MakeTempDir("data");
    plat::CopyText(block_.dataFolder, plat::FromUtf8(dataFolder_));
    block_.chosenIfType = kIfTypeEthernet;
    block_.dataMgr = &manager_;
    block_.commLock = &lock_;
    block_.xjc = &xjc_;
    block_.batteryScaleFlag = 1;

    auto item = std::make_unique<MenuItemRecord>();
    item->dllName = plat::FromUtf8(XJ_BLOCKS_PLUGIN);
    ASSERT_EQ(BindPlugin(*item, PluginHostContext{plat::WindowHandle(&frame_), nullptr, &block_}), 1);
    items_.push_back(std::move(item));
    RegisterPluginData(items_, manager_);

    frame_.view->OnInitialUpdate(&block_, &frame_, true);
    ASSERT_TRUE(info_.Load(plat::FromUtf8(Dist("VodEroVerEDU.so"))));
    frame_.view->SettingViewCtrl()->SettingView()->UseInformationManager(info_.Entries());
  }

  void TearDown() override {
    delete frame_.view;
    frame_.view = nullptr;
    UnloadPlugins(items_);
    xjc_.XJC_Terminate();
  }

  std::string StatusText() const { return frame_.view->StatusText().toStdString(); }

  std::unique_ptr<SimProcess> sim_;
  XJC xjc_;
  AppSettingsBlock block_{};
  PluginDataMgr manager_;
  std::recursive_mutex lock_;
  std::string dataFolder_;
  MenuItemList items_;
  PrinterInfoLibrary info_;
  MessageBoxRecorder boxes_;
  EventLogFile events_;
  StatusTestFrame frame_;
};

TEST_F(StatusSimTest, ACompleteReadWritesThePrintersFilesAndTheSettingsCommandFile) {
  frame_.view->StartMonitoring(&items_);
  EXPECT_EQ(events_.Values("settings-read"), (std::vector<std::string>{"1"}));
  EXPECT_EQ(frame_.positions, (std::vector<int>{0, 33, 66, 100, 100}));
  EXPECT_TRUE(boxes_.All().empty());
  ASSERT_EQ(manager_.GetSettingsReadFlag(), kSettingsRead);
  std::uint8_t print[kPrintSettingsBlockSize] = {};
  ASSERT_EQ(manager_.GetData(kPrintSettingsBlockId, print, kPrintSettingsBlockSize), kSettingOk);
  EXPECT_EQ(ReadLE32(print + kDensityOffset), 3u);
  ASSERT_TRUE(ProcessUntil([&] { return frame_.view->NameText() == QStringLiteral("Printer Name: XJ-K52II"); }));

  // Exit of a normal start: the index and the printer's data file.
  ASSERT_TRUE(SavePrinterSettingFiles(manager_, block_));
  const std::string ini = testenv::ReadFile(dataFolder_ + "/PrinterSetting.INI");
  EXPECT_NE(ini.find("DeviceName=XJ-K52II"), std::string::npos) << ini;
  EXPECT_NE(ini.find("PortName=" + sim_->TcpEndpoint()), std::string::npos) << ini;
  PluginDataMgr saved;
  ASSERT_EQ(ReadSettingData(saved, plat::FromUtf8(dataFolder_ + "/PORT_0/XJ-K52II_Setting.DAT")), kSettingOk);
  std::uint8_t savedPrint[kPrintSettingsBlockSize] = {};
  ASSERT_EQ(saved.GetData(kPrintSettingsBlockId, savedPrint, kPrintSettingsBlockSize), kSettingOk);
  EXPECT_EQ(ReadLE32(savedPrint + kDensityOffset), 3u);
  for (std::uint32_t id : {kPrinterInfoBlockId, kPaperSavingBlockId, kAutoCutterBlockId, kModelOptionsBlockId})
    EXPECT_GE(saved.FindBlock(id), 0) << std::hex << id;

  // Exit in file mode: the settings command file from the same blocks.
  const std::string out = testenv::MakeTempDir("out") + "/settings.bin";
  ASSERT_EQ(WriteSettingsFile(manager_, nullptr, u"XJ-K52II", plat::FromUtf8(out)), kSettingsFileOk);
  const std::string file = testenv::ReadFile(out);
  ASSERT_EQ(file.size(), kSettingsFileHeaderSize + 164);
  EXPECT_EQ(ReadLE32(reinterpret_cast<const std::uint8_t*>(file.data()) + 128), 164u);
  const std::string density("\x1D\x28\x45\x04\x00\x05\x05\x03\x00", 9);
  EXPECT_NE(file.find(density), std::string::npos);
}

TEST_F(StatusSimTest, ThePaneFollowsThePrinterAndReadsItAgainWhenItAnswersAgain) {
  frame_.view->StartMonitoring(&items_);
  ASSERT_EQ(StatusText(), "Status: Online");

  ASSERT_EQ(sim_->Control("cover open"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return StatusText() == "Status: Cover is open"; })) << StatusText();
  ASSERT_EQ(sim_->Control("cover closed"), "ok");
  ASSERT_EQ(sim_->Control("paper end"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return StatusText() == "Status: Out of paper"; })) << StatusText();
  ASSERT_EQ(sim_->Control("paper ok"), "ok");
  ASSERT_EQ(sim_->Control("power battery"), "ok");
  ASSERT_EQ(sim_->Control("battery 2"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return frame_.view->BatteryPicture() == IDB_BATTERY_ONE_THIRD; }));
  ASSERT_EQ(sim_->Control("power ac"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return frame_.view->BatteryPicture() == IDB_BATTERY_EXTERNAL; }));
  ASSERT_TRUE(ProcessUntil([&] { return StatusText() == "Status: Online"; })) << StatusText();
  EXPECT_EQ(events_.Values("settings-read"), (std::vector<std::string>{"1"}));

  // The printer stops answering, then answers again: its settings are read once more.
  ASSERT_EQ(sim_->Control("silent on"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return StatusText() == "Status: Cannot Get Status"; })) << StatusText();
  ASSERT_EQ(sim_->Control("silent off"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return events_.Values("settings-read").size() == 2; }));
  EXPECT_EQ(events_.Values("settings-read").back(), "1");
  ASSERT_TRUE(ProcessUntil([&] { return StatusText() == "Status: Online"; })) << StatusText();
  EXPECT_EQ(frame_.progressRuns, 2);

  // Another printer answers at the address: the read is refused and the pane keeps
  // telling that the printer cannot be asked.
  ASSERT_EQ(sim_->Control("silent on"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return StatusText() == "Status: Cannot Get Status"; })) << StatusText();
  ASSERT_EQ(sim_->Control("model XJ-K53II"), "ok");
  ASSERT_EQ(sim_->Control("silent off"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return events_.Values("settings-read").size() == 3; }));
  EXPECT_EQ(events_.Values("settings-read").back(), "-67");
  EXPECT_EQ(StatusText(), "Status: Cannot Get Status");
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(plat::ToUtf8(boxes_.All()[0].text), "The device ID does not match the connected printer.");
}

}  // namespace
