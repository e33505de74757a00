#include "app/CXJUtilApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

#include "app/AdministratorCheck.h"
#include "app/CMainFrame.h"
#include "app/CSplash.h"
#include "app/CUtlDoc.h"
#include "app/PrinterSettingFiles.h"
#include "app/StartupSettings.h"
#include "app/settings/PrinterSettingIni.h"
#include "comm/CPrinterSelectDlg.h"
#include "comm/XJC.h"
#include "libs/printerinfo/VodEroVerEDU.h"
#include "platform/DynLib.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/EventLog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/RunningCopy.h"
#include "status/PrinterInfoLibrary.h"
#include "status/PrinterSettingsFile.h"
#include "views/CCommonFormView.h"
#include "views/CommonMessages.h"
#include "views/Messages.h"

namespace {

// Runs work on a worker thread while the UI thread keeps handling events (the splash
// stays painted), and returns its result once the worker has been joined.
template <typename Work>
auto RunBlocking(Work work) -> decltype(work()) {
  using Result = decltype(work());
  Result result{};
  QEventLoop loop;
  std::thread worker([&] {
    result = work();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  return result;
}

constexpr std::int32_t kFeatureBatteryStatus = 6;
constexpr std::int32_t kUserSettingCommands = 1;
struct CommandCapability {
  std::int32_t code1;
  std::int32_t code2;
  std::int32_t AppSettingsBlock::*flag;
};
constexpr CommandCapability kCommandCapabilities[] = {
    {0x0E, 0x30, &AppSettingsBlock::command0E30Enabled},
    {0x0E, 0x52, &AppSettingsBlock::command0E52Enabled},
};

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

}  // namespace

CXJUtilApp::CXJUtilApp() : block_(std::make_unique<AppSettingsBlock>()) {
  std::memset(block_.get(), 0, sizeof(AppSettingsBlock));
  block_->batteryScaleFlag = 1;
}

CXJUtilApp::~CXJUtilApp() {
  delete frame_.data();
  delete splash_;
  selectDlg_.reset();
  // The library object goes first: the engines it was handed to go right after.
  xjc_.reset();
}

int CXJUtilApp::Run(int argc, char** argv) {
  QApplication::setQuitOnLastWindowClosed(false);
  if (InitInstance(argc, argv)) {
    if (terminationRequested_) RequestTermination();
    QApplication::exec();
  }
  // The main window goes before shutdown: with it the menu view finalises the plug-ins.
  delete frame_.data();
  document_.reset();
  ExitInstance();
  return exitCode_;
}

bool CXJUtilApp::EndStartup(int exitCode, const char* reason) {
  exitCode_ = exitCode;
  selectDlg_.reset();
  cmdInfo_.reset();
  plat::LogEvent(plat::kEventStartupEnded, {plat::FromUtf8(reason)});
  return false;
}

void CXJUtilApp::WarnFromTable(std::u16string_view key, int index, std::u16string_view builtIn) {
  CLangResTable table;
  table.SelectLanguageFile(plat::FieldText(block_->langFolder), block_->langId, kLangIdEnglish);
  if (table.IsFileFound()) table.LoadResources(key);
  ShowWarningMessage(nullptr, table.MessageOr(index, builtIn).c_str());
}

bool CXJUtilApp::InitInstance(int argc, char** argv) {
  arguments_.assign(argv, argv + argc);
  cmdInfo_ = std::make_unique<CExtCommandLineInfo>();
  cmdInfo_->ParseCommandLine(argc, argv);
  // The phases run in this order; one that fails has told the user why and ended
  // start-up, and none after it runs. The language is loaded a second time once the
  // printer is chosen: the selection dialog may have changed it.
  return GuardSingleInstance() && PrepareFoldersAndSettings() && LoadApplicationTexts() &&
         RequireAdministrator() && ReadFeatureSettings() && LoadCommLibrary() && ChoosePrinter() &&
         LearnPrinter() && LoadApplicationTexts() && OpenMainWindow();
}

bool CXJUtilApp::GuardSingleInstance() {
  // One running copy, unless "bM" allows several. A copy that finds the lock held
  // brings the running one to the front and ends.
  if (cmdInfo_->multiInstance) return true;
  switch (instanceLock_.Acquire(plat::RuntimeFolder())) {
    case SingleInstanceLock::Result::kAcquired:
      return true;
    case SingleInstanceLock::Result::kHeldByOther: {
      // The running copy may be between its windows (or still starting); it is then
      // simply not brought forward.
      const bool answered = plat::BringTaggedWindowToFront(plat::ToQString(RunningCopyTagName()));
      plat::LogEvent(plat::kEventSecondCopy, {answered ? u"answered" : u"no-answer"});
      return EndStartup(kExitOk, "second-copy");
    }
    case SingleInstanceLock::Result::kError:
      // Without the lock the program cannot tell whether it runs twice; it says why.
      std::fprintf(stderr, "xjk52util: cannot lock %s: %s\n",
                   plat::ToUtf8(plat::JoinPath(plat::RuntimeFolder(), kSingleInstanceLockName)).c_str(),
                   std::strerror(instanceLock_.LastError()));
      return EndStartup(kExitStartupFailed, "lock-failed");
  }
  return EndStartup(kExitStartupFailed, "lock-failed");
}

bool CXJUtilApp::PrepareFoldersAndSettings() {
  AppSettingsBlock& block = *block_;

  // The communication lock; the data manager's address for the pages and dialogs.
  commLock_ = std::make_unique<std::recursive_mutex>();
  block.commLock = commLock_.get();
  block.dataMgr = &dataMgr_;

  // Executable and language folders.
  const std::u16string exeFolder = plat::ExecutableFolder();
  plat::CopyText(block.exeFolder, exeFolder);
  plat::CopyText(block.langFolder, exeFolder + kLanguageFolderName);

  // Data folders (created when missing; a failure shows later, when files are used).
  const std::u16string commonMaker = plat::JoinPath(plat::CommonAppDataFolder(), kMakerFolder);
  const std::u16string dataFolder = plat::JoinPath(commonMaker, kProductFolder);
  const std::u16string tempFolder = plat::JoinPath(dataFolder, kTempFolderName);
  const std::u16string userMaker = plat::JoinPath(plat::UserAppDataFolder(), kMakerFolder);
  const std::u16string userFolder = plat::JoinPath(userMaker, kProductFolder);
  for (const std::u16string& folder : {commonMaker, dataFolder, tempFolder, userMaker, userFolder})
    plat::CreateFolder(folder);
  plat::CopyText(block.dataFolder, dataFolder);
  plat::CopyText(block.tempFolder, tempFolder);
  foldersCreated_ = true;

  // The program's settings file; the printer setting index.
  settingIni_ = exeFolder + kSettingIniName;
  LoadPrinterSettingIni(dataMgr_, dataFolder, dataFolder);

  // What the command line asked for.
  block.mode = cmdInfo_->mode;
  block.callerCode = cmdInfo_->callerCode;
  plat::CopyText(block.portText, plat::FieldText(cmdInfo_->portText), kCommandTextMax);
  plat::CopyText(block.printerName, plat::FieldText(cmdInfo_->printerName), kCommandTextMax);
  plat::CopyText(block.connectionPath, plat::FieldText(cmdInfo_->connectionPath), kCommandTextMax);
  plat::CopyText(block.settingsFilePath, plat::FieldText(cmdInfo_->settingsFilePath));

  // The language code.
  plat::CopyText(block.langCode, plat::ProfileString(kLanguageSection, kLangIdKey, kDefaultLangCode, settingIni_));
  block.value203 = kBlockValue203;

  // File mode works with a logo file of its own, which starts out absent.
  if (block.mode == kModeFile) {
    const std::u16string logo = plat::JoinPath(userFolder, kLogoFileName);
    plat::CopyText(block.logoPath, logo);
    if (plat::FileExists(logo)) plat::RemoveFile(logo);
  } else {
    block.logoPath[0] = 0;
  }

  block.langId = static_cast<std::int32_t>(plat::ParseLangIdCode(plat::FieldText(block.langCode)));
  return true;
}

bool CXJUtilApp::LoadApplicationTexts() {
  const AppSettingsBlock& block = *block_;
  if (table_.SelectLanguageFile(plat::FieldText(block.langFolder), block.langId, kLangIdEnglish) == kLangFileNone) {
    CloseSplash();
    ShowWarningMessage(nullptr, kTextNoFiles);
    return EndStartup(kExitStartupFailed, "no-language-files");
  }
  table_.LoadResources(kAppResourceKey);
  return true;
}

bool CXJUtilApp::RequireAdministrator() {
  if (IsAdministratorProcess()) return true;
  ShowWarningMessage(nullptr, table_.MessageOr(kMsgNotAdministrator, kTextNotAdministrator).c_str());
  return EndStartup(kExitStartupFailed, "not-administrator");
}

bool CXJUtilApp::ReadFeatureSettings() {
  AppSettingsBlock& block = *block_;
  ReadFeatureSwitches(block, settingIni_, block.mode);
  ReadInterfaceOrder(block, settingIni_, plat::FieldText(block.langFolder), block.langId);
  return true;
}

bool CXJUtilApp::LoadCommLibrary() {
  const AppSettingsBlock& block = *block_;
  // File mode works without the library.
  if (block.mode == kModeFile) return true;
  xjc_ = std::make_unique<XJC>();
  xjc_->Load();
  // A library that cannot be loaded is no reason to stop: the selection dialog then
  // lists no printer and says so when one is chosen.
  if (!xjc_->IsLoaded()) return true;
  const std::int32_t caller = block.callerCode;
  xjc_->XJC_SetCaller((caller >= kCallerPrinterDriver && caller <= kCallerAutoRestore) ? caller : kCallerNone);
  xjc_->XJC_SetModelType(kLaunchModelType);
  return true;
}

bool CXJUtilApp::ChoosePrinter() {
  AppSettingsBlock& block = *block_;

  // File mode without a port path works on the served model's settings alone: there is
  // no printer to choose, and no selection dialog is made (its windows would cost the
  // start a good part of its time).
  if (block.mode == kModeFile && block.portText[0] == 0) {
    plat::CopyText(block.chosenPort.deviceName, kServedModelName);
    block.xjc = xjc_.get();
    startupComm_ = kStartupCommFileMode;
    if (terminationRequested_) {
      CloseSplash();
      return EndStartup(kExitOk, "terminated");
    }
    return true;
  }

  // The selection dialog works on a copy of the block.
  selectDlg_ = std::make_unique<CPrinterSelectDlg>();
  selectDlg_->SetSettingsBlock(block);
  selectDlg_->SetXJC(xjc_.get());
  if (block.mode == kModeDriver) {
    selectDlg_->SetDriverFilter(kDriverFilterText);
    if (block.printerName[0] != 0) selectDlg_->SetPrinterNameFilter(plat::FieldText(block.printerName));
  }

  bool resultSet = false;
  if (!SelectPrinter(resultSet)) return false;
  if (!resultSet) {
    if (block.mode == kModeFile) {
      startupComm_ = kStartupCommFileMode;
    } else {
      startupComm_ = kStartupCommTested;
      startupTestResult_ = selectDlg_->LastTestResult();
    }
  }
  if (terminationRequested_) {
    CloseSplash();
    return EndStartup(kExitOk, "terminated");
  }

  // The dialog's copy of the block is the live one until now. The dialog goes here:
  // while it exists it carries the running copy's tag, which the main window takes over.
  block = selectDlg_->SettingsBlock();
  block.xjc = xjc_.get();
  if (block.mode == kModeDriver && block.printerName[0] == 0) {
    selectDlg_->GetSelectedPrinterName(block.printerName);
  }
  selectDlg_.reset();
  return true;
}

bool CXJUtilApp::LearnPrinter() {
  AppSettingsBlock& block = *block_;
  // The engines that ask the printer for its details use the program's library object.
  engineManager_.SetLibraryFolder(plat::FieldText(block.exeFolder));
  engineManager_.SetInitArgument(xjc_.get());
  block.engineManager = &engineManager_;

  ReadDeviceId();
  QueryCapabilities();
  return true;
}

bool CXJUtilApp::OpenMainWindow() {
  // The saved setting data of the chosen printer, then the document and the window.
  ReadChosenPrinterSettings(dataMgr_, *block_);
  if (!CreateMainWindow()) {
    CloseSplash();
    return EndStartup(kExitStartupFailed, "frame-failed");
  }
  cmdInfo_.reset();
  frame_->show();
  frame_->update();
  mainWindowShown_ = true;
  return true;
}

bool CXJUtilApp::SelectPrinter(bool& resultSet) {
  AppSettingsBlock& block = *block_;
  CPrinterSelectDlg& dlg = *selectDlg_;
  const std::u16string_view portText = plat::FieldText(block.portText);
  resultSet = false;

  if (!portText.empty() && !Contains(portText, kDriverPortPathMarker)) {
    // A port path of another kind than the driver's ports is not ours to open.
    WarnFromTable(kPrinterSelectResourceKey, kMsgCannotCommunicate, kTextCannotCommunicate);
    return EndStartup(kExitStartupFailed, "port-of-other-type");
  }

  if (!portText.empty()) {
    PortRecord* record = dlg.SelectPortByPath(portText);
    if (record == nullptr) {
      if (dlg.exec() != QDialog::Accepted) return EndStartup(kExitOk, "cancelled");
      return true;
    }
    StartSplash();
    // The dialog is not shown and the UI thread leaves it alone meanwhile: the test and
    // the open touch no window.
    RunBlocking([&] { return dlg.TestPort(0, record); });
    const XJC_RESULT open = RunBlocking([&] { return dlg.OpenPort(record); });
    if (open == XJC_E_IN_USE) {
      if (block.mode == kModeFile) {
        startupComm_ = kStartupCommFileMode;
        resultSet = true;
        return true;
      }
      CloseSplash();
      ShowWarningMessage(nullptr, table_.MessageOr(kMsgPortInUse, kTextPortInUse).c_str());
      return EndStartup(kExitStartupFailed, "port-in-use");
    }
    return true;
  }

  if (block.mode == kModeRemote && block.connectionPath[0] != 0) {
    PortRecord record = MakeConnectionPathRecord(plat::FieldText(block.connectionPath));
    dlg.SetChosenPort(&record);
    dlg.SettingsBlock().chosenIfType = kIfTypeConnectionPath;
    StartSplash();
    RunBlocking([&] { return dlg.TestPort(0, &record); });
    const XJC_RESULT tested = dlg.LastTestResult();
    const XJC_RESULT open = RunBlocking([&] { return dlg.OpenPort(&record); });
    if (open == XJC_E_IN_USE) {
      CloseSplash();
      ShowWarningMessage(nullptr, table_.MessageOr(kMsgPortInUse, kTextPortInUse).c_str());
      return EndStartup(kExitStartupFailed, "port-in-use");
    }
    if (tested != XJC_OK) {
      CloseSplash();
      WarnFromTable(kPrinterSelectResourceKey, kMsgCannotCommunicate, kTextCannotCommunicate);
    }
    return true;
  }

  if (dlg.exec() != QDialog::Accepted) return EndStartup(kExitOk, "cancelled");
  return true;
}

void CXJUtilApp::StartSplash() {
  if (splash_ != nullptr) return;
  new CSplash(&splash_, [this]() -> QWidget* { return frame_.data(); });
}

void CXJUtilApp::CloseSplash() {
  if (splash_ != nullptr) splash_->Close();
}

void CXJUtilApp::ReadDeviceId() {
  if (!PrinterAnswered()) return;
  PrinterInfoLibrary library;
  if (!library.Load(kPrinterInfoLibraryName)) return;
  const PrinterInfoEntryPoints& entries = library.Entries();
  IXJComm* comm = xjc_.get();
  const std::int32_t deviceId = RunBlocking([&] {
    std::int32_t found = 0;
    std::uint32_t handle = entries.initialize(comm);
    if (handle != 0) {
      std::int32_t id = 0;
      if (entries.getDeviceId(handle, &id) == VOD_OK) found = id;
      entries.finalize(&handle);
    }
    return found;
  });
  if (deviceId != 0) block_->deviceId = deviceId;
}

void CXJUtilApp::QueryCapabilities() {
  AppSettingsBlock& block = *block_;
  ResetCapabilityFlags(block, block.mode);
  if (block.mode == kModeFile) return;
  if (!PrinterAnswered() || xjc_ == nullptr || !xjc_->IsLoaded()) return;
  XJC* xjc = xjc_.get();
  struct Answers {
    bool function6 = false;
    bool commands[std::size(kCommandCapabilities)] = {};
  };
  const Answers answers = RunBlocking([xjc] {
    Answers result;
    std::int32_t value = 0;
    result.function6 = xjc->XJC_IsSupported(kFeatureBatteryStatus, &value) == XJC_OK && value != 0;
    for (std::size_t i = 0; i < std::size(kCommandCapabilities); ++i) {
      value = 0;
      result.commands[i] = xjc->XJC_IsEnableCommand(kUserSettingCommands, kCommandCapabilities[i].code1,
                                                    kCommandCapabilities[i].code2, &value) == XJC_OK &&
                           value != 0;
    }
    return result;
  });
  if (answers.function6) block.supportsFunction6 = 1;
  for (std::size_t i = 0; i < std::size(kCommandCapabilities); ++i) {
    if (answers.commands[i]) block.*(kCommandCapabilities[i].flag) = 1;
  }
}

bool CXJUtilApp::CreateMainWindow() {
  document_ = std::make_unique<CUtlDoc>();
  auto* frame = new CMainFrame(block_.get());
  frame->SetPrinterAnswered(PrinterAnswered());
  if (!frame->Create()) {
    delete frame;
    document_.reset();
    return false;
  }
  frame_ = frame;
  connect(frame, &CMainFrame::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  return true;
}

void CXJUtilApp::RequestTermination() {
  terminationRequested_ = true;
  if (frame_) {
    plat::PostMessage(plat::WindowHandle(frame_.data()), plat::WM_CLOSE, 0, 0);
    return;
  }
  // Start-up is still asking the user: the open dialog ends as by Cancel.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  }
}

void CXJUtilApp::OfferSettingsCommandFile() {
  const AppSettingsBlock& block = *block_;
  CLangResTable table;
  table.SelectLanguageFile(plat::FieldText(block.langFolder), block.langId, kLangIdEnglish);
  if (table.IsFileFound()) table.LoadResources(kConfirmSaveFileKey);
  const std::u16string caption = table.MessageOr(kMsgConfirmSaveCaption, kTextConfirmSaveCaption);
  const std::u16string text = table.MessageOr(kMsgConfirmSaveText, kTextConfirmSaveText);
  if (AskSaveToPrinter(caption.c_str(), nullptr, text.c_str()) != plat::IDYES) return;
  const std::u16string logo(plat::FieldText(block.logoPath));
  const bool hasLogo = !logo.empty() && plat::FileExists(logo);
  const SettingsFileResult rc = WriteSettingsFile(dataMgr_, hasLogo ? logo.c_str() : nullptr,
                                            plat::FieldText(block.chosenPort.deviceName),
                                            plat::FieldText(block.settingsFilePath));
  if (rc != kSettingsFileOk) {
    ShowWarningMessage(nullptr, table_.MessageOr(kMsgSaveFileFailed, kTextSaveFileFailed).c_str());
  }
}

void CXJUtilApp::RemoveTemporaryFolder() {
  // Only the copy that holds the single-instance lock owns the temporary folder; a
  // copy that was refused must not take it away from the running one.
  if (!foldersCreated_ || !instanceLock_.IsHeld() || block_->tempFolder[0] == 0) return;
  plat::RemoveFolder(plat::FieldText(block_->tempFolder));
}

int CXJUtilApp::ExitInstance() {
  AppSettingsBlock& block = *block_;

  // 1-2. Engines and library.
  engineManager_.ReleaseEngine(kEngineDeviceInfo);
  if (xjc_ != nullptr && xjc_->IsLoaded()) xjc_->XJC_Terminate();

  // 3. Setting data of the printer, when the program ran with it. A start-up that never
  // reached the main window read nothing, and writing would only replace the saved
  // settings with an empty set.
  if (mainWindowShown_) SavePrinterSettingFiles(dataMgr_, block);

  // 4. File mode: the settings command file, when the user wants it.
  if (mainWindowShown_ && block.mode == kModeFile) OfferSettingsCommandFile();

  // 5. The temporary folder, unless several copies may share it.
  CExtCommandLineInfo again;
  std::vector<const char*> argv;
  for (const std::string& argument : arguments_) argv.push_back(argument.c_str());
  again.ParseCommandLine(static_cast<int>(argv.size()), argv.data());
  if (!again.multiInstance) RemoveTemporaryFolder();

  // 6. A splash left over.
  delete splash_;
  splash_ = nullptr;

  // 7. Lock and single-instance guard.
  block.commLock = nullptr;
  commLock_.reset();
  instanceLock_.Release();
  return 1;
}
