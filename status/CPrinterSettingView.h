#pragma once
// CPrinterSettingView: the printer settings view, a page that is never shown. It holds
// the session with the printer information manager and runs the read of the printer
// (PrinterSettingsReader.h) as the thread procedure of its communication job: identity
// and model check, the printer information block, then every plug-in's own settings,
// behind the progress dialog.
//
// Threads: UI thread, except ReadWorker and ReadSettingsFromPrinter, which run on the
// job's worker while the UI thread runs the progress dialog.
#include <QString>
#include <cstdint>
#include <vector>

#include "lang/CLangResTable.h"
#include "menu/MenuItem.h"
#include "status/PrinterInfoLibrary.h"
#include "status/PrinterSettingsReader.h"
#include "views/CSingleFormView.h"

// Language key of the read's messages.
inline constexpr char16_t kPrinterSettingViewResourceKey[] = u"PRINTER_SETTING_VIEW";

// Retry parameters of the identity read.
inline constexpr std::int32_t kSettingViewRetryLimit = 100;
inline constexpr std::int32_t kSettingViewRetryCount = 20;
inline constexpr std::int32_t kSettingViewRetryIntervalMs = 1000;

class CPrinterSettingView : public CSingleFormView {
  Q_OBJECT
 public:
  explicit CPrinterSettingView(QWidget* parent = nullptr);
  // Ends the session with the information manager and unloads it.
  ~CPrinterSettingView() override;

  // Creation: the language texts of the read, then the information manager: loaded
  // beside the program and opened over the application's communication object. Without
  // controller, library or session the view has no session and every read tells the
  // user of a communication error. The common pages' language handling is skipped.
  void OnInitialUpdate() override;

  // Uses these entry points instead of the library's and opens a session with them (a
  // stand-in of a test). UI thread.
  void UseInformationManager(const PrinterInfoEntryPoints& entries);
  bool HasSession() const { return library_.Handle() != 0; }

  // The plug-ins whose settings the next read reads: every item of the list whose
  // library is loaded, in list order (null: none). UI thread, before RunJob.
  void SetPluginList(const MenuItemList* items);
  std::size_t PluginReaderCount() const { return plugins_.size(); }

  // The thread procedure of the read (RunPrinterReadWorker). Worker thread.
  std::int32_t ReadWorker();

  // Reads the printer information into the printer information block and tells the main
  // window that it changed (UM_UPDATE_PRINTER_INFO). kReadOk or a failure of the
  // information manager. Worker thread.
  std::int32_t ReadSettingsFromPrinter() override;
  // 100, 20, 1000.
  bool GetRetryParameters(RetryParameters* out) override;

 private:
  // Shows message entry of the read, owned by the progress dialog; waits for the answer.
  void WarnFromWorker(int entry);

  PrinterInfoLibrary library_;
  std::vector<FORMVIEWDLL_ReadPrinterSettings_Fn> plugins_;
  PrinterInfoBlock block_{};
  CLangResTable table_;
};
