#pragma once
// What every page that talks to the printer does the same way: run the exchange as a
// communication job behind the progress dialog, wait for the printer's restart as long
// as the page's retry parameters say, and tell the user how sending settings ended.
// UI thread.
#include <functional>
#include <string>

#include "plugins/common/SettingPage.h"

class CCommonFormView;
class CLangResTable;
class IXJComm;
class QWidget;

// Runs work(comm) on the worker of a communication job of page, with the application's
// communication object, while the progress dialog shows. False when it did not run: no
// communication object, or the printer's state (or a job already running) forbade it.
bool RunPrinterJob(CCommonFormView& page, const std::function<void(IXJComm* comm)>& work);

// How long page waits for the printer to come back after a restart.
ReconnectPolicy RestartPolicy(CCommonFormView& page);

// Tells the user how sending settings ended, with the texts of the "PLUGIN_COMMON" key
// (commonTexts): changed, the printer in use or not answering (before or after the
// settings were sent and the printer restarted), or the list of settings the
// printer did not take, each named by nameOf. True for kOk.
bool ShowApplyOutcome(QWidget* parent, const CLangResTable& commonTexts, const PrinterResult& result,
                      const std::function<std::u16string(const SettingDef&)>& nameOf);
