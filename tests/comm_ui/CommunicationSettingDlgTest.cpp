#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "comm/CCommunicationSettingDlg.h"
#include "comm/Ipv4AddressEdit.h"
#include "comm/ModelName.h"
#include "comm/PortEnumeration.h"
#include "comm/ToolRunningDlg.h"
#include "lang/CLangResTable.h"
#include "platform/Folders.h"
#include "platform/ui/Controls.h"
#include "tests/comm_ui/DialogTestSupport.h"
#include "tests/support/SimProcess.h"

using namespace dlgtest;

namespace {

// The dialog of one test with the real library, its own installation and the
// "PORT_ADD_DLG" table of the language given.
struct AddPortFixture {
  Installation install;
  XJC xjc;
  MessageBoxRecorder boxes;
  CLangResTable table;

  explicit AddPortFixture(std::int32_t langId = 0x0409) {
    LoadLibrary(xjc);
    install.SetLanguage(langId);
    table.SelectLanguageFile(plat::FieldText(install.block->langFolder), langId, 0x0409);
    table.LoadResources(u"PORT_ADD_DLG");
  }
};

QWidget* Control(QWidget* dialog, int id) { return plat::FindChildById(dialog, id); }
bool Shown(QWidget* dialog, int id) { return Control(dialog, id)->isVisibleTo(dialog); }

void MakeExecutable(const std::string& path, const std::string& script) {
  ASSERT_TRUE(testenv::WriteFile(path, script));
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

}  // namespace

TEST(CommunicationSettingDlg, EmptyInterfaceListShowsNoButtonAndSelectsNothing) {
  AddPortFixture f;
  f.install.SetInterfaces({-1, 0, 1}, 0);
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  RunModal(dialog, [&] {
    for (int i = 0; i < kInterfaceCount; ++i) EXPECT_FALSE(dialog.InterfaceButton(i)->isVisible()) << i;
    EXPECT_EQ(dialog.CurrentInterface(), -1);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.TestButton()->isEnabled());
    EXPECT_FALSE(Shown(&dialog, CCommunicationSettingDlg::IDC_PORT));
    EXPECT_FALSE(Shown(&dialog, CCommunicationSettingDlg::IDC_ADDRESS));
  });
  EXPECT_EQ(dialog.windowTitle(), "Add Port");
  EXPECT_EQ(plat::ControlText(Control(&dialog, CCommunicationSettingDlg::IDC_HEADING)),
            "Select the communication interface to XJ-K52II.");
}

TEST(CommunicationSettingDlg, ButtonsFollowTheInterfaceOrderAndTheDefault) {
  AddPortFixture f;
  f.install.SetInterfaces({3, 0, 2}, 1);  // the default is not listed: the first entry wins
  setenv("XJCOMM_NET_SEARCH", "127.0.0.1:1", 1);
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  RunModal(dialog, [&] {
    EXPECT_EQ(dialog.CurrentInterface(), kInterfaceEthernet);
    EXPECT_TRUE(dialog.InterfaceButton(kInterfaceEthernet)->isChecked());
    EXPECT_FALSE(dialog.InterfaceButton(kInterfaceParallel)->isVisible());
    EXPECT_FALSE(dialog.InterfaceButton(kInterfaceBluetooth)->isVisible());
    // The k-th listed interface takes the k-th place.
    const int x0 = dialog.InterfaceButton(kInterfaceEthernet)->x();
    const int x1 = dialog.InterfaceButton(kInterfaceSerial)->x();
    const int x2 = dialog.InterfaceButton(kInterfaceUsb)->x();
    EXPECT_LT(x0, x1);
    EXPECT_LT(x1, x2);
  });
  unsetenv("XJCOMM_NET_SEARCH");
}

TEST(CommunicationSettingDlg, InterfaceTableSetsVisibilityAndTexts) {
  AddPortFixture f;
  f.install.SetInterfaces({0, 1, 2, 3, 4}, 0);
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  RunModal(dialog, [&] {
    using D = CCommunicationSettingDlg;
    EXPECT_TRUE(Shown(&dialog, D::IDC_BIT_LENGTH));
    EXPECT_TRUE(Shown(&dialog, D::IDC_FLOW_LABEL));
    EXPECT_EQ(plat::ControlText(Control(&dialog, D::IDC_PARITY_LABEL)), "Parity:");
    EXPECT_EQ(plat::ControlText(Control(&dialog, D::IDC_VIRTUAL_PORT_TOOL)), "Virtual Port Setting");
    // Without the tool installed its button stays disabled.
    EXPECT_TRUE(Shown(&dialog, D::IDC_VIRTUAL_PORT_TOOL));
    EXPECT_FALSE(Control(&dialog, D::IDC_VIRTUAL_PORT_TOOL)->isEnabled());
    // Value lists from the language file, with the default entries selected.
    auto* bits = qobject_cast<QComboBox*>(Control(&dialog, D::IDC_BIT_LENGTH));
    auto* baud = qobject_cast<QComboBox*>(Control(&dialog, D::IDC_BAUD_RATE));
    auto* parity = qobject_cast<QComboBox*>(Control(&dialog, D::IDC_PARITY));
    ASSERT_EQ(bits->count(), 3);
    EXPECT_EQ(bits->currentData().toInt(), 8);
    EXPECT_EQ(baud->currentData().toInt(), 115200);
    EXPECT_EQ(parity->currentText(), "None");

    dialog.SelectInterface(kInterfaceUsb);
    EXPECT_FALSE(Shown(&dialog, D::IDC_BIT_LENGTH));
    EXPECT_FALSE(Control(&dialog, D::IDC_BIT_LENGTH)->isEnabled());
    EXPECT_FALSE(Shown(&dialog, D::IDC_VIRTUAL_PORT_TOOL));
    EXPECT_TRUE(Shown(&dialog, D::IDC_PORT_SEARCH));

    dialog.SelectInterface(kInterfaceBluetooth);
    EXPECT_EQ(plat::ControlText(Control(&dialog, D::IDC_BT_CONNECTOR)), "Run Paring");
    EXPECT_FALSE(Control(&dialog, D::IDC_BT_CONNECTOR)->isEnabled());

    // Back to serial: the value lists are shown and usable again, refilled once.
    dialog.SelectInterface(kInterfaceSerial);
    EXPECT_TRUE(Control(&dialog, D::IDC_BIT_LENGTH)->isEnabled());
    EXPECT_EQ(bits->count(), 3);
    dialog.SelectInterface(7);  // ignored
    EXPECT_EQ(dialog.CurrentInterface(), kInterfaceSerial);
  });
}

TEST(CommunicationSettingDlg, EthernetSearchesAtOnceAndAChosenResultPassesTheTest) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  setenv("XJCOMM_NET_SEARCH", sim.TcpEndpoint().c_str(), 1);
  AddPortFixture f;
  f.install.SetInterfaces({3, 0}, 3);
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  const int result = RunModal(dialog, [&] {
    // The search was posted when Ethernet was selected.
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(dialog.SearchResults()->count(), 1);
    EXPECT_EQ(dialog.SearchResults()->item(0)->text().toStdString(), sim.TcpEndpoint());
    EXPECT_EQ(plat::ControlText(Control(&dialog, CCommunicationSettingDlg::IDC_PORT_LABEL)), "IP Address:");
    dialog.SearchResults()->setCurrentRow(0);
    std::uint32_t address = 0;
    EXPECT_EQ(dialog.AddressEdit()->GetAddress(address), 4);
    EXPECT_EQ(address, 0x7F000001u);
    dialog.TestButton()->click();
    EXPECT_EQ(f.boxes.Last(), u"Communication test completed successfully.");
    dialog.OkButton()->click();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(plat::FieldText(dialog.ResultRecord().kind), u"NET");
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(dialog.ResultRecord().portName)), sim.TcpEndpoint());
  EXPECT_EQ(plat::FieldText(dialog.ResultRecord().deviceName), u"XJ-K52II");
  EXPECT_EQ(dialog.ResultRecord().presetA, -1);
  unsetenv("XJCOMM_NET_SEARCH");
}

TEST(CommunicationSettingDlg, TypingOneAddressPartEnablesOk) {
  // Without the library nothing goes to the network: the test fails with message 0 and
  // leaves the blank address (0) stored.
  Installation install;
  MessageBoxRecorder boxes;
  install.SetInterfaces({3, 0}, 3);
  CCommunicationSettingDlg dialog(*install.block, nullptr, nullptr);
  RunModal(dialog, [&] {
    QCoreApplication::sendPostedEvents();
    dialog.AddressEdit()->ClearAddress();
    EXPECT_TRUE(dialog.OkButton()->isEnabled());  // the stored address still counts
    dialog.TestButton()->click();
    EXPECT_EQ(boxes.Last(), u"A communication error occurred.");
    dialog.SelectInterface(kInterfaceEthernet);
    QCoreApplication::sendPostedEvents();  // its network search
    EXPECT_TRUE(dialog.AddressEdit()->IsBlank());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.TestButton()->isEnabled());
    QTest::keyClicks(dialog.AddressEdit()->Part(2), "1");
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_TRUE(dialog.TestButton()->isEnabled());
    dialog.AddressEdit()->Part(2)->clear();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
  });
  EXPECT_EQ(boxes.Texts(), (std::vector<std::u16string>{u"Cannot find the printer.", u"A communication error occurred.",
                                                         u"Cannot find the printer."}));
}

TEST(CommunicationSettingDlg, AnotherModelIsRefusedWithMessage2) {
  SimProcess::Options options;
  options.tcp = false;
  options.pty = true;
  options.model = "XJ-K52III";
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  setenv("XJCOMM_EXTRA_SERIAL", sim.PtyPath().c_str(), 1);
  AddPortFixture f;
  f.install.SetInterfaces({0}, 0);
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  RunModal(dialog, [&] {
    const int index = dialog.PortCombo()->findText(QString::fromStdString(sim.PtyPath()));
    ASSERT_GE(index, 0);
    dialog.PortCombo()->setCurrentIndex(index);
    dialog.OkButton()->click();
    EXPECT_TRUE(dialog.isVisible());
  });
  EXPECT_EQ(f.boxes.Texts(), std::vector<std::u16string>{u"The device ID does not match the connected printer."});
  EXPECT_EQ(dialog.ResultRecord().kind[0], u'\0');
  unsetenv("XJCOMM_EXTRA_SERIAL");
}

TEST(CommunicationSettingDlg, DriverModesAcceptACompatibleModel) {
  for (const std::int32_t mode : {kModeDriver, kModeDriverLogo}) {
    SimProcess::Options options;
    options.model = "XJ-K52III";
    SimProcess sim(options);
    ASSERT_TRUE(sim.Start());
    setenv("XJCOMM_NET_SEARCH", sim.TcpEndpoint().c_str(), 1);
    AddPortFixture f;
    f.install.SetInterfaces({3}, 3);
    f.install.block->mode = mode;
    CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
    const int result = RunModal(dialog, [&] {
      QCoreApplication::sendPostedEvents();
      ASSERT_EQ(dialog.SearchResults()->count(), 1);
      dialog.SearchResults()->setCurrentRow(0);
      dialog.OkButton()->click();
    });
    EXPECT_EQ(result, QDialog::Accepted) << mode;
    EXPECT_EQ(plat::FieldText(dialog.ResultRecord().deviceName), u"XJ-K52III");
  }
  unsetenv("XJCOMM_NET_SEARCH");
}

TEST(CommunicationSettingDlg, SerialRecordCarriesTheChosenValues) {
  SimProcess::Options options;
  options.tcp = false;
  options.pty = true;
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  setenv("XJCOMM_EXTRA_SERIAL", sim.PtyPath().c_str(), 1);
  AddPortFixture f;
  f.install.SetInterfaces({0, 4}, 0);  // Bluetooth listed: serial ports include Bluetooth ones
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  const int result = RunModal(dialog, [&] {
    dialog.PortCombo()->setCurrentIndex(dialog.PortCombo()->findText(QString::fromStdString(sim.PtyPath())));
    auto* baud = qobject_cast<QComboBox*>(Control(&dialog, CCommunicationSettingDlg::IDC_BAUD_RATE));
    baud->setCurrentIndex(baud->findData(9600));
    dialog.OkButton()->click();
  });
  ASSERT_EQ(result, QDialog::Accepted);
  const PortRecord& r = dialog.ResultRecord();
  EXPECT_EQ(plat::FieldText(r.kind), u"COM");
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(r.portName)), sim.PtyPath());
  EXPECT_EQ(r.serialParamsSet, 1);
  EXPECT_EQ(r.baudRate, 9600);
  EXPECT_EQ(r.bitLength, 8);
  EXPECT_EQ(r.parity, 0);
  unsetenv("XJCOMM_EXTRA_SERIAL");
}

namespace {
// Bluetooth devices as the library would report them on a machine with two paired ports.
XJC_RESULT TwoBluetoothPorts(const char16_t* kind, PortRecord** records, std::uint32_t capacity, std::uint32_t* count) {
  const char16_t* names[] = {u"/dev/rfcomm0", u"/dev/rfcomm1"};
  *count = 2;
  for (std::uint32_t i = 0; i < 2 && i < capacity && records != nullptr; ++i) {
    std::memset(records[i], 0, sizeof(PortRecord));
    plat::CopyText(records[i]->kind, kind);
    plat::CopyText(records[i]->portName, names[i]);
  }
  return XJC_OK;
}

// A tool that waits until the test has seen its running window (and gives up after a
// while, so a failed test leaves no process behind).
std::string WaitingTool(const std::string& goFile, const std::string& extra) {
  return "#!/bin/sh\ni=0\nwhile [ ! -e '" + goFile + "' ] && [ $i -lt 1500 ]; do sleep 0.02; i=$((i+1)); done\n" + extra;
}
}  // namespace

TEST(CommunicationSettingDlg, NetworkToolRunsOnAWorkerWhileTheRunningWindowShows) {
  AddPortFixture f;
  const std::string programs = testenv::MakeTempDir("pf");
  setenv("ProgramFiles", programs.c_str(), 1);
  const std::string scratch = testenv::MakeTempDir("tool");
  MakeExecutable(programs + "/NORVE/NorveNet Config V4/NNConfig",
                 WaitingTool(scratch + "/go", "echo ran > '" + scratch + "/ran'\n"));
  setenv("XJCOMM_NET_SEARCH", "127.0.0.1:1", 1);
  f.install.SetInterfaces({3}, 3);
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  QString runningTitle;
  QString runningText;
  bool toolButtonWhileRunning = true;
  RunModal(dialog, [&] {
    auto* tool = qobject_cast<QPushButton*>(Control(&dialog, CCommunicationSettingDlg::IDC_NET_TOOL));
    ASSERT_TRUE(tool->isEnabled());
    EXPECT_EQ(tool->text(), "NorveNet Config");
    // Once the worker's start message has been handled, the button is disabled.
    When([&] { return qobject_cast<ToolRunningDlg*>(QApplication::activeModalWidget()) && !tool->isEnabled(); },
         [&] {
           auto* running = qobject_cast<ToolRunningDlg*>(QApplication::activeModalWidget());
           runningTitle = running->windowTitle();
           runningText = plat::ControlText(Control(running, CCommunicationSettingDlg::IDC_NET_TOOL_TEXT));
           toolButtonWhileRunning = tool->isEnabled();
           testenv::WriteFile(scratch + "/go", "");
         });
    tool->click();  // returns once the tool has ended and the worker is joined
    EXPECT_TRUE(tool->isEnabled());
  });
  EXPECT_EQ(testenv::ReadFile(scratch + "/ran"), "ran\n");
  EXPECT_EQ(runningTitle, "Run NorveNet Config");
  EXPECT_EQ(runningText, "NorveNet Config Running...");
  EXPECT_FALSE(toolButtonWhileRunning);
  unsetenv("XJCOMM_NET_SEARCH");
}

TEST(CommunicationSettingDlg, PairingSelectsThePortTheConnectorPaired) {
  AddPortFixture f;
  f.xjc.XJC_EnumDevPort = &TwoBluetoothPorts;
  const std::string programs = testenv::MakeTempDir("pf");
  setenv("ProgramFiles", programs.c_str(), 1);
  const std::string scratch = testenv::MakeTempDir("tool");
  // The connector writes the port it paired into its settings file and ends.
  const std::string settings = plat::ToUtf8(plat::CommonAppDataFolder()) + "/NORVE/VADEVevedaver/XJBTSetting.ini";
  std::filesystem::create_directories(std::filesystem::path(settings).parent_path());
  MakeExecutable(programs + "/NORVE/XJ-K52II Software/XJ Bluetooth Connector/DIVarovevivOzazidura",
                 WaitingTool(scratch + "/go", "printf '[Setting]\\nVirtualComPort=/dev/rfcomm1\\n' > '" + settings + "'\n"));
  f.install.SetInterfaces({0, 4}, 4);
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  QString runningTitle;
  QString runningText;
  bool okWhileRunning = true;
  bool cancelWhileRunning = true;
  bool serialWhileRunning = true;
  RunModal(dialog, [&] {
    ASSERT_EQ(dialog.PortCombo()->count(), 2);
    EXPECT_EQ(dialog.PortCombo()->currentIndex(), 0);
    auto* connector = qobject_cast<QPushButton*>(Control(&dialog, CCommunicationSettingDlg::IDC_BT_CONNECTOR));
    ASSERT_TRUE(connector->isEnabled());
    When([&] { return qobject_cast<ToolRunningDlg*>(QApplication::activeModalWidget()) && !connector->isEnabled(); },
         [&] {
      auto* running = qobject_cast<ToolRunningDlg*>(QApplication::activeModalWidget());
      runningTitle = running->windowTitle();
      runningText = plat::ControlText(Control(running, CCommunicationSettingDlg::IDC_PAIRING_TEXT));
      okWhileRunning = dialog.OkButton()->isEnabled();
      cancelWhileRunning = Control(&dialog, plat::IDCANCEL)->isEnabled();
      serialWhileRunning = dialog.InterfaceButton(kInterfaceSerial)->isEnabled();
      testenv::WriteFile(scratch + "/go", "");
    });
    connector->click();
    EXPECT_EQ(dialog.PortCombo()->currentText(), "/dev/rfcomm1");
    EXPECT_TRUE(connector->isEnabled());
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_TRUE(dialog.InterfaceButton(kInterfaceSerial)->isEnabled());
    EXPECT_TRUE(Control(&dialog, plat::IDCANCEL)->isEnabled());
  });
  EXPECT_EQ(runningTitle, "Run Paring");
  EXPECT_EQ(runningText, "Paring");
  EXPECT_FALSE(okWhileRunning);
  EXPECT_FALSE(cancelWhileRunning);
  EXPECT_FALSE(serialWhileRunning);
  EXPECT_TRUE(f.boxes.All().empty());
}

namespace {
// USB printers as the library would report them: `g_usbDevices` of them, each with its
// device block; the test of a port records what it was given and answers as the model.
std::uint32_t g_usbDevices = 0;
std::vector<std::uint32_t> g_enumCapacities;
PortRecord g_tested;
int g_tests = 0;

XJC_RESULT UsbPrinters(const char16_t* kind, PortRecord** records, std::uint32_t capacity, std::uint32_t* count) {
  g_enumCapacities.push_back(capacity);
  *count = g_usbDevices;
  for (std::uint32_t i = 0; i < g_usbDevices && i < capacity && records != nullptr; ++i) {
    std::memset(records[i], 0, sizeof(PortRecord));
    plat::CopyText(records[i]->kind, kind);
    plat::CopyText(records[i]->portName, u"lp" + plat::FormatInt(i));
    records[i]->usbDeviceData[0] = static_cast<std::uint8_t>(0xA0 + i % 16);
    records[i]->usbDeviceData[259] = 0x5A;
  }
  return XJC_OK;
}

XJC_RESULT AnswersAsTheModel(PortRecord* record) {
  ++g_tests;
  g_tested = *record;
  plat::CopyText(record->deviceName, kModelName);
  return XJC_OK;
}
}  // namespace

TEST(CommunicationSettingDlg, UsbPortsShowTheirPrefixAndTheChosenDeviceBlockIsTested) {
  AddPortFixture f;
  f.xjc.XJC_EnumDevPort = &UsbPrinters;
  f.xjc.XJC_CommunicationTest = &AnswersAsTheModel;
  f.install.SetInterfaces({2}, 2);
  g_usbDevices = 130;  // more than the first record block holds
  g_enumCapacities.clear();
  g_tests = 0;
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  const int result = RunModal(dialog, [&] {
    ASSERT_EQ(dialog.PortCombo()->count(), 130);
    EXPECT_EQ(g_enumCapacities, (std::vector<std::uint32_t>{128, 130}));
    EXPECT_EQ(dialog.PortCombo()->itemText(0), "USB-lp0");
    EXPECT_EQ(dialog.PortCombo()->itemText(129), "USB-lp129");
    // A count beyond reason is cut to what the dialog gives room for.
    g_usbDevices = 0xFFFFFFFFu;
    g_enumCapacities.clear();
    qobject_cast<QPushButton*>(Control(&dialog, CCommunicationSettingDlg::IDC_PORT_SEARCH))->click();
    EXPECT_EQ(g_enumCapacities, (std::vector<std::uint32_t>{128, kMaxDeviceRecords}));
    EXPECT_EQ(dialog.PortCombo()->count(), static_cast<int>(kMaxDeviceRecords));
    dialog.PortCombo()->setCurrentIndex(3);
    dialog.OkButton()->click();
  });
  ASSERT_EQ(result, QDialog::Accepted);
  ASSERT_EQ(g_tests, 1);
  EXPECT_EQ(plat::FieldText(g_tested.kind), u"USB");
  EXPECT_EQ(plat::FieldText(g_tested.portName), u"lp3");
  EXPECT_EQ(g_tested.usbDeviceData[0], 0xA3);
  EXPECT_EQ(g_tested.usbDeviceData[259], 0x5A);
  EXPECT_EQ(g_tested.presetA, -1);
  EXPECT_EQ(g_tested.serialParamsSet, 0);
  EXPECT_EQ(plat::FieldText(dialog.ResultRecord().portName), u"lp3");
  EXPECT_TRUE(f.boxes.All().empty());
}

TEST(CommunicationSettingDlg, PortSearchReportsAnEmptyListAndFollowsItWithOk) {
  AddPortFixture f;
  f.xjc.XJC_EnumDevPort = &UsbPrinters;
  f.install.SetInterfaces({2}, 2);
  g_usbDevices = 0;
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  RunModal(dialog, [&] {
    auto* search = qobject_cast<QPushButton*>(Control(&dialog, CCommunicationSettingDlg::IDC_PORT_SEARCH));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    search->click();
    EXPECT_EQ(f.boxes.Texts(), std::vector<std::u16string>{u"Cannot find the printer."});
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.TestButton()->isEnabled());
    g_usbDevices = 2;
    search->click();
    EXPECT_EQ(dialog.PortCombo()->count(), 2);
    EXPECT_EQ(dialog.PortCombo()->currentIndex(), 0);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_TRUE(dialog.TestButton()->isEnabled());
    EXPECT_EQ(f.boxes.All().size(), 1u);
    // The network tool's message takes 1 (started) and 0 (ended) only.
    EXPECT_EQ(plat::SendMessage(plat::WindowHandle(&dialog), UM_NET_TOOL_RUNNING, 7, 0), -1);
  });
}

TEST(CommunicationSettingDlg, VirtualPortToolIsOpenedWithoutWaitingThenThePortsAreSearched) {
  AddPortFixture f;
  f.xjc.XJC_EnumDevPort = &UsbPrinters;
  const std::string programs = testenv::MakeTempDir("pf");
  setenv("ProgramFiles", programs.c_str(), 1);
  const std::string scratch = testenv::MakeTempDir("tool");
  // The tool writes a mark once the test lets it end: the dialog must not wait for it.
  MakeExecutable(programs + "/NORVE/DADAZUDI/NrvCa", WaitingTool(scratch + "/go", "echo ran > '" + scratch + "/ran'\n"));
  f.install.SetInterfaces({0}, 0);
  g_usbDevices = 0;
  CCommunicationSettingDlg dialog(*f.install.block, &f.xjc, &f.table);
  RunModal(dialog, [&] {
    auto* tool = qobject_cast<QPushButton*>(Control(&dialog, CCommunicationSettingDlg::IDC_VIRTUAL_PORT_TOOL));
    ASSERT_TRUE(tool->isEnabled());
    g_usbDevices = 1;  // the tool made a port
    tool->click();     // returns while the tool still runs
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(scratch + "/ran")));
    EXPECT_EQ(dialog.PortCombo()->count(), 1);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    testenv::WriteFile(scratch + "/go", "");
  });
  EXPECT_EQ(plat::ToUtf8(dialog.VirtualPortToolPath()), programs + "/NORVE/DADAZUDI/NrvCa");
  EXPECT_TRUE(f.boxes.All().empty());
}
