// xjk52util: the XJ-K52II Utility.
#include <QApplication>
#include <QIcon>
#include <QSize>
#include <string>

#include "app/CXJUtilApp.h"
#include "app/TerminationSignal.h"
#include "platform/Text.h"
#include "platform/ui/EventLog.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  plat::InstallMessageBoxAutomation();
  // The icon of every window, also when the program runs from its build folder; the
  // installed desktop entry carries the same name, so a desktop matches the windows to
  // their menu entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.xjk52.Utility"));
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/app-icon-%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);

  CXJUtilApp app;
  // A termination signal closes the main window, so shutdown runs as after a close.
  TerminationSignal termination;
  QObject::connect(&termination, &TerminationSignal::Requested, &app, [&app](int) { app.RequestTermination(); });

  // QApplication has taken its own options out of argv; the rest are the program's.
  const int exitCode = app.Run(argc, argv);
  plat::LogEvent(plat::kEventExit, {plat::FormatInt(exitCode)});
  return exitCode;
}
