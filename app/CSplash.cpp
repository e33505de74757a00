#include "app/CSplash.h"

#include "app/CSplashWnd.h"

CSplash::CSplash(CSplash** owner, std::function<QWidget*()> mainWindow, bool userControl)
    : owner_(owner), mainWindow_(std::move(mainWindow)) {
  if (owner_ != nullptr) *owner_ = this;
  // Without a window there is nothing to wait for: the splash ends at once.
  if (!userControl || !CreateSplashWindow(kPictureId, kDisplayTimeMs, kFlags)) deleteLater();
}

CSplash::~CSplash() {
  if (window_) {
    disconnect(window_, nullptr, this, nullptr);
    delete window_.data();
  }
  if (owner_ != nullptr && *owner_ == this) *owner_ = nullptr;
}

bool CSplash::CreateSplashWindow(int pictureId, int displayTimeMs, std::uint16_t flags) {
  if (window_) return false;
  window_ = new CSplashWnd(mainWindow_);
  // Once the window has gone, so has the splash.
  connect(window_, &CSplashWnd::Closed, this, &QObject::deleteLater);
  return window_->Create(pictureId, displayTimeMs, flags);
}

void CSplash::Close() {
  if (window_) window_->close();
}
