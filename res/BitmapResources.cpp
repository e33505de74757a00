#include "res/BitmapResources.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "res/ResourceArt.h"
#include "res/ResourceIds.h"

namespace {

// Edges of the pictures are blended against this colour, close to both the window
// colour and the dialog face colour the pictures sit on.
const QColor kMatte(0xF4, 0xF4, 0xF4);
// The top colour of the menu pane: the background bitmap starts with it, the band
// above the bitmap is filled with it, and the state bitmaps sit on it.
const QColor kMenuTop(0xFF, 0xFF, 0xFF);
const QColor kMenuBottom(0xDC, 0xE6, 0xF2);

// Pixels of a picture of `size` view pixels made for a device pixel ratio.
int DevicePixels(int size, qreal ratio) { return qMax(1, qRound(size * ratio)); }

// Draws on a transparent canvas, then flattens to an opaque picture: untouched pixels
// become the magenta key, covered pixels are blended over the matte colour.
template <typename Draw>
QPixmap KeyedPicture(int size, qreal ratio, Draw draw) {
  const int pixels = DevicePixels(size, ratio);
  QImage art(pixels, pixels, QImage::Format_ARGB32);
  art.fill(Qt::transparent);
  {
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(pixels / 48.0, pixels / 48.0);
    draw(p);
  }
  QImage out(pixels, pixels, QImage::Format_RGB32);
  out.setDevicePixelRatio(ratio);
  for (int y = 0; y < pixels; ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(art.constScanLine(y));
    QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < pixels; ++x) {
      const int a = qAlpha(src[x]);
      if (a < 8) {
        dst[x] = qRgb(0xFF, 0x00, 0xFF);
        continue;
      }
      const auto mix = [a](int c, int m) { return (c * a + m * (255 - a)) / 255; };
      dst[x] = qRgb(mix(qRed(src[x]), kMatte.red()), mix(qGreen(src[x]), kMatte.green()),
                    mix(qBlue(src[x]), kMatte.blue()));
    }
  }
  return QPixmap::fromImage(out);
}

QPixmap MenuBackground(qreal ratio) {
  QImage img(DevicePixels(kMenuItemBitmapWidth, ratio), DevicePixels(kMenuBackgroundHeight, ratio),
             QImage::Format_RGB32);
  img.setDevicePixelRatio(ratio);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  QLinearGradient g(0, 0, 0, kMenuBackgroundHeight);
  g.setColorAt(0, kMenuTop);
  g.setColorAt(0.35, kMenuTop);
  g.setColorAt(1, kMenuBottom);
  p.fillRect(QRect(0, 0, kMenuItemBitmapWidth, kMenuBackgroundHeight), g);
  // A large, faint printer in the lower right corner.
  p.save();
  p.translate(kMenuItemBitmapWidth - 104, kMenuBackgroundHeight - 96);
  p.scale(2.2, 2.2);
  p.setOpacity(0.09);
  res_art::DrawPrinter(p, 12, 0, false);
  p.restore();
  // The pixel at (0, 0) must stay the pure top colour: the menu fills the band above
  // the bitmap with it.
  p.end();
  img.setPixel(0, 0, kMenuTop.rgb());
  return QPixmap::fromImage(img);
}

// A rounded bar on the menu's top colour, for the row states. Its inside is one flat
// colour, the colour at the bar's centre: the menu's transparent look leaves out every
// pixel of that colour, and then shows a clean outline (with its highlight and accent)
// over the menu's background instead of a bar cut through by a stripe.
QPixmap MenuStateBar(QColor fill, QColor border, QColor accent, qreal ratio) {
  QImage img(DevicePixels(kMenuItemBitmapWidth, ratio), DevicePixels(kMenuItemBitmapHeight, ratio),
             QImage::Format_RGB32);
  img.setDevicePixelRatio(ratio);
  img.fill(kMenuTop);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF bar = QRectF(0, 0, kMenuItemBitmapWidth, kMenuItemBitmapHeight).adjusted(2.5, 1.5, -2.5, -1.5);
  p.setPen(QPen(border, 1.0));
  p.setBrush(fill);
  p.drawRoundedRect(bar, 4, 4);
  // A soft inner highlight along the top edge.
  p.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
  p.drawLine(QPointF(bar.left() + 4, bar.top() + 1.5), QPointF(bar.right() - 4, bar.top() + 1.5));
  if (accent.isValid()) {
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawRoundedRect(QRectF(bar.left() + 2.5, bar.top() + 4, 3, bar.height() - 8), 1.5, 1.5);
  }
  return QPixmap::fromImage(img);
}

}  // namespace

QPixmap LoadBitmapResource(int id, qreal devicePixelRatio) {
  using res_art::BatteryLook;
  const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  const auto battery = [ratio](BatteryLook look, int bars) {
    return KeyedPicture(kPictureSize, ratio, [=](QPainter& p) { res_art::DrawBattery(p, look, bars); });
  };
  switch (id) {
    case IDB_PRINTER:
      return KeyedPicture(kPictureSize, ratio, [](QPainter& p) { res_art::DrawPrinter(p, 12, 0, true); });
    case IDB_BATTERY_FULL: return battery(BatteryLook::Bars, 3);
    case IDB_BATTERY_TWO_THIRDS: return battery(BatteryLook::Bars, 2);
    case IDB_BATTERY_ONE_THIRD: return battery(BatteryLook::Bars, 1);
    case IDB_BATTERY_LOW: return battery(BatteryLook::Low, 0);
    case IDB_BATTERY_EMPTY: return battery(BatteryLook::Empty, 0);
    case IDB_BATTERY_UNKNOWN: return battery(BatteryLook::CrossedOut, 0);
    case IDB_BATTERY_EXTERNAL: return battery(BatteryLook::Mains, 0);
    case IDB_MENU_BACKGROUND: return MenuBackground(ratio);
    case IDB_MENU_ON_MOUSE:
      return MenuStateBar(QColor(0xEA, 0xF3, 0xFD), QColor(0xA9, 0xCB, 0xF2), QColor(), ratio);
    case IDB_MENU_SELECTED:
      return MenuStateBar(QColor(0xD3, 0xE5, 0xFB), QColor(0x84, 0xB6, 0xEA), QColor(0x2F, 0x7C, 0xD6), ratio);
    case IDB_MENU_SELECTING:
      return MenuStateBar(QColor(0xB9, 0xD5, 0xF5), QColor(0x5E, 0x9C, 0xDA), QColor(0x1F, 0x62, 0xB3), ratio);
    default:
      return QPixmap();
  }
}
