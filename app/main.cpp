// xjk52util: the XJ-K52II Utility.
#include <QApplication>
#include <string>

#include "app/CXJUtilApp.h"
#include "app/TerminationSignal.h"
#include "platform/Text.h"
#include "platform/ui/EventLog.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  plat::InstallMessageBoxAutomation();

  CXJUtilApp app;
  // A termination signal closes the main window, so shutdown runs as after a close.
  TerminationSignal termination;
  QObject::connect(&termination, &TerminationSignal::Requested, &app, [&app](int) { app.RequestTermination(); });

  // QApplication has taken its own options out of argv; the rest are the program's.
  const int exitCode = app.Run(argc, argv);
  plat::LogEvent(plat::kEventExit, {plat::FormatInt(exitCode)});
  return exitCode;
}
