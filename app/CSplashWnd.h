#pragma once
// CSplashWnd: the placeholder window shown while start-up connects to a printer named
// on the command line: a frameless window of the main window's size (796 × 523),
// centred on the screen, filled with the window colour and showing the wait cursor. It
// closes itself once its display time has passed and the main window exists, checking
// again every 100 ms until it does.
//
// Flags: kCloseOnInput (a key or mouse button press closes it), kCloseOnTimeout (close
// when the display time has passed, without waiting for the main window).
//
// Threads: UI thread only. The window lives on the UI thread; start-up keeps it
// painted by running an event loop while the printer work runs on a worker.
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

class CSplashWnd : public QWidget {
  Q_OBJECT
 public:
  static constexpr std::uint16_t kCloseOnInput = 0x0001;
  static constexpr std::uint16_t kCloseOnTimeout = 0x0004;
  static constexpr int kNoTimer = -1;
  static constexpr int kTimerId = 1;
  static constexpr int kRecheckMs = 100;
  static constexpr int kWidth = 796;
  static constexpr int kHeight = 523;

  // mainWindow tells whether (and which) main window exists; it is asked on the timer.
  explicit CSplashWnd(std::function<QWidget*()> mainWindow);
  ~CSplashWnd() override;

  // Stores display time (kNoTimer: none) and flags, then shows the window centred on
  // the screen, brings it to the front and starts the timer. pictureId is accepted and
  // not used: the window shows no picture. Returns true.
  bool Create(int pictureId, int displayTimeMs, std::uint16_t flags);

  int DisplayTime() const { return displayTimeMs_; }
  std::uint16_t Flags() const { return flags_; }
  // The interval the timer runs with now, 0 when it is stopped.
  int TimerInterval() const { return timer_.isActive() ? timer_.interval() : 0; }
  // What the timer does when it fires: closes, or re-arms itself for kRecheckMs.
  void OnTimer();

 signals:
  // The window was closed and is about to be deleted.
  void Closed();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<QWidget*()> mainWindow_;
  int displayTimeMs_ = kNoTimer;
  std::uint16_t flags_ = 0;
  QTimer timer_;
};
