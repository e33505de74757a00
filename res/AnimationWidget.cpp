#include "res/AnimationWidget.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

#include "res/ResourceArt.h"
#include "res/ResourceIds.h"

namespace {

constexpr double kArtSize = 48.0;  // the drawings' own box

// Places a 48-unit drawing of height h with its left edge at x, vertically centred.
void PlaceArt(QPainter& p, double x, const QRectF& area, double scale) {
  p.translate(x, area.top() + (area.height() - kArtSize * scale) / 2);
  p.scale(scale, scale);
}

double Ease(double t) { return t * t * (3 - 2 * t); }

void DrawPaperFeed(QPainter& p, const QRectF& area, double t) {
  // Room above the printer for the receipt: the drawing spans y = -22 .. 46.
  constexpr double kTop = -22;
  constexpr double kHeight = 68;
  constexpr double kPitch = 2.6;
  constexpr double kFeedEnd = 0.8;  // then the receipt is torn off and floats away
  constexpr double kLongest = 17 - kTop - 1;
  const double scale = std::min(area.height() / kHeight, area.width() / kArtSize);

  p.save();
  p.translate(area.center().x() - kArtSize * scale / 2, area.top() + (area.height() - kHeight * scale) / 2);
  p.scale(scale, scale);
  p.translate(0, -kTop);
  const bool led = std::fmod(t * 4, 1.0) < 0.6;
  if (t < kFeedEnd) {
    const double fed = 2 + (kLongest - 2) * (t / kFeedEnd);
    res_art::DrawPrinter(p, fed, std::fmod(fed / kPitch, 1.0), led);
  } else {
    const double u = (t - kFeedEnd) / (1 - kFeedEnd);
    res_art::DrawPrinter(p, 2 * u, 0, led);
    p.setOpacity(1 - Ease(u));
    p.translate(0, -7 * Ease(u));
    res_art::DrawReceipt(p, kLongest, std::fmod(kLongest / kPitch, 1.0));
  }
  p.restore();
}

void DrawDataTransfer(QPainter& p, const QRectF& area, double t) {
  const double scale = std::min(area.height() / kArtSize, area.width() / (kArtSize * 3.6));
  const double artWidth = kArtSize * scale;
  const double gapWidth = std::max(artWidth * 1.2, area.width() - 2 * artWidth - 2 * artWidth * 0.35);
  const double left = area.center().x() - (2 * artWidth + gapWidth) / 2;
  const double trackLeft = left + artWidth + 4 * scale;
  const double trackRight = left + artWidth + gapWidth - 4 * scale;
  const double trackY = area.top() + (area.height() - artWidth) / 2 + 24 * scale;

  p.save();
  PlaceArt(p, left, area, scale);
  res_art::DrawComputer(p, t);
  p.restore();

  p.save();
  PlaceArt(p, left + artWidth + gapWidth, area, scale);
  res_art::DrawPrinter(p, 4 + 8 * t, std::fmod(t * 3, 1.0), std::fmod(t * 6, 1.0) < 0.5);
  p.restore();

  // The track between them and the packets on it: blue ones to the printer, a green
  // answer now and then back to the computer.
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(0xB4, 0xBE, 0xCB), std::max(1.0, 1.2 * scale / 1.5), Qt::DotLine, Qt::RoundCap));
  p.drawLine(QPointF(trackLeft, trackY), QPointF(trackRight, trackY));
  const double packet = std::max(3.0, 4.2 * scale);
  const int kPackets = 4;
  for (int i = 0; i < kPackets; ++i) {
    const double phase = std::fmod(t + double(i) / kPackets, 1.0);
    const double x = trackLeft + (trackRight - trackLeft) * Ease(phase);
    const int alpha = static_cast<int>(255 * std::min(1.0, std::sin(phase * M_PI) * 2.2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2F, 0x7C, 0xD6, alpha));
    p.drawRoundedRect(QRectF(x - packet / 2, trackY - packet / 2 - 2.2 * scale, packet, packet), packet / 4, packet / 4);
  }
  const double back = std::fmod(t * 2, 1.0);
  const double bx = trackRight - (trackRight - trackLeft) * Ease(back);
  const int balpha = static_cast<int>(230 * std::sin(back * M_PI));
  p.setBrush(QColor(0x2E, 0xB8, 0x57, balpha));
  p.drawEllipse(QPointF(bx, trackY + 2.6 * scale), packet * 0.42, packet * 0.42);
  p.restore();
}

}  // namespace

AnimationWidget::AnimationWidget(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(kFrameIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &AnimationWidget::NextFrame);
}

bool AnimationWidget::Open(int id) {
  Close();
  if (id != IDR_AVI_PAPER_FEED && id != IDR_AVI_DATA_TRANSFER) return false;
  id_ = id;
  frame_ = 0;
  update();
  return true;
}

void AnimationWidget::Play() {
  if (id_ == 0) return;
  frame_ = 0;
  timer_.start();
  update();
}

void AnimationWidget::Stop() { timer_.stop(); }

void AnimationWidget::Close() {
  timer_.stop();
  id_ = 0;
  frame_ = 0;
  update();
}

void AnimationWidget::ShowFrame(int frame) {
  if (id_ == 0) return;
  frame_ = ((frame % kFrameCount) + kFrameCount) % kFrameCount;
  update();
}

void AnimationWidget::NextFrame() {
  frame_ = (frame_ + 1) % kFrameCount;
  update();
}

void AnimationWidget::paintEvent(QPaintEvent*) {
  if (id_ == 0) return;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const double t = double(frame_) / kFrameCount;
  const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);
  if (id_ == IDR_AVI_PAPER_FEED)
    DrawPaperFeed(p, area, t);
  else
    DrawDataTransfer(p, area, t);
}
