// The lines of the status pane and the desktop notification rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Registry.h"
#include "platform/Text.h"
#include "res/ResourceIds.h"
#include "status/PrinterStatusMachine.h"
#include "status/StatusNotifications.h"
#include "status/StatusPaneText.h"
#include "tests/support/TestEnv.h"

namespace {

std::u16string NoDevice(std::u16string_view) { return {}; }

TEST(StatusPaneTextTest, PortTextFollowsTheInterfaceTypeAndTheLaunchMode) {
  struct Row {
    std::int32_t ifType;
    const char16_t* portName;
    const char16_t* path;
    std::int32_t mode;
    const char16_t* expected;
  };
  const Row rows[] = {
      {kIfTypeSerial, u"/dev/ttyS0", u"", kModeNormal, u"/dev/ttyS0"},
      {kIfTypeParallel, u"lp0", u"", kModeNormal, u"lp0"},
      {kIfTypeEthernet, u"127.0.0.1:9100", u"", kModeNormal, u"127.0.0.1:9100"},
      {kIfTypeBluetooth, u"/dev/rfcomm0", u"", kModeNormal, u"/dev/rfcomm0"},
      {kIfTypeUsb, u"001", u"", kModeNormal, u"USB-001"},
      // A connection path in mode 3: the last part at the host.
      {kIfTypeConnectionPath, u"", u"tcp://127.0.0.1:9100/XJ-K52II", kModeRemote,
       u"XJ-K52II@127.0.0.1:9100 (XJ-K52II)"},
      {kIfTypeConnectionPath, u"", u"serial:/dev/ttyUSB0", kModeRemote, u"ttyUSB0@ (ttyUSB0)"},
      {kIfTypeConnectionPath, u"", u"127.0.0.1", kModeRemote, u"127.0.0.1@"},
      {kIfTypeConnectionPath, u"x", u"", kModeNormal, u"?"},
      // No interface type: the port's name, nothing in file mode.
      {0, u"net-printer", u"", kModeNormal, u"net-printer"},
      {0, u"", u"", kModeFile, u""},
      // A driver's port path: its last part is added; a path ending in '/' adds nothing.
      {kIfTypeEthernet, u"127.0.0.1:9100", u"pipe://xj/ZLDPRT7", kModeNormal, u"127.0.0.1:9100 (ZLDPRT7)"},
      {kIfTypeEthernet, u"127.0.0.1:9100", u"pipe://xj/ZLDPRT7/", kModeNormal, u"127.0.0.1:9100"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(plat::ToUtf8(PortText(row.ifType, row.portName, row.path, row.mode, u"?", NoDevice)),
              plat::ToUtf8(row.expected))
        << plat::ToUtf8(row.path);
  }

  AppSettingsBlock block{};
  block.chosenIfType = kIfTypeUsb;
  plat::CopyText(block.chosenPort.portName, u"001");
  StatusPaneLabels labels;
  EXPECT_EQ(PortLine(block, labels, NoDevice), u"Port: USB-001");
  block.chosenIfType = 0;
  block.mode = kModeFile;
  labels.portLabel = u"ポート：";
  EXPECT_EQ(PortLine(block, labels, NoDevice), u"ポート： ");
}

TEST(StatusPaneTextTest, ADriverDevicePartIsCompletedFromTheRegistry) {
  const std::string registry = std::string(std::getenv("XJ_COMMON_APPDATA")) + "/registry.ini";
  ASSERT_TRUE(testenv::WriteFile(registry,
                                 "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\NoPort]\n"
                                 "Name=x\n"
                                 "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Short]\n"
                                 "Port=ZLD\n"
                                 "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt3]\n"
                                 "Port=ZLDPRT003\n"
                                 "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt7]\n"
                                 "Port=ZLDPRT7\n"));
  EXPECT_EQ(PortRegistrySuffix(u"ZLDPRT007"), u"ZLDPRT7");
  EXPECT_EQ(PortRegistrySuffix(u"ABCDEF3"), u"ZLDPRT003");
  EXPECT_EQ(PortRegistrySuffix(u"ZLDPRT9"), u"");
  EXPECT_EQ(PortRegistrySuffix(u"ZLDPRT0"), u"");  // numbers must be positive
  EXPECT_EQ(PortText(kIfTypeEthernet, u"10.0.0.5", u"pipe://xj/ZLDPRT7", kModeNormal, u"?"),
            u"10.0.0.5 (ZLDPRT7/ZLDPRT7)");
  // Parts shorter than six characters are not looked up.
  EXPECT_EQ(PortText(kIfTypeEthernet, u"10.0.0.5", u"pipe://xj/LP7", kModeNormal, u"?"), u"10.0.0.5 (LP7)");
}

TEST(StatusPaneTextTest, NameAndStatusLinesHaveTheirLabels) {
  EXPECT_EQ(NameLine(u"Printer Name:", u"XJ-K52II", kModeNormal), u"Printer Name: XJ-K52II");
  EXPECT_EQ(NameLine(u"Printer Name:", u"", kModeNormal), u"Printer Name: Unknown");
  EXPECT_EQ(NameLine(u"プリンター名：", u"", kModeFile), u"プリンター名： XJ-K52II");
  EXPECT_EQ(StatusLine(u"Status:", u"Cover is open", kModeRemote), u"Status: Cover is open");
  EXPECT_EQ(StatusLine(u"Status:", u"Online", kModeFile), u"Status:");
}

TEST(StatusPaneTextTest, NotificationsComeOncePerChangeIntoAnErrorCoverPaperOrLowBattery) {
  PrinterStatusMachine machine;
  machine.StartMonitoring(true);
  struct Row {
    std::int32_t code;
    StatusNotice notice;
  };
  const Row rows[] = {
      {XJC_STATUS_COVER_OPEN, StatusNotice::kCoverOpen},
      {XJC_STATUS_COVER_OPEN, StatusNotice::kNone},      // ignored repeat
      {XJC_STATUS_PAPER_END, StatusNotice::kPaperOut},
      {XJC_STATUS_FATAL_ERROR, StatusNotice::kError},
      {XJC_STATUS_INK_CLEARED, StatusNotice::kNone},     // shows the same error again
      {XJC_STATUS_RECOVERABLE_ERROR, StatusNotice::kError},
      {XJC_STATUS_PAPER_NEAR_END, StatusNotice::kNone},
      {XJC_STATUS_OFFLINE, StatusNotice::kNone},
  };
  for (const Row& row : rows) EXPECT_EQ(NoticeForStatus(machine.OnStatus(row.code)), row.notice) << row.code;

  EXPECT_TRUE(NoticeForBattery(std::nullopt, IDB_BATTERY_LOW));
  EXPECT_TRUE(NoticeForBattery(IDB_BATTERY_ONE_THIRD, IDB_BATTERY_LOW));
  EXPECT_TRUE(NoticeForBattery(IDB_BATTERY_EXTERNAL, IDB_BATTERY_EMPTY));
  EXPECT_FALSE(NoticeForBattery(IDB_BATTERY_LOW, IDB_BATTERY_EMPTY));
  EXPECT_FALSE(NoticeForBattery(IDB_BATTERY_LOW, IDB_BATTERY_ONE_THIRD));

  const std::string folder = testenv::MakeTempDir("ini");
  const std::u16string ini = plat::FromUtf8(folder + "/SETTING.INI");
  EXPECT_TRUE(NotificationsEnabled(ini));  // no file: on
  ASSERT_TRUE(testenv::WriteFile(folder + "/SETTING.INI", "[Notification]\nDesktopNotification=0\n"));
  EXPECT_FALSE(NotificationsEnabled(ini));
  ASSERT_TRUE(testenv::WriteFile(folder + "/SETTING.INI", "[Notification]\nDesktopNotification=1\n"));
  EXPECT_TRUE(NotificationsEnabled(ini));
}

}  // namespace
