#include "res/ResourceArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace res_art {
namespace {

constexpr double kSlotY = 17.0;       // where the receipt leaves the printer
constexpr double kPaperLeft = 15.0;
constexpr double kPaperRight = 33.0;
constexpr double kLinePitch = 2.6;    // printed lines on the receipt

QColor Rgb(unsigned rgb, int alpha = 255) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, alpha);
}

QLinearGradient Vertical(double top, double bottom, unsigned from, unsigned to) {
  QLinearGradient g(0, top, 0, bottom);
  g.setColorAt(0, Rgb(from));
  g.setColorAt(1, Rgb(to));
  return g;
}

}  // namespace

void DrawReceipt(QPainter& p, double length, double scroll) {
  if (length <= 0.2) return;
  const double top = kSlotY - length;
  QPainterPath paper;
  // The torn top edge is a shallow zigzag.
  paper.moveTo(kPaperLeft, kSlotY);
  paper.lineTo(kPaperLeft, top + 0.8);
  const int teeth = 6;
  const double step = (kPaperRight - kPaperLeft) / teeth;
  for (int i = 0; i < teeth; ++i) {
    paper.lineTo(kPaperLeft + step * (i + 0.5), top);
    paper.lineTo(kPaperLeft + step * (i + 1), top + 0.8);
  }
  paper.lineTo(kPaperRight, kSlotY);
  paper.closeSubpath();

  p.save();
  p.setPen(QPen(Rgb(0xB9C0CA), 0.6));
  QLinearGradient shade(kPaperLeft, 0, kPaperRight, 0);
  shade.setColorAt(0, Rgb(0xF3F5F8));
  shade.setColorAt(0.5, Rgb(0xFFFFFF));
  shade.setColorAt(1, Rgb(0xE9ECF1));
  p.setBrush(shade);
  p.drawPath(paper);

  // Printed lines of varying length, moving up with the paper.
  p.setClipPath(paper);
  p.setPen(Qt::NoPen);
  static const double kWidths[] = {0.85, 0.6, 0.75, 0.45, 0.8, 0.55, 0.7, 0.4};
  const int lines = static_cast<int>(length / kLinePitch) + 2;
  for (int i = 0; i < lines; ++i) {
    const double y = kSlotY - 2.4 - (i + scroll) * kLinePitch;
    if (y < top + 1.2) break;
    const double width = (kPaperRight - kPaperLeft - 4) * kWidths[i % 8];
    p.setBrush(Rgb(0x8E98A6, i % 5 == 0 ? 230 : 170));
    p.drawRoundedRect(QRectF(kPaperLeft + 2, y, width, 0.9), 0.4, 0.4);
  }
  p.restore();
}

void DrawPrinter(QPainter& p, double paperLength, double paperScroll, bool ledOn) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);

  // Soft shadow under the printer.
  QRadialGradient shadow(QPointF(24, 43.2), 20);
  shadow.setColorAt(0, QColor(0, 0, 0, 70));
  shadow.setColorAt(1, QColor(0, 0, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(shadow);
  p.drawEllipse(QRectF(3, 40.6, 42, 5.2));

  DrawReceipt(p, paperLength, paperScroll);

  // Top cover, seen slightly from above.
  QPainterPath cover;
  cover.moveTo(9.5, 14.2);
  cover.lineTo(38.5, 14.2);
  cover.quadTo(41, 14.2, 41.6, 16.6);
  cover.lineTo(42.4, 21);
  cover.lineTo(5.6, 21);
  cover.lineTo(6.4, 16.6);
  cover.quadTo(7, 14.2, 9.5, 14.2);
  p.setPen(QPen(Rgb(0x2A2E34), 0.6));
  p.setBrush(Vertical(14, 21, 0x7B838E, 0x5B626C));
  p.drawPath(cover);

  // Paper slot across the cover.
  p.setPen(QPen(Rgb(0x1B1E22), 1.3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(13.2, kSlotY), QPointF(34.8, kSlotY));
  p.setPen(QPen(Rgb(0x9AA2AD, 160), 0.5));
  p.drawLine(QPointF(13.4, kSlotY + 1.0), QPointF(34.6, kSlotY + 1.0));

  // Body.
  p.setPen(QPen(Rgb(0x202328), 0.7));
  p.setBrush(Vertical(20, 42, 0x4C535D, 0x2B2F35));
  p.drawRoundedRect(QRectF(5, 20, 38, 22), 3.6, 3.6);
  // A highlight along the top edge of the body gives it some depth.
  p.setPen(QPen(Rgb(0x8790A0, 150), 0.6));
  p.drawLine(QPointF(7.5, 21.1), QPointF(40.5, 21.1));

  // Front panel: name plate, feed button and status lamp.
  p.setPen(Qt::NoPen);
  p.setBrush(Rgb(0x646C77));
  p.drawRoundedRect(QRectF(9, 34, 13, 3), 1.2, 1.2);
  p.setBrush(Vertical(33, 37, 0x6F7783, 0x50565F));
  p.setPen(QPen(Rgb(0x1E2126), 0.5));
  p.drawRoundedRect(QRectF(27.5, 33.5, 5, 3.6), 1.1, 1.1);
  if (ledOn) {
    QRadialGradient glow(QPointF(37.5, 35.3), 3.2);
    glow.setColorAt(0, QColor(80, 235, 110, 160));
    glow.setColorAt(1, QColor(80, 235, 110, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(37.5, 35.3), 3.2, 3.2);
  }
  p.setPen(QPen(Rgb(0x1E2126), 0.4));
  p.setBrush(ledOn ? Rgb(0x43D35E) : Rgb(0x3A5E44));
  p.drawEllipse(QPointF(37.5, 35.3), 1.4, 1.4);
  p.restore();
}

void DrawComputer(QPainter& p, double screenPhase) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);

  QRadialGradient shadow(QPointF(24, 43.2), 18);
  shadow.setColorAt(0, QColor(0, 0, 0, 60));
  shadow.setColorAt(1, QColor(0, 0, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(shadow);
  p.drawEllipse(QRectF(6, 40.8, 36, 4.6));

  // Stand.
  p.setBrush(Vertical(31, 42, 0x8A929D, 0x5E656F));
  QPainterPath stand;
  stand.moveTo(20.5, 31);
  stand.lineTo(27.5, 31);
  stand.lineTo(29, 39.5);
  stand.lineTo(19, 39.5);
  stand.closeSubpath();
  p.drawPath(stand);
  p.setBrush(Vertical(39, 42.5, 0x7D8590, 0x4E545D));
  p.drawRoundedRect(QRectF(13, 39.2, 22, 3.2), 1.5, 1.5);

  // Monitor frame and screen.
  p.setPen(QPen(Rgb(0x202328), 0.7));
  p.setBrush(Vertical(6, 32, 0x4C535D, 0x2E3238));
  p.drawRoundedRect(QRectF(3, 6, 42, 26.5), 2.6, 2.6);
  const QRectF screen(5.6, 8.4, 36.8, 20.6);
  QLinearGradient glass(screen.topLeft(), screen.bottomRight());
  glass.setColorAt(0, Rgb(0x4FA3F7));
  glass.setColorAt(1, Rgb(0x1F5FB8));
  p.setPen(Qt::NoPen);
  p.setBrush(glass);
  p.drawRoundedRect(screen, 1.2, 1.2);

  // A window on the screen with a few lines, like a document ready to send.
  p.setBrush(QColor(255, 255, 255, 235));
  p.drawRoundedRect(QRectF(10, 11.5, 20, 14.5), 1, 1);
  p.setBrush(Rgb(0x2F7CD6));
  p.drawRect(QRectF(10, 11.5, 20, 2.4));
  p.setBrush(Rgb(0x9AA4B2));
  for (int i = 0; i < 4; ++i) p.drawRoundedRect(QRectF(12, 16 + i * 2.3, i % 2 ? 11 : 15, 0.9), 0.4, 0.4);

  // A moving sheen across the glass.
  p.setClipRect(screen);
  const double x = screen.left() - 14 + (screen.width() + 28) * screenPhase;
  QLinearGradient sheen(x - 6, 0, x + 6, 0);
  sheen.setColorAt(0, QColor(255, 255, 255, 0));
  sheen.setColorAt(0.5, QColor(255, 255, 255, 55));
  sheen.setColorAt(1, QColor(255, 255, 255, 0));
  p.setBrush(sheen);
  p.drawRect(screen);
  p.restore();
}

void DrawBattery(QPainter& p, BatteryLook look, int bars) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF body(5, 15, 34, 19);
  const QRectF tip(39, 20.5, 4, 8);
  const bool mains = look == BatteryLook::Mains;
  const QRectF shownBody = mains ? QRectF(3, 20, 26, 15) : body;
  const QRectF shownTip = mains ? QRectF(29, 24.5, 3, 7) : tip;

  const unsigned outline = look == BatteryLook::CrossedOut ? 0x8A9099 : 0x3D434B;
  p.setPen(Qt::NoPen);
  p.setBrush(Rgb(outline));
  p.drawRoundedRect(shownTip, 1.2, 1.2);
  p.setPen(QPen(Rgb(outline), 2.2));
  p.setBrush(Vertical(shownBody.top(), shownBody.bottom(), 0xFFFFFF, 0xE6E9EE));
  p.drawRoundedRect(shownBody, 3.2, 3.2);

  const QRectF inner = shownBody.adjusted(3.2, 3.2, -3.2, -3.2);
  p.setPen(Qt::NoPen);
  switch (look) {
    case BatteryLook::Bars: {
      const double gap = 1.6;
      const double w = (inner.width() - 2 * gap) / 3;
      for (int i = 0; i < std::clamp(bars, 0, 3); ++i) {
        const QRectF bar(inner.left() + i * (w + gap), inner.top(), w, inner.height());
        p.setBrush(Vertical(bar.top(), bar.bottom(), 0x5FD97A, 0x23A247));
        p.drawRoundedRect(bar, 1.3, 1.3);
      }
      break;
    }
    case BatteryLook::Low: {
      const QRectF bar(inner.left(), inner.top(), inner.width() * 0.22, inner.height());
      p.setBrush(Vertical(bar.top(), bar.bottom(), 0xFFB347, 0xF07F12));
      p.drawRoundedRect(bar, 1.3, 1.3);
      break;
    }
    case BatteryLook::Empty:
      break;
    case BatteryLook::CrossedOut: {
      p.setPen(QPen(Rgb(0xD93A3A), 3.0, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(9, 38), QPointF(39, 11));
      p.setPen(QPen(Rgb(0xD93A3A), 3.0, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(9, 11), QPointF(39, 38));
      break;
    }
    case BatteryLook::Mains: {
      // Full charge behind the plug.
      p.setBrush(Vertical(inner.top(), inner.bottom(), 0x5FD97A, 0x23A247));
      p.drawRoundedRect(inner, 1.3, 1.3);
      // Cable from the plug down and out to the right.
      QPainterPath cable;
      cable.moveTo(38, 21);
      cable.cubicTo(38, 32, 44, 33, 44.5, 42);
      p.setPen(QPen(Rgb(0x3D434B), 2.0, Qt::SolidLine, Qt::RoundCap));
      p.setBrush(Qt::NoBrush);
      p.drawPath(cable);
      // Plug body with its two prongs, pointing up.
      p.setPen(Qt::NoPen);
      p.setBrush(Rgb(0x3D434B));
      p.drawRoundedRect(QRectF(34.6, 6.5, 1.8, 5), 0.6, 0.6);
      p.drawRoundedRect(QRectF(39.6, 6.5, 1.8, 5), 0.6, 0.6);
      p.setBrush(Vertical(10, 22, 0x5C636D, 0x343940));
      QPainterPath plug;
      plug.addRoundedRect(QRectF(32.5, 10.5, 11, 8), 2, 2);
      plug.addRoundedRect(QRectF(35.5, 17, 5, 4.5), 1.2, 1.2);
      p.drawPath(plug.simplified());
      break;
    }
  }
  p.restore();
}

}  // namespace res_art
