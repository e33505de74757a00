#pragma once
// CSplash: owner of the splash window (CSplashWnd). Start-up creates it with the
// address of its own splash pointer; the splash shows its window at once (unless the
// program runs under automation), deletes itself after the window has closed, and then
// clears that pointer. Start-up closes it early with Close() before any error message.
//
// Threads: UI thread only (see CSplashWnd).
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>

#include "app/CSplashWnd.h"

class QWidget;

class CSplash : public QObject {
  Q_OBJECT
 public:
  // The placeholder's picture (not shown) and its minimum display time.
  static constexpr int kPictureId = 144;
  static constexpr int kDisplayTimeMs = 10000;
  static constexpr std::uint16_t kFlags = 0;

  // Shows the window when userControl is true: CreateSplashWindow(kPictureId,
  // kDisplayTimeMs, kFlags). *owner is cleared when the splash is destroyed.
  // mainWindow tells the window whether the main window exists.
  CSplash(CSplash** owner, std::function<QWidget*()> mainWindow, bool userControl = true);
  ~CSplash() override;

  // Creates and shows the window; false when there is one already.
  bool CreateSplashWindow(int pictureId, int displayTimeMs, std::uint16_t flags);
  // The window, or null once it has closed (or when none was created).
  CSplashWnd* Window() const { return window_; }
  // Closes the window now, if it is still open; the splash then deletes itself.
  void Close();

 private:
  CSplash** owner_;
  std::function<QWidget*()> mainWindow_;
  QPointer<CSplashWnd> window_;
};
