#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "comm/CCommunicationSettingDlg.h"
#include "comm/CPrinterSelectDlg.h"
#include "comm/ModelName.h"
#include "comm/PortEnumeration.h"
#include "lang/CSelectLangDlg.h"
#include "platform/InstalledPrinters.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ReportList.h"
#include "platform/ui/RunningCopy.h"
#include "views/CErrorCorrespondenceDlg.h"
#include "tests/comm_ui/DialogTestSupport.h"
#include "tests/support/PortRecords.h"
#include "tests/support/SimProcess.h"

extern char** environ;

using namespace dlgtest;

namespace {

void Register(XJC& xjc, const PortRecord& record) {
  ASSERT_EQ(xjc.XJC_AddPort(&record), XJC_OK);
}

// The network port of a printer that was there and is gone: nothing answers on it.
std::string StoppedPrinterEndpoint() {
  SimProcess sim;
  EXPECT_TRUE(sim.Start());
  const std::string endpoint = sim.TcpEndpoint();
  sim.Stop();
  return endpoint;
}

std::u16string Text(QWidget* w) { return plat::FromQString(plat::ControlText(w)); }

// The selection dialog of one test with the real library and its own installation.
struct SelectFixture {
  Installation install;
  XJC xjc;
  MessageBoxRecorder boxes;
  CPrinterSelectDlg dialog;

  SelectFixture() {
    LoadLibrary(xjc);
    dialog.SetXJC(&xjc);
  }
  void Prepare() { dialog.SetSettingsBlock(*install.block); }
};

// A process that holds a port open through the library until it is destroyed.
class PortHolder {
 public:
  explicit PortHolder(const std::string& endpoint) {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, toChild[1]);
    posix_spawn_file_actions_addclose(&actions, fromChild[0]);
    std::string program = XJ_PORT_HOLDER_PATH;
    std::string library = XJ_XJCOMM_PATH;
    std::string target = endpoint;
    char* argv[] = {program.data(), library.data(), target.data(), nullptr};
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    toChild_ = toChild[1];
    char c = 0;
    while (read(fromChild[0], &c, 1) == 1 && c != '\n') line_.push_back(c);
    close(fromChild[0]);
  }
  ~PortHolder() {
    if (toChild_ >= 0) close(toChild_);
    int status = 0;
    if (pid_ > 0) waitpid(pid_, &status, 0);
  }
  const std::string& Line() const { return line_; }

 private:
  pid_t pid_ = -1;
  int toChild_ = -1;
  std::string line_;
};

}  // namespace

TEST(PrinterSelectDlg, ListsOnlyRegisteredPortsOfTheServedModel) {
  SelectFixture f;
  Register(f.xjc, NetPortRecord("127.0.0.1:9", kModelName));
  Register(f.xjc, NetPortRecord("127.0.0.1:10", u"XJ-K52III"));
  Register(f.xjc, ServedPortRecord(kPortKindCom, "/dev/ttyS9"));
  f.Prepare();
  RunModal(f.dialog, [&] {
    plat::ReportList* list = f.dialog.List();
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->RowText(0, 0), "XJ-K52II");
    EXPECT_EQ(list->RowText(0, 1), "NET");
    EXPECT_EQ(list->RowText(0, 2), "127.0.0.1:9");
    EXPECT_EQ(list->RowText(1, 1), "Serial");
    EXPECT_EQ(list->RowText(1, 2), "/dev/ttyS9");
    EXPECT_EQ(list->SelectedRow(), 0);
    EXPECT_TRUE(f.dialog.OkButton()->isEnabled());
    EXPECT_TRUE(f.dialog.DeleteButton()->isEnabled());
    // Column headings and the first column's width: the widest text (at least 100
    // pixels) and a fifth more.
    EXPECT_EQ(list->headerItem()->text(0), "Printer");
    EXPECT_EQ(list->headerItem()->text(3), "Driver Port");
    EXPECT_EQ(list->columnWidth(0), 120);
    list->SelectRow(-1);
    EXPECT_FALSE(f.dialog.OkButton()->isEnabled());
    EXPECT_FALSE(f.dialog.DeleteButton()->isEnabled());
    f.dialog.OnOK();
    EXPECT_EQ(f.boxes.Last(), u"Please select the printer you want to setup.");
    EXPECT_TRUE(f.dialog.isVisible());
  });
  EXPECT_EQ(f.dialog.windowTitle(), "XJ-K52II Utility");
  // The dialog carries the running copy's tag: a second start finds it.
  EXPECT_TRUE(QFileInfo::exists(plat::TagSocketPath(QStringLiteral("XJ-K52II_UTILITY_XJ-K52II"))));
  EXPECT_EQ(Text(f.dialog.LanguageLabel()), u"Select: English");
}

TEST(PrinterSelectDlg, OkTestsChecksAndOpensTheSimulator) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  SelectFixture f;
  Register(f.xjc, NetPortRecord(sim.TcpEndpoint()));
  f.Prepare();
  EXPECT_EQ(f.dialog.LastTestResult(), XJC_E_NOT_LOADED);
  const int result = RunModal(f.dialog, [&] { f.dialog.OnOK(); });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_TRUE(f.boxes.All().empty()) << plat::ToUtf8(f.boxes.Last());
  EXPECT_EQ(f.dialog.LastTestResult(), XJC_OK);
  EXPECT_EQ(f.dialog.SettingsBlock().chosenIfType, kIfTypeEthernet);
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(f.dialog.SettingsBlock().chosenPort.portName)), sim.TcpEndpoint());
  EXPECT_EQ(plat::FieldText(f.dialog.SettingsBlock().chosenPort.deviceName), kModelName);
  // The port is open: the printer answers a status request.
  std::int32_t status = -1;
  EXPECT_EQ(f.xjc.GetStatus(&status), XJC_OK);
  EXPECT_EQ(status, 0);
  f.xjc.Close();
  EXPECT_NE(f.install.SettingIni().find("LANGID=0409"), std::string::npos);
}

TEST(PrinterSelectDlg, AnotherModelIsRefusedAndTheDialogStays) {
  SimProcess::Options options;
  options.model = "XJ-K52III";
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  SelectFixture f;
  Register(f.xjc, NetPortRecord(sim.TcpEndpoint()));
  f.Prepare();
  RunModal(f.dialog, [&] {
    f.dialog.OnOK();
    EXPECT_TRUE(f.dialog.isVisible());
  });
  EXPECT_EQ(f.boxes.Texts(), std::vector<std::u16string>{u"The connected printer is not XJ-K52II."});
  EXPECT_EQ(f.dialog.SettingsBlock().chosenIfType, 0);
}

TEST(PrinterSelectDlg, StoppedPrinterCannotCommunicate) {
  std::string endpoint;
  ASSERT_NO_FATAL_FAILURE(endpoint = StoppedPrinterEndpoint());
  SelectFixture f;
  Register(f.xjc, NetPortRecord(endpoint));
  f.Prepare();
  RunModal(f.dialog, [&] {
    f.dialog.OnOK();
    EXPECT_TRUE(f.dialog.isVisible());
    EXPECT_EQ(f.dialog.List()->RowCount(), 1);
  });
  EXPECT_EQ(f.boxes.Texts(), std::vector<std::u16string>{u"Cannot communicate with the printer."});
  EXPECT_EQ(f.dialog.LastTestResult(), XJC_E_OPEN_FAILED);
}

TEST(PrinterSelectDlg, SavedSettingsAcceptAPrinterThatDoesNotAnswer) {
  std::string endpoint;
  ASSERT_NO_FATAL_FAILURE(endpoint = StoppedPrinterEndpoint());
  SelectFixture f;
  Register(f.xjc, NetPortRecord(endpoint));
  // A printer entry with an existing data file for this port.
  const std::u16string dataFolder(plat::FieldText(f.install.block->dataFolder));
  ASSERT_GE(f.install.dataMgr.AddPrinterEntry(dataFolder, kModelName, plat::FromUtf8(endpoint)), 0);
  ASSERT_TRUE(testenv::WriteFile(plat::ToUtf8(f.install.dataMgr.GetSettingDataPath(kModelName, plat::FromUtf8(endpoint))), "x"));
  f.Prepare();
  const int result = RunModal(f.dialog, [&] { f.dialog.OnOK(); });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(f.boxes.Texts(), (std::vector<std::u16string>{u"Cannot communicate with the printer."}));
  EXPECT_EQ(f.dialog.SettingsBlock().chosenIfType, kIfTypeEthernet);
  EXPECT_EQ(f.dialog.LastTestResult(), XJC_E_OPEN_FAILED);
}

TEST(PrinterSelectDlg, PortHeldByAnotherProcessIsInUse) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  SelectFixture f;
  Register(f.xjc, NetPortRecord(sim.TcpEndpoint()));
  PortHolder holder(sim.TcpEndpoint());
  ASSERT_EQ(holder.Line(), "open");
  f.Prepare();
  RunModal(f.dialog, [&] {
    f.dialog.OnOK();
    EXPECT_TRUE(f.dialog.isVisible());
  });
  EXPECT_EQ(f.dialog.LastTestResult(), XJC_E_IN_USE);
  EXPECT_EQ(f.boxes.Texts(), std::vector<std::u16string>{
                                 u"Cannot launch the printer because it is in use by another application."});
}

namespace {
// OK on a simulator put into an error state: the guidance for the error's code is shown,
// then the port is closed again and the dialog stays.
void ExpectGuidanceAtOk(const std::string& simCommand, std::int32_t code, const QString& title) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  ASSERT_EQ(sim.Control(simCommand).rfind("ok", 0), 0u) << simCommand;
  SelectFixture f;
  Register(f.xjc, NetPortRecord(sim.TcpEndpoint()));
  f.Prepare();
  std::int32_t shownCode = -1;
  QString shownTitle;
  QString shownBody;
  RunModal(f.dialog, [&] {
    WhenModal<CErrorCorrespondenceDlg>([&](CErrorCorrespondenceDlg* guidance) {
      shownCode = guidance->ErrorCode();
      shownTitle = guidance->windowTitle();
      shownBody = guidance->Guidance()->text();
      guidance->accept();
    });
    f.dialog.OnOK();
    EXPECT_TRUE(f.dialog.isVisible());
  });
  EXPECT_EQ(shownCode, code);
  EXPECT_EQ(shownTitle, title);
  EXPECT_FALSE(shownBody.isEmpty());
  EXPECT_TRUE(f.boxes.All().empty()) << plat::ToUtf8(f.boxes.Last());
  // The port was closed again: a status request finds no open port.
  std::int32_t status = -1;
  EXPECT_EQ(f.xjc.GetStatus(&status), XJC_E_NOT_OPEN);
}
}  // namespace

TEST(PrinterSelectDlg, CutterErrorShowsGuidanceClosesThePortAndStays) {
  ExpectGuidanceAtOk("cutter error", kErrorCodeAutoCutter, QStringLiteral("Auto cutter error"));
}

TEST(PrinterSelectDlg, UnrecoverableErrorShowsTheFatalErrorGuidance) {
  ExpectGuidanceAtOk("fatal on", kErrorCodeFatal, QStringLiteral("Fatal Error"));
}

TEST(PrinterSelectDlg, AddPortRegistersTheSimulatorsSerialPortAndDeleteRemovesIt) {
  SimProcess::Options options;
  options.tcp = false;
  options.pty = true;
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  setenv("XJCOMM_EXTRA_SERIAL", sim.PtyPath().c_str(), 1);
  SelectFixture f;
  f.install.SetInterfaces({0, 1, 2, 3}, 0);
  f.Prepare();
  RunModal(f.dialog, [&] {
    EXPECT_EQ(f.dialog.List()->RowCount(), 0);
    EXPECT_FALSE(f.dialog.OkButton()->isEnabled());
    WhenModal<CCommunicationSettingDlg>([&](CCommunicationSettingDlg* add) {
      EXPECT_EQ(add->CurrentInterface(), kInterfaceSerial);
      const int index = add->PortCombo()->findText(QString::fromStdString(sim.PtyPath()));
      ASSERT_GE(index, 0);
      add->PortCombo()->setCurrentIndex(index);
      add->OkButton()->click();
      EXPECT_FALSE(add->isVisible());
    });
    f.dialog.OnAddPort();
    ASSERT_EQ(f.dialog.List()->RowCount(), 1);
    EXPECT_EQ(f.dialog.List()->RowText(0, 1), "Serial");
    EXPECT_EQ(f.dialog.List()->RowText(0, 2).toStdString(), sim.PtyPath());
    EXPECT_EQ(f.dialog.List()->SelectedRow(), 0);

    f.boxes.AnswerQuestionsWith(plat::IDNO);
    f.dialog.OnDeletePort();
    EXPECT_EQ(f.dialog.List()->RowCount(), 1);
    f.boxes.AnswerQuestionsWith(plat::IDYES);
    f.dialog.OnDeletePort();
    EXPECT_EQ(f.dialog.List()->RowCount(), 0);
    EXPECT_FALSE(f.dialog.DeleteButton()->isEnabled());
  });
  EXPECT_EQ(f.boxes.Texts(), (std::vector<std::u16string>{u"Do you really want to delete the selected port?",
                                                          u"Do you really want to delete the selected port?"}));
  std::uint32_t count = 99;
  EXPECT_EQ(f.xjc.XJC_EnumPort(nullptr, 0, &count, 0), XJC_OK);
  EXPECT_EQ(count, 0u);
  unsetenv("XJCOMM_EXTRA_SERIAL");
}

TEST(PrinterSelectDlg, JapaneseRelocalisesAtOnceAndIsSaved) {
  SelectFixture f;
  Register(f.xjc, NetPortRecord("127.0.0.1:9"));
  f.Prepare();
  RunModal(f.dialog, [&] {
    EXPECT_EQ(Text(f.dialog.DeleteButton()), u"Delete Port");
    WhenModal<CSelectLangDlg>([](CSelectLangDlg* lang) {
      const int japanese = lang->LanguageCombo()->findData(QVariant::fromValue<qlonglong>(0x0411));
      ASSERT_GE(japanese, 0);
      lang->LanguageCombo()->setCurrentIndex(japanese);
      lang->OnOK();
    });
    f.dialog.OnSelectLanguage();
    EXPECT_EQ(Text(f.dialog.DeleteButton()), u"ポートの削除");
    EXPECT_EQ(Text(plat::FindChildById(&f.dialog, CPrinterSelectDlg::IDC_GUIDE)),
              u"プリンターを選択して [OK] ボタンを押してください。");
    EXPECT_EQ(f.dialog.List()->headerItem()->text(0), QStringLiteral("プリンター"));
    EXPECT_EQ(f.dialog.List()->headerItem()->text(1), QStringLiteral("インターフェース"));
    EXPECT_EQ(f.dialog.List()->RowText(0, 1), QStringLiteral("ネットワーク"));
    EXPECT_EQ(Text(f.dialog.LanguageLabel()), u"選択言語: 日本語");
    EXPECT_EQ(f.dialog.PortAddTable().LangId(), 0x0411);
    f.dialog.reject();
  });
  EXPECT_EQ(f.dialog.SettingsBlock().langId, 0x0411);
  EXPECT_EQ(plat::FieldText(f.dialog.SettingsBlock().langCode), u"0411");
  EXPECT_NE(f.install.SettingIni().find("LANGID=0411"), std::string::npos);
  EXPECT_TRUE(f.boxes.All().empty());
}

TEST(PrinterSelectDlg, LanguageWithoutFileFallsBackToEnglish) {
  SelectFixture f;
  f.install.SetLanguage(0x0407);
  f.Prepare();
  qlonglong offered = -1;
  bool okEnabled = false;
  RunModal(f.dialog, [&] {
    // The language dialog then offers English, the language shown, ready for OK.
    WhenModal<CSelectLangDlg>([&](CSelectLangDlg* lang) {
      offered = lang->LanguageCombo()->currentData().toLongLong();
      okEnabled = lang->OkButton()->isEnabled();
      lang->reject();
    });
    f.dialog.OnSelectLanguage();
  });
  EXPECT_EQ(f.boxes.Texts(),
            std::vector<std::u16string>{u"Could not find the required files.\nDisplaying the screen in English."});
  EXPECT_EQ(f.dialog.SettingsBlock().langId, 0x0409);
  EXPECT_EQ(plat::FieldText(f.dialog.SettingsBlock().langCode), u"0409");
  EXPECT_EQ(offered, 0x0409);
  EXPECT_TRUE(okEnabled);
  EXPECT_NE(f.install.SettingIni().find("LANGID=0409"), std::string::npos);
}

TEST(PrinterSelectDlg, LanguageThatCannotBeSavedIsToldOnce) {
  SelectFixture f;
  f.install.SetLanguage(0x0411);
  // A program folder the settings file cannot be written in.
  plat::CopyText(f.install.block->exeFolder, plat::FromUtf8(f.install.exeDir + "/missing/"));
  f.Prepare();
  RunModal(f.dialog, [&] { f.dialog.reject(); });
  f.dialog.reject();
  EXPECT_EQ(f.boxes.Texts(), std::vector<std::u16string>{plat::FromUtf8("言語の設定を保存できませんでした。")});
  EXPECT_NE(f.install.SettingIni().find("LANGID=0409"), std::string::npos);
}

TEST(PrinterSelectDlg, WithoutLanguageFilesTheDialogClosesAsCancel) {
  Installation install(std::vector<std::string>{});
  MessageBoxRecorder boxes;
  CPrinterSelectDlg dialog;
  install.SetLanguage(0x0411);
  dialog.SetSettingsBlock(*install.block);
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_EQ(boxes.Texts(), std::vector<std::u16string>{u"Could not find the required files.\nClosing application."});
  EXPECT_NE(install.SettingIni().find("LANGID=0411"), std::string::npos);
}

TEST(PrinterSelectDlg, WithoutTheLibraryTheListIsEmptyAndOkDisabled) {
  Installation install;
  MessageBoxRecorder boxes;
  XJC absent;
  EXPECT_EQ(absent.Load(plat::FromUtf8(install.exeDir + "/NoSuchComm.so")), XJC_E_NOT_LOADED);
  CPrinterSelectDlg dialog;
  dialog.SetXJC(&absent);
  dialog.SetSettingsBlock(*install.block);
  RunModal(dialog, [&] {
    EXPECT_EQ(dialog.List()->RowCount(), 0);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.DeleteButton()->isEnabled());
    EXPECT_TRUE(dialog.AddButton()->isEnabled());
    EXPECT_TRUE(dialog.SelectLanguageButton()->isEnabled());
  });
  PortRecord record = NetPortRecord("127.0.0.1:9");
  EXPECT_EQ(static_cast<XJC_RESULT>(dialog.TestPort(0, &record)), XJC_E_NOT_LOADED);
  EXPECT_EQ(dialog.OpenPort(&record), XJC_E_NOT_LOADED);
  EXPECT_EQ(dialog.OpenPort(nullptr), XJC_E_NO_RECORD);
}

// What the stand-in enumerations below saw. Each test that uses one sets it to zero
// first, so a repeated run counts afresh.
namespace {
int g_enumCalls = 0;
XJC_RESULT FailingSecondEnum(PortRecord** records, std::uint32_t capacity, std::uint32_t* count, std::int32_t) {
  ++g_enumCalls;
  if (records == nullptr) {
    *count = 2;
    return XJC_OK;
  }
  (void)capacity;
  return XJC_E_IO;
}
}  // namespace

namespace {
std::uint32_t g_givenCapacity = 0;
XJC_RESULT CountBeyondReason(PortRecord** records, std::uint32_t capacity, std::uint32_t* count, std::int32_t) {
  *count = 0xFFFFFFFFu;
  if (records != nullptr) g_givenCapacity = capacity;
  return XJC_OK;
}
}  // namespace

TEST(PrinterSelectDlg, PortCountBeyondReasonIsCut) {
  g_givenCapacity = 0;
  SelectFixture f;
  f.xjc.XJC_EnumPort = &CountBeyondReason;
  f.Prepare();
  RunModal(f.dialog, [&] { EXPECT_EQ(f.dialog.List()->RowCount(), 0); });
  EXPECT_EQ(g_givenCapacity, kMaxRegisteredPorts);
}

TEST(PrinterSelectDlg, FailedSecondEnumerationLeavesNoStaleRows) {
  g_enumCalls = 0;
  SelectFixture f;
  Register(f.xjc, NetPortRecord("127.0.0.1:9"));
  f.Prepare();
  RunModal(f.dialog, [&] {
    ASSERT_EQ(f.dialog.List()->RowCount(), 1);
    f.xjc.XJC_EnumPort = &FailingSecondEnum;
    // Deleting the port refreshes the list; the refresh's second call fails.
    f.dialog.OnDeletePort();
    EXPECT_EQ(f.dialog.List()->RowCount(), 0);
    EXPECT_FALSE(f.dialog.OkButton()->isEnabled());
  });
  EXPECT_EQ(g_enumCalls, 2);
}

TEST(PrinterSelectDlg, InstalledPrinterModeFiltersAndBindsQueues) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  SelectFixture f;
  Register(f.xjc, NetPortRecord(sim.TcpEndpoint(), u"XJ-K52II", u"pipe://xj/ZLDPRT001"));
  ASSERT_TRUE(testenv::WriteFile(plat::ToUtf8(plat::RegistryFilePath()),
                                 "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1]\nPort=ZLDPRT001\n"));
  plat::SetInstalledPrinterSource([] {
    return std::vector<plat::InstalledPrinter>{
        {u"Plain", u"PLAIN", u"NORVE XJ-K52II"},                  // no printer kind mark
        {u"Receipt A", u"ZLDPRT001", u"NORVE XJ-K52II Receipt5"},  // bound to the port
        {u"Other", u"OTHER", u"Generic Receipt5"},                 // another driver
        {u"Label B", u"LABELQ", u"NORVE XJ-K52II Label5", "ipp://server/printers/label"},  // own record
    };
  });
  f.install.block->mode = kModeDriver;
  f.Prepare();
  f.dialog.SetDriverFilter(kDriverFilterText);
  char16_t name[260];
  RunModal(f.dialog, [&] {
    plat::ReportList* list = f.dialog.List();
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->RowText(0, 0), "Receipt A");
    EXPECT_EQ(list->RowText(0, 2).toStdString(), sim.TcpEndpoint());
    EXPECT_EQ(list->RowText(0, 3), "(ZLDPRT001)");
    EXPECT_EQ(list->RowText(1, 0), "Label B");
    EXPECT_EQ(list->RowText(1, 1), "IPP");
    EXPECT_EQ(list->RowText(1, 2), "Cannot be set up: ipp://server/printers/label");
    const auto* own = reinterpret_cast<const PortRecord*>(list->RowData(1));
    EXPECT_EQ(own->origin, kPortOriginInstalledPrinter);
    EXPECT_EQ(plat::FieldText(own->deviceName), u"NORVE XJ-K52II Label5");
    EXPECT_FALSE(f.dialog.AddButton()->isVisible());
    EXPECT_FALSE(f.dialog.DeleteButton()->isVisible());
    EXPECT_FALSE(f.dialog.GetSelectedPrinterName(name));
    f.dialog.OnOK();
  });
  EXPECT_EQ(f.dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(f.dialog.GetSelectedPrinterName(name));
  EXPECT_EQ(std::u16string(name), u"Receipt A");
  EXPECT_EQ(f.dialog.LastTestResult(), XJC_OK);
  f.xjc.Close();

  // The printer-name filter keeps only the named printer.
  CPrinterSelectDlg named;
  named.SetXJC(&f.xjc);
  named.SetSettingsBlock(*f.install.block);
  named.SetDriverFilter(kDriverFilterText);
  named.SetPrinterNameFilter(u"Label B");
  RunModal(named, [&] {
    ASSERT_EQ(named.List()->RowCount(), 1);
    EXPECT_EQ(named.List()->RowText(0, 0), "Label B");
  });
  // By path: the entry whose port path begins with the text is chosen without showing.
  CPrinterSelectDlg byPath;
  byPath.SetXJC(&f.xjc);
  byPath.SetSettingsBlock(*f.install.block);
  byPath.SetDriverFilter(kDriverFilterText);
  PortRecord* found = byPath.SelectPortByPath(u"pipe://xj/");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(found->portName)), sim.TcpEndpoint());
  EXPECT_EQ(byPath.SettingsBlock().chosenIfType, kIfTypeEthernet);
  EXPECT_TRUE(byPath.GetSelectedPrinterName(name));
  EXPECT_EQ(std::u16string(name), u"Receipt A");
  EXPECT_EQ(byPath.SelectPortByPath(u"pipe://other/"), nullptr);
  plat::SetInstalledPrinterSource({});
}

TEST(PrinterSelectDlg, InstalledPrinterPrintsThroughItsDeviceOrTellsWhyItCannot) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  SelectFixture f;
  const std::string uri = "socket://" + sim.TcpEndpoint();
  plat::SetInstalledPrinterSource([uri] {
    return std::vector<plat::InstalledPrinter>{
        {u"XJK52_Counter", u"XJK52_Counter", u"NORVE XJ-K52II Receipt5", uri},
        {u"Office", u"Office", u"NORVE XJ-K52II Receipt5", "lpd://10.0.0.9/receipt"},
        {u"Broken", u"Broken", u"NORVE XJ-K52II Receipt5", "serial:/dev/ttyS0?parity=mark"},
    };
  });
  f.install.block->mode = kModeDriver;
  f.install.SetLanguage(0x0411);
  f.Prepare();
  f.dialog.SetDriverFilter(kDriverFilterText);
  const int result = RunModal(f.dialog, [&] {
    plat::ReportList* list = f.dialog.List();
    ASSERT_EQ(list->RowCount(), 3);
    EXPECT_EQ(list->RowText(0, 1).toStdString(), "ネットワーク");
    EXPECT_EQ(list->RowText(0, 2).toStdString(), sim.TcpEndpoint());
    EXPECT_EQ(list->RowText(1, 1), "LPD");
    EXPECT_EQ(list->RowText(2, 2).toStdString(), "正しくありません: serial:/dev/ttyS0?parity=mark");
    EXPECT_EQ(list->topLevelItem(2)->toolTip(2), list->RowText(2, 2));
    list->SelectRow(2);
    f.dialog.OnOK();
  });
  // The broken queue is explained, not tested; the dialog ends on it as the driver's choice.
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(plat::ToUtf8(f.boxes.Last()),
            "プリンターの接続先が正しくありません: serial:/dev/ttyS0?parity=mark (ポートは設定 parity=mark を使用できません)");
  EXPECT_EQ(f.dialog.LastTestResult(), XJC_E_NO_PORT);
  const std::string status = sim.Control("status");
  EXPECT_NE(status.find(" connections=0"), std::string::npos) << status;

  // The network queue reaches the printer and opens it.
  CPrinterSelectDlg again;
  again.SetXJC(&f.xjc);
  again.SetSettingsBlock(*f.install.block);
  again.SetDriverFilter(kDriverFilterText);
  again.SetPrinterNameFilter(u"XJK52_Counter");
  EXPECT_EQ(RunModal(again, [&] { again.OnOK(); }), QDialog::Accepted);
  EXPECT_EQ(again.LastTestResult(), XJC_OK);
  EXPECT_EQ(again.SettingsBlock().chosenIfType, kIfTypeEthernet);
  EXPECT_EQ(f.boxes.All().size(), 1u);
  f.xjc.Close();

  // An English user reads why the print server queue cannot be set up.
  f.install.SetLanguage(0x0409);
  CPrinterSelectDlg office;
  office.SetXJC(&f.xjc);
  office.SetSettingsBlock(*f.install.block);
  office.SetDriverFilter(kDriverFilterText);
  office.SetPrinterNameFilter(u"Office");
  RunModal(office, [&] { office.OnOK(); });
  plat::SetInstalledPrinterSource({});
  EXPECT_EQ(plat::ToUtf8(f.boxes.Last()).rfind("This printer is reached through a print server (lpd://10.0.0.9/receipt).", 0), 0u)
      << plat::ToUtf8(f.boxes.Last());
}

namespace {
// Registered ports as a library would report them, with kinds the library itself never
// registers.
XJC_RESULT MixedKindPorts(PortRecord** records, std::uint32_t capacity, std::uint32_t* count, std::int32_t) {
  const struct {
    const char16_t* kind;
    const char16_t* port;
    const char16_t* model;
  } ports[] = {{u"BT", u"/dev/rfcomm0", kModelName},
               {u"LPT", u"/dev/lp0", kModelName},
               {u"ODD", u"odd-port", kModelName},
               {u"USB", u"lp1", u"XJ-K52III"}};
  *count = 4;
  for (std::uint32_t i = 0; records != nullptr && i < capacity && i < 4; ++i) {
    std::memset(records[i], 0, sizeof(PortRecord));
    plat::CopyText(records[i]->kind, ports[i].kind);
    plat::CopyText(records[i]->portName, ports[i].port);
    plat::CopyText(records[i]->deviceName, ports[i].model);
  }
  return XJC_OK;
}

XJC_RESULT RefusingRemove(const PortRecord*) { return XJC_E_IO; }
}  // namespace

TEST(PrinterSelectDlg, InterfaceColumnNamesKnownKindsAndShowsOthersAsTheyAre) {
  SelectFixture f;
  f.xjc.XJC_EnumPort = &MixedKindPorts;
  f.install.SetLanguage(0x0411);
  f.Prepare();
  RunModal(f.dialog, [&] {
    plat::ReportList* list = f.dialog.List();
    ASSERT_EQ(list->RowCount(), 3);  // the other model's port is not listed
    EXPECT_EQ(list->RowText(0, 1), QStringLiteral("Bluetooth"));
    EXPECT_EQ(list->RowText(1, 1), QString::fromUtf8("パラレル"));
    EXPECT_EQ(list->RowText(2, 1), QStringLiteral("ODD"));
    EXPECT_EQ(list->RowText(2, 2), QStringLiteral("odd-port"));
  });
}

TEST(PrinterSelectDlg, ChosenInterfaceTypeFollowsTheKindExactly) {
  CPrinterSelectDlg dialog;
  const struct {
    const char16_t* kind;
    std::int32_t type;
  } known[] = {{u"COM", kIfTypeSerial},
               {u"LPT", kIfTypeParallel},
               {u"USB", kIfTypeUsb},
               {u"NET", kIfTypeEthernet},
               {u"BT", kIfTypeBluetooth}};
  for (const auto& c : known) {
    PortRecord record = NetPortRecord("port-" + plat::ToUtf8(c.kind));
    plat::CopyText(record.kind, c.kind);
    dialog.SetChosenPort(&record);
    EXPECT_EQ(dialog.SettingsBlock().chosenIfType, c.type) << plat::ToUtf8(c.kind);
    EXPECT_EQ(plat::FieldText(dialog.SettingsBlock().chosenPort.portName), plat::FieldText(record.portName));
  }
  // Any other kind (letter case counts) is copied but leaves the type as it was.
  for (const char16_t* kind : {u"net", u"SERIAL", u""}) {
    PortRecord record = NetPortRecord("other");
    plat::CopyText(record.kind, kind);
    dialog.SetChosenPort(&record);
    EXPECT_EQ(dialog.SettingsBlock().chosenIfType, kIfTypeBluetooth) << plat::ToUtf8(kind);
    EXPECT_EQ(plat::FieldText(dialog.SettingsBlock().chosenPort.kind), kind);
  }
  dialog.SetChosenPort(nullptr);
  EXPECT_EQ(plat::FieldText(dialog.SettingsBlock().chosenPort.portName), u"other");
}

TEST(PrinterSelectDlg, SelectPortByPathMatchesThePathUpToItsLastSlash) {
  SelectFixture f;
  Register(f.xjc, NetPortRecord("127.0.0.1:9", kModelName, u"pipe://xj/ZLDPRT001"));
  Register(f.xjc, NetPortRecord("127.0.0.1:10", kModelName, u"pipe://xj/sub/ZLDPRT002"));
  f.Prepare();
  PortRecord* found = f.dialog.SelectPortByPath(u"pipe://xj/sub/");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(plat::FieldText(found->portName), u"127.0.0.1:10");
  EXPECT_EQ(plat::FieldText(f.dialog.SettingsBlock().chosenPort.portName), u"127.0.0.1:10");
  EXPECT_EQ(f.dialog.SettingsBlock().chosenIfType, kIfTypeEthernet);
  // The whole part up to the last "/" must match: neither a shorter nor a longer text does.
  EXPECT_EQ(f.dialog.SelectPortByPath(u"pipe://"), nullptr);
  EXPECT_EQ(f.dialog.SelectPortByPath(u"pipe://xj/ZLDPRT001"), nullptr);
  found = f.dialog.SelectPortByPath(u"pipe://xj/");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(plat::FieldText(found->portName), u"127.0.0.1:9");
  // Port mode has no installed printers to name.
  char16_t name[260] = u"x";
  EXPECT_FALSE(f.dialog.GetSelectedPrinterName(name));
  EXPECT_EQ(name[0], u'\0');
}

TEST(PrinterSelectDlg, RefusedDeletionIsReportedAndTheRowStays) {
  SelectFixture f;
  Register(f.xjc, NetPortRecord("127.0.0.1:9"));
  f.xjc.XJC_RemovePort = &RefusingRemove;
  f.Prepare();
  RunModal(f.dialog, [&] {
    f.dialog.OnDeletePort();
    EXPECT_EQ(f.dialog.List()->RowCount(), 1);
    EXPECT_TRUE(f.dialog.isVisible());
  });
  EXPECT_EQ(f.boxes.Texts(), (std::vector<std::u16string>{u"Do you really want to delete the selected port?",
                                                          u"The port could not be deleted."}));
}

TEST(PrinterSelectDlg, StartedByTheDriverTheChosenPrinterIsTakenEvenWhenTheModelDiffers) {
  SimProcess::Options options;
  options.model = "XJ-L52II";  // another series: not of the served family
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  SelectFixture f;
  Register(f.xjc, NetPortRecord(sim.TcpEndpoint(), kModelName, u"pipe://xj/ZLDPRT001"));
  plat::SetInstalledPrinterSource([] {
    return std::vector<plat::InstalledPrinter>{{u"Receipt A", u"ZLDPRT001", u"NORVE XJ-K52II Receipt5"}};
  });
  f.install.block->mode = kModeDriver;
  f.install.SetLanguage(0x0411);
  f.Prepare();
  f.dialog.SetDriverFilter(kDriverFilterText);
  const int result = RunModal(f.dialog, [&] { f.dialog.OnOK(); });
  plat::SetInstalledPrinterSource({});
  // The user is told, and the dialog still ends with OK on the chosen printer.
  EXPECT_EQ(f.boxes.Texts(), std::vector<std::u16string>{plat::FromUtf8("接続されているプリンターは XJ-K52II ではありません。")});
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(f.dialog.SettingsBlock().chosenIfType, kIfTypeEthernet);
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(f.dialog.SettingsBlock().chosenPort.portName)), sim.TcpEndpoint());
  EXPECT_EQ(static_cast<std::int32_t>(f.dialog.LastTestResult()), 0);
  EXPECT_NE(f.install.SettingIni().find("LANGID=0411"), std::string::npos);
}

TEST(PrinterSelectDlg, DoubleClickOnARowIsOk) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  SelectFixture f;
  Register(f.xjc, NetPortRecord(sim.TcpEndpoint()));
  f.Prepare();
  const int result = RunModal(f.dialog, [&] {
    plat::ReportList* list = f.dialog.List();
    const QRect row = list->visualItemRect(list->topLevelItem(0));
    // A real double-click: the first click, then the second one that the system
    // reports as the double-click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_TRUE(f.boxes.All().empty()) << plat::ToUtf8(f.boxes.Last());
  EXPECT_EQ(f.dialog.SelectedIndex(), 0);
  f.xjc.Close();
}
