#include "app/CSplashWnd.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "platform/ui/EventLog.h"
#include "platform/ui/Messages.h"
#include "platform/ui/RunningCopy.h"

CSplashWnd::CSplashWnd(std::function<QWidget*()> mainWindow) : mainWindow_(std::move(mainWindow)) {
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_DeleteOnClose);
  // It paints nothing of its own; the window colour keeps it from showing garbage.
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  setCursor(Qt::WaitCursor);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &CSplashWnd::OnTimer);
  plat::SetMessageHandler(this, plat::WM_TIMER, [this](plat::WPARAM, plat::LPARAM) {
    OnTimer();
    return plat::LRESULT{0};
  });
}

CSplashWnd::~CSplashWnd() = default;

bool CSplashWnd::Create(int pictureId, int displayTimeMs, std::uint16_t flags) {
  (void)pictureId;
  displayTimeMs_ = displayTimeMs;
  flags_ = flags;
  setGeometry(0, 0, kWidth, kHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kWidth / 2, kHeight / 2));
  }
  show();
  plat::BringToFront(this);
  plat::LogEvent(plat::kEventSplashShown);
  if (displayTimeMs_ != kNoTimer) timer_.start(displayTimeMs_);
  return true;
}

void CSplashWnd::OnTimer() {
  if ((flags_ & kCloseOnTimeout) == 0) {
    QWidget* main = mainWindow_ ? mainWindow_() : nullptr;
    if (main == nullptr) {
      timer_.start(kRecheckMs);
      return;
    }
  }
  close();
}

bool CSplashWnd::event(QEvent* event) {
  if ((flags_ & kCloseOnInput) != 0) {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
        plat::PostMessage(plat::WindowHandle(this), plat::WM_CLOSE, 0, 0);
        return true;
      default: break;
    }
  }
  return QWidget::event(event);
}

void CSplashWnd::closeEvent(QCloseEvent* event) {
  timer_.stop();
  event->accept();
  plat::LogEvent(plat::kEventSplashClosed);
  // The main window, when there is one, takes the front the splash leaves.
  if (QWidget* main = mainWindow_ ? mainWindow_() : nullptr) plat::BringToFront(main);
  emit Closed();
}
