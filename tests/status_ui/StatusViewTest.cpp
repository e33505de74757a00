// The status pane: its controls, its lines in English and Japanese, the status and
// battery codes, reading the printer again behind the progress dialog, the error
// guidance and the desktop notifications, with a stand-in printer information manager.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <mutex>

#include "app/settings/PluginDataMgr.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"
#include "res/ResourceIds.h"
#include "views/CErrorCorrespondenceDlg.h"
#include "status/CPrinterSettingView.h"
#include "status/CPrinterSettingViewCtrl.h"
#include "tests/support/FakePrinterInfo.h"
#include "tests/support/StatusTestFrame.h"
#include "tests/support/MessageBoxRecorder.h"
#include "views/CStaticItem.h"
#include "views/CStaticPictureItem.h"

using statustest::EventLogFile;
using statustest::StatusTestFrame;

namespace {

// Plug-in readers of the menu items, answering kPluginReadOk and counting.
int gPluginReads = 0;
std::int32_t CountingRead() {
  ++gPluginReads;
  return kPluginReadOk;
}

std::string U8(const QString& text) { return text.toStdString(); }

class StatusViewTest : public testing::Test {
 protected:
  void SetUp() override {
    fakeinfo::Reset();
    gPluginReads = 0;
    exeFolder_ = testenv::MakeTempDir("exe") + "/";
    block_.langId = 0x0409;
    plat::CopyText(block_.langFolder, plat::FromUtf8(XJ_LANG_DIR));
    plat::CopyText(block_.exeFolder, plat::FromUtf8(exeFolder_));
    block_.dataMgr = &manager_;
    block_.commLock = &lock_;
    block_.batteryScaleFlag = 1;
    block_.chosenIfType = kIfTypeEthernet;
    plat::CopyText(block_.chosenPort.portName, u"127.0.0.1:9100");
    for (int i = 0; i < 3; ++i) {
      auto item = std::make_unique<MenuItemRecord>();
      item->plugin.loaded = 1;
      item->plugin.pReadPrinterSettings = &CountingRead;
      items_.push_back(std::move(item));
    }
    // An item whose library is not loaded reads nothing.
    items_.push_back(std::make_unique<MenuItemRecord>());
  }

  // The pane's initial update, with the stand-in information manager.
  void Start(bool printerAnswered = true) {
    frame_.view->OnInitialUpdate(&block_, &frame_, printerAnswered);
    ASSERT_NE(frame_.view->SettingViewCtrl(), nullptr);
    ASSERT_NE(frame_.view->SettingViewCtrl()->SettingView(), nullptr);
    frame_.view->SettingViewCtrl()->SettingView()->UseInformationManager(fakeinfo::Entries());
  }

  std::string exeFolder_;
  AppSettingsBlock block_{};
  PluginDataMgr manager_;
  std::recursive_mutex lock_;
  MenuItemList items_;
  MessageBoxRecorder boxes_;
  EventLogFile events_;
  StatusTestFrame frame_;
};

TEST_F(StatusViewTest, PaneShowsItsControlsAtTheirPlacesWithPrinterAndPort) {
  CUtilStatusView* view = frame_.view;
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(view->font());
  struct Place {
    int id, x, y, w, h;
  };
  for (const Place& p : {Place{1017, 6, 3, 29, 25}, Place{1021, 39, 6, 143, 8}, Place{1022, 39, 15, 253, 15},
                         Place{1025, 183, 6, 180, 8}, Place{1033, 412, 3, 29, 25}}) {
    QWidget* control = plat::FindChildById(view, p.id);
    ASSERT_NE(control, nullptr) << p.id;
    EXPECT_EQ(control->geometry(), plat::DluRect(units, p.x, p.y, p.w, p.h)) << p.id;
  }
  EXPECT_EQ(view->size(), plat::DluSize(units, 435, 30));
  Start(false);
  EXPECT_FALSE(static_cast<CStaticPictureItem*>(plat::FindChildById(view, 1017))->GetImage().isNull());
  EXPECT_EQ(view->BatteryPicture(), IDB_BATTERY_UNKNOWN);
  EXPECT_TRUE(view->BatteryControl()->isVisibleTo(view));
  const QColor window = QApplication::palette().color(QPalette::Base);
  for (int id : {1021, 1022, 1025}) {
    auto* line = static_cast<CStaticItem*>(plat::FindChildById(view, id));
    EXPECT_EQ(ColorFromColorRef(line->BackgroundColor()), window) << id;
    EXPECT_EQ(line->font().weight(), QFont::Bold) << id;
  }
  // The printer information block was added with its defaults: no name yet.
  EXPECT_EQ(manager_.FindBlock(kPrinterInfoBlockId), 0);
  EXPECT_EQ(U8(view->NameText()), "Printer Name: Unknown");
  EXPECT_EQ(U8(view->PortText()), "Port: 127.0.0.1:9100");
  EXPECT_EQ(U8(view->StatusText()), "");
  std::int32_t status = 99;
  plat::SendMessage(plat::WindowHandle(&frame_), UM_GET_PRINTER_STATUS, reinterpret_cast<plat::WPARAM>(&status), 0);
  EXPECT_EQ(status, XJC_STATUS_UNKNOWN);
  EXPECT_EQ(plat::SendMessage(plat::WindowHandle(view), plat::WM_ERASEBKGND, 0, 0), 1);

  // Start-up could not talk to the printer: no read, the status stays unknown.
  view->StartMonitoring(&items_);
  EXPECT_EQ(U8(view->StatusText()), "Status: Unknown");
  EXPECT_EQ(fakeinfo::State().nameCalls, 0);
  EXPECT_EQ(frame_.progressRuns, 0);
  EXPECT_EQ(events_.Values("status-line"), (std::vector<std::string>{"Status: Unknown"}));
}

TEST_F(StatusViewTest, FileModeShowsTheModelAndTheLabelsAlone) {
  block_.mode = kModeFile;
  block_.chosenIfType = 0;
  Start(false);
  CUtilStatusView* view = frame_.view;
  EXPECT_FALSE(view->BatteryControl()->isVisibleTo(view));
  EXPECT_EQ(U8(view->NameText()), "Printer Name: XJ-K52II");
  EXPECT_EQ(U8(view->PortText()), "Port: ");
  view->StartMonitoring(&items_);
  EXPECT_EQ(U8(view->StatusText()), "Status:");
  EXPECT_EQ(frame_.progressRuns, 0);
}

TEST_F(StatusViewTest, MonitoringStartsWithAReadOfThePrinterBehindTheProgressDialog) {
  Start();
  CUtilStatusView* view = frame_.view;
  view->StartMonitoring(&items_);
  EXPECT_EQ(U8(view->StatusText()), "Status: Online");
  EXPECT_EQ(frame_.progressRuns, 1);
  EXPECT_EQ(frame_.positions, (std::vector<int>{0, 20, 40, 60, 80, 100, 100}));
  EXPECT_EQ(gPluginReads, 3);
  EXPECT_EQ(manager_.GetSettingsReadFlag(), kSettingsRead);
  EXPECT_FALSE(view->Machine().NeedsSettingsRead());
  EXPECT_EQ(events_.Values("settings-read"), (std::vector<std::string>{"1"}));
  EXPECT_TRUE(boxes_.All().empty());
  // The information block came in; the frame's posted update renames the printer.
  ASSERT_TRUE(statustest::ProcessUntil([&] { return U8(view->NameText()) == "Printer Name: XJ-K52II"; }))
      << U8(view->NameText());
  PrinterInfoBlock info{};
  ASSERT_EQ(manager_.GetData(kPrinterInfoBlockId, info.data(), kPrinterInfoBlockSize), kSettingOk);
  EXPECT_EQ(InfoText(info.data(), kInfoMakerOffset), u"NORVE");

  // The plug-ins' messages to the pane: a read on request, a stop.
  EXPECT_EQ(plat::SendMessage(plat::WindowHandle(&frame_), UM_READ_PRINTER_SETTINGS, 0, 0), 1);
  EXPECT_EQ(gPluginReads, 6);
  EXPECT_EQ(plat::SendMessage(plat::WindowHandle(&frame_), UM_STOP_STATUS_MONITOR, 0, 0), 0);
  EXPECT_EQ(frame_.Status(XJC_STATUS_COVER_OPEN), 1);
  EXPECT_EQ(frame_.Battery(0x3231), 1);
  EXPECT_EQ(U8(view->StatusText()), "Status: Online");
  EXPECT_EQ(view->BatteryPicture(), IDB_BATTERY_UNKNOWN);
}

TEST_F(StatusViewTest, StatusCodesShowInJapaneseAndAPrinterThatComesBackIsReadAgain) {
  block_.langId = 0x0411;
  Start();
  CUtilStatusView* view = frame_.view;
  view->StartMonitoring(&items_);
  ASSERT_EQ(gPluginReads, 3);
  EXPECT_EQ(U8(view->StatusText()), "ステータス： オンライン");

  EXPECT_EQ(frame_.Status(XJC_STATUS_COVER_OPEN), 1);
  EXPECT_EQ(U8(view->StatusText()), "ステータス： カバーが開いています");
  EXPECT_EQ(frame_.Status(XJC_STATUS_PAPER_END), 1);
  EXPECT_EQ(U8(view->StatusText()), "ステータス： 用紙切れ");
  EXPECT_EQ(frame_.Status(XJC_STATUS_NO_REPLY), 1);
  EXPECT_EQ(U8(view->StatusText()), "ステータス： ステータスを取得できません");
  EXPECT_EQ(frame_.progressRuns, 1);

  // The printer answers again, but it is another model: the read is refused, the old
  // status stays and the read stays due.
  fakeinfo::State().name = "XJ-K53II";
  EXPECT_EQ(frame_.Status(XJC_STATUS_ONLINE), 0);
  EXPECT_EQ(frame_.progressRuns, 2);
  EXPECT_EQ(U8(view->StatusText()), "ステータス： ステータスを取得できません");
  EXPECT_EQ(view->ShownStatus(), XJC_STATUS_NO_REPLY);
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(plat::ToUtf8(boxes_.All()[0].text), "接続されているプリンターとデバイスIDが一致しません。");
  EXPECT_EQ(boxes_.All()[0].owner != nullptr, true);

  // The right printer again, now with paper running low: read, and shown.
  fakeinfo::State().name = "XJ-K52II";
  EXPECT_EQ(frame_.Status(XJC_STATUS_PAPER_NEAR_END), 1);
  EXPECT_EQ(frame_.progressRuns, 3);
  EXPECT_EQ(gPluginReads, 6);
  EXPECT_EQ(U8(view->StatusText()), "ステータス： 用紙ニアエンド");
  EXPECT_EQ(frame_.Status(XJC_STATUS_OFFLINE), 1);
  EXPECT_EQ(U8(view->StatusText()), "ステータス： オフライン");
  EXPECT_EQ(frame_.Status(XJC_STATUS_BATTERY_OFFLINE), 1);
  EXPECT_EQ(frame_.Status(23), 1);
  EXPECT_EQ(U8(view->StatusText()), "ステータス： 不明");
  EXPECT_EQ(events_.Values("settings-read"), (std::vector<std::string>{"1", "-67", "1"}));
}

TEST_F(StatusViewTest, FatalAndCutterErrorsOpenTheGuidanceOncePerChange) {
  Start();
  frame_.view->StartMonitoring(&items_);
  // Shown for real: the dialog is closed with its OK button once it is up.
  int shown = 0;
  QString title;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<CErrorCorrespondenceDlg*>(QApplication::activeModalWidget())) {
      ++shown;
      title = dialog->windowTitle();
      dialog->OkButton()->click();
    }
  });
  closer.start(20);
  EXPECT_EQ(frame_.Status(XJC_STATUS_FATAL_ERROR), 1);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(U8(title), "Fatal Error");
  EXPECT_EQ(frame_.Status(XJC_STATUS_FATAL_ERROR), 1);
  EXPECT_EQ(frame_.Status(XJC_STATUS_INK_CLEARED), 1);
  EXPECT_EQ(shown, 1);
  closer.stop();

  // With automatic answers the guidance is logged, not shown.
  setenv("XJ_MESSAGE_BOX_ANSWER", "ok", 1);
  EXPECT_EQ(frame_.Status(XJC_STATUS_RECOVERABLE_ERROR), 1);
  EXPECT_EQ(frame_.Status(XJC_STATUS_AUTOCUTTER_ERROR), 1);
  EXPECT_EQ(frame_.Status(XJC_STATUS_AUTOCUTTER_ERROR), 1);
  unsetenv("XJ_MESSAGE_BOX_ANSWER");
  EXPECT_EQ(events_.Values("error-guidance"), (std::vector<std::string>{"3", "9"}));
  for (const EventLogFile::Event& event : events_.Events()) {
    if (event.name == "error-guidance" && event.fields[0] == "9") {
      ASSERT_EQ(event.fields.size(), 3u);
      EXPECT_EQ(event.fields[1], "Auto cutter error");
      EXPECT_NE(event.fields[2].find("auto cutter error has occurred"), std::string::npos) << event.fields[2];
    }
  }
}

TEST_F(StatusViewTest, BatteryPicturesFollowTheCodesAndChangesReachTheDesktopOnce) {
  testenv::WriteFile(exeFolder_ + "SETTING.INI", "[Notification]\nDesktopNotification=1\n");
  Start();
  CUtilStatusView* view = frame_.view;
  view->StartMonitoring(&items_);
  ASSERT_TRUE(statustest::ProcessUntil([&] { return U8(view->NameText()) == "Printer Name: XJ-K52II"; }));
  for (const auto& [code, picture] : std::vector<std::pair<std::uint16_t, int>>{
           {0x3631, IDB_BATTERY_FULL}, {0x3331, IDB_BATTERY_TWO_THIRDS}, {0x3231, IDB_BATTERY_ONE_THIRD},
           {0x3131, IDB_BATTERY_LOW}, {0x3031, IDB_BATTERY_EMPTY}, {0x3731, IDB_BATTERY_EMPTY},
           {0x3230, IDB_BATTERY_EXTERNAL}, {0x3131, IDB_BATTERY_LOW}}) {
    EXPECT_EQ(frame_.Battery(code), 1);
    EXPECT_EQ(view->BatteryPicture(), picture) << std::hex << code;
  }
  EXPECT_EQ(events_.Values("battery-picture"), (std::vector<std::string>{"160", "161", "162", "163", "164", "166",
                                                                           "163"}));
  frame_.Status(XJC_STATUS_COVER_OPEN);
  frame_.Status(XJC_STATUS_COVER_OPEN);
  frame_.Status(XJC_STATUS_ONLINE);
  frame_.Status(XJC_STATUS_PAPER_END);
  EXPECT_EQ(events_.Values("notification"),
            (std::vector<std::string>{"The printer's battery is low.", "The printer's battery is low.",
                                      "Cover is open", "Out of paper"}));
  for (const EventLogFile::Event& event : events_.Events()) {
    if (event.name != "notification") continue;
    ASSERT_EQ(event.fields.size(), 3u);
    EXPECT_EQ(event.fields[1], "Printer Name: XJ-K52II\nPort: 127.0.0.1:9100");
    EXPECT_EQ(event.fields[2], "no-bus");  // the test process has no desktop session
  }

  // The scale flag other than 1 shows one picture lower.
  block_.batteryScaleFlag = 0;
  EXPECT_EQ(frame_.Battery(0x3231), 1);
  EXPECT_EQ(view->BatteryPicture(), IDB_BATTERY_LOW);
}

TEST_F(StatusViewTest, NotificationsCanBeTurnedOff) {
  testenv::WriteFile(exeFolder_ + "SETTING.INI", "[Notification]\nDesktopNotification=0\n");
  Start();
  frame_.view->StartMonitoring(&items_);
  frame_.Status(XJC_STATUS_COVER_OPEN);
  frame_.Battery(0x3031);
  EXPECT_EQ(frame_.view->BatteryPicture(), IDB_BATTERY_EMPTY);
  EXPECT_TRUE(events_.Values("notification").empty());
  EXPECT_EQ(events_.Values("status-line"), (std::vector<std::string>{"Status: Online", "Status: Cover is open"}));
}

TEST_F(StatusViewTest, CallbacksOnlyPostAndDropNotificationsOnceTheViewIsGone) {
  Start();
  frame_.view->StartMonitoring(&items_);
  const plat::HWND handle = plat::WindowHandle(frame_.view);
  EXPECT_EQ(CUtilStatusView::StatusCallback(XJC_STATUS_PAPER_END, handle), 1);
  EXPECT_EQ(CUtilStatusView::BatteryCallback(0xABCD3230u, handle), 1);
  // Posted: nothing has changed yet.
  EXPECT_EQ(U8(frame_.view->StatusText()), "Status: Online");
  ASSERT_TRUE(statustest::ProcessUntil([&] { return U8(frame_.view->StatusText()) == "Status: Out of paper"; }));
  ASSERT_TRUE(statustest::ProcessUntil([&] { return frame_.view->BatteryPicture() == IDB_BATTERY_EXTERNAL; }));
  EXPECT_EQ(frame_.view->Machine().LastBatteryCode(), 0x3230);

  delete frame_.view;
  frame_.view = nullptr;
  EXPECT_EQ(CUtilStatusView::StatusCallback(XJC_STATUS_ONLINE, handle), 0);
  EXPECT_EQ(CUtilStatusView::BatteryCallback(0x3230, handle), 0);
}

TEST_F(StatusViewTest, MissingLanguageFilesCloseTheApplicationAndPrinterInformationIsNeeded) {
  plat::CopyText(block_.langFolder, plat::FromUtf8(testenv::MakeTempDir("nolang")));
  frame_.view->OnInitialUpdate(&block_, &frame_, true);
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(plat::ToUtf8(boxes_.All()[0].text), "Could not find the required files.\nClosing application.");
  ASSERT_TRUE(statustest::ProcessUntil([&] { return frame_.closeRequests == 1; }));
  EXPECT_EQ(frame_.view->SettingViewCtrl(), nullptr);
  // Without the printer information block the update fails and changes nothing.
  EXPECT_EQ(plat::SendMessage(plat::WindowHandle(frame_.view), UM_UPDATE_PRINTER_INFO, 0, 0), -1);
}

}  // namespace
