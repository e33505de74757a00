#pragma once
// CXJUtilApp: the application object. It takes the process from its start to the shown
// main window (InitInstance) and back to exit (ExitInstance), and owns what lives as
// long as the program: the application settings block (whose address every plug-in
// receives), the communication library object, the plug-in data manager, the
// communication lock, the engine manager and the application's language table.
//
// Start-up refuses a second copy (unless "/bM"), works out its folders, reads the
// printer setting index, the language and the feature switches, refuses users without
// administrator rights, loads the communication library, lets the user choose the
// printer (or connects to the printer named on the command line behind the splash
// window, or, in file mode, works without a printer), learns the device ID and the
// printer's capabilities, reads the saved setting data and opens the main window.
// Shutdown writes the setting data back, in file mode writes the settings command file,
// and releases everything.
//
// Threads: everything runs on the UI thread. Blocking printer work of start-up (the
// communication test, opening the port, the device ID and capability questions) runs
// on a worker thread while the UI thread runs a local event loop, so the splash window
// stays painted; the worker is always joined before start-up goes on.
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sdk/AppSettingsBlock.h"
#include "app/CExtCommandLineInfo.h"
#include "app/CMainFrame.h"
#include "app/SingleInstanceLock.h"
#include "app/settings/PluginDataMgr.h"
#include "lang/CLangResTable.h"
#include "sdk/XJComm.h"
#include "status/CEngineManager.h"

class CPrinterSelectDlg;
class CSplash;
class CUtlDoc;
class XJC;

// What start-up learnt of the printer before the main window opened: a family of its
// own, apart from the library's result codes (the test's result is kept beside it).
enum class StartupComm : int {
  kStartupCommNotTested,  // the printer was not chosen (yet)
  kStartupCommFileMode,   // file mode: the program works without a printer
  kStartupCommTested,     // the communication test ran; StartupTestResult() tells how
};
using enum StartupComm;

// Process exit codes.
inline constexpr int kExitOk = 0;               // normal end, user's cancel, running copy raised
inline constexpr int kExitStartupFailed = 1;    // start-up stopped on an error

// Language keys and message indexes of start-up.
inline constexpr char16_t kAppResourceKey[] = u"XJ_UTILITY_APP";
inline constexpr char16_t kConfirmSaveFileKey[] = u"MSG_CONFIRM_SAVE_FILE";
inline constexpr int kMsgNotAdministrator = 0;
inline constexpr int kMsgPortInUse = 4;
inline constexpr int kMsgSaveFileFailed = 7;
inline constexpr int kMsgCannotCommunicate = 3;  // of "PRT_SELECT_DLG"
inline constexpr int kMsgConfirmSaveCaption = 0;
inline constexpr int kMsgConfirmSaveText = 1;

// Built-in texts.
inline constexpr char16_t kTextNoFiles[] = u"Could not find the required files.\nPlease reinstall.";
inline constexpr char16_t kTextNotAdministrator[] = u"You must have Administrator rights to run this software.";
inline constexpr char16_t kTextPortInUse[] =
    u"Cannot launch the printer because it is in use by another application.";
inline constexpr char16_t kTextSaveFileFailed[] = u"Saving to the file failed.";
inline constexpr char16_t kTextCannotCommunicate[] = u"Cannot communicate with the printer.";
inline constexpr char16_t kTextConfirmSaveCaption[] = u"Save Settings File";
inline constexpr char16_t kTextConfirmSaveText[] = u"Do you want to save the settings to the file?";

// Folders and files.
inline constexpr char16_t kMakerFolder[] = u"NORVE";
inline constexpr char16_t kProductFolder[] = u"XJK52IIUTL";
inline constexpr char16_t kTempFolderName[] = u"TMP";
inline constexpr char16_t kLanguageFolderName[] = u"LANG";
inline constexpr char16_t kLogoFileName[] = u"K52IILOGO.tlg";
inline constexpr char16_t kDefaultLangCode[] = u"0409";
inline constexpr char16_t kDriverPortPathMarker[] = u"ZLDPRT";
inline constexpr char16_t kPrinterInfoLibraryName[] = u"VodEroVerEDU.dll";
inline constexpr char16_t kServedModelName[] = u"XJ-K52II";
inline constexpr std::int32_t kBlockValue203 = 203;
inline constexpr std::int32_t kLaunchModelType = 0;

class CXJUtilApp : public QObject {
  Q_OBJECT
 public:
  // The block zero-filled (its byte at 11676 set to 1), no library object, no lock.
  CXJUtilApp();
  // Deletes the communication library object, then the engine manager, the language
  // table and the data manager.
  ~CXJUtilApp() override;
  CXJUtilApp(const CXJUtilApp&) = delete;
  CXJUtilApp& operator=(const CXJUtilApp&) = delete;

  // The whole life: InitInstance; when it succeeds the message loop until the main
  // window has closed; the main window destroyed; ExitInstance. Returns the process exit
  // code. Needs a QApplication. UI thread.
  int Run(int argc, char** argv);

  // Start-up. True to run the message loop, false to end (ExitInstance still runs).
  bool InitInstance(int argc, char** argv);
  // Shutdown; always 1.
  int ExitInstance();

  // Asks the program to end as if its window were closed (the termination signals). UI
  // thread.
  void RequestTermination();

  AppSettingsBlock& SettingsBlock() { return *block_; }
  const AppSettingsBlock& SettingsBlock() const { return *block_; }
  CMainFrame* MainFrame() const { return frame_.data(); }
  XJC* Comm() const { return xjc_.get(); }
  PluginDataMgr& DataManager() { return dataMgr_; }
  StartupComm StartupCommState() const { return startupComm_; }
  // The communication test's result while StartupCommState() is kStartupCommTested.
  XJC_RESULT StartupTestResult() const { return startupTestResult_; }
  // True when start-up reached the printer: the test ran and the printer answered.
  bool PrinterAnswered() const { return startupComm_ == kStartupCommTested && startupTestResult_ == XJC_OK; }
  CSplash* Splash() const { return splash_; }
  // Exit code for the end of start-up or of the program.
  int ExitCode() const { return exitCode_; }

 private:
  // ---- start-up phases, in the order InitInstance runs them. Each returns true to go on;
  // one that fails has told the user why and ended start-up (EndStartup). -------------
  // Refuses a second copy (unless "bM"): the running copy is brought to the front.
  bool GuardSingleInstance();
  // The communication lock and the data manager in the block, the program's and data
  // folders, the printer setting index, the command line's values, the language code
  // and the file mode's logo file.
  bool PrepareFoldersAndSettings();
  // The application's texts in the block's language (English when its file is
  // missing); fails when no language file exists.
  bool LoadApplicationTexts();
  bool RequireAdministrator();
  // The feature switches and the interface order (never fails).
  bool ReadFeatureSettings();
  // Loads the communication library (not in file mode) and tells it the caller and the
  // model type; a library that cannot be loaded is no failure here.
  bool LoadCommLibrary();
  // The printer: from the command line's port or connection path behind the splash
  // window, none in file mode, else chosen by the user in the selection dialog. The
  // dialog's copy of the block becomes the live one.
  bool ChoosePrinter();
  // The engine manager, the device ID and the printer's capabilities (never fails).
  bool LearnPrinter();
  // The chosen printer's saved setting data, the document and the main window.
  bool OpenMainWindow();

  // Ends start-up: destroys the selection dialog and the command line, notes why.
  bool EndStartup(int exitCode, const char* reason);
  // The choice of ChoosePrinter; resultSet tells that it set the start-up result itself.
  bool SelectPrinter(bool& resultSet);
  void StartSplash();
  void CloseSplash();
  void ReadDeviceId();
  void QueryCapabilities();
  bool CreateMainWindow();
  void WarnFromTable(std::u16string_view key, int index, std::u16string_view builtIn);
  // File mode at exit: asks whether to write the settings command file to the "mF"
  // path and writes it (with the logo file when there is one); a failed write is
  // reported.
  void OfferSettingsCommandFile();
  void RemoveTemporaryFolder();

  std::unique_ptr<AppSettingsBlock> block_;
  std::unique_ptr<XJC> xjc_;
  PluginDataMgr dataMgr_;
  std::unique_ptr<std::recursive_mutex> commLock_;
  StartupComm startupComm_ = kStartupCommNotTested;
  XJC_RESULT startupTestResult_ = XJC_E_NOT_LOADED;
  CSplash* splash_ = nullptr;
  CLangResTable table_;
  SingleInstanceLock instanceLock_;
  CEngineManager engineManager_;

  std::vector<std::string> arguments_;
  std::unique_ptr<CExtCommandLineInfo> cmdInfo_;
  std::unique_ptr<CPrinterSelectDlg> selectDlg_;
  std::unique_ptr<CUtlDoc> document_;
  QPointer<CMainFrame> frame_;
  std::u16string settingIni_;
  bool foldersCreated_ = false;
  bool mainWindowShown_ = false;
  bool terminationRequested_ = false;
  int exitCode_ = kExitOk;
};
