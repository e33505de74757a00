#include "views/CStaticPictureItem.h"

#include <QPainter>

namespace {
// The bitmap with every pixel of its top-left pixel's colour made transparent. The
// comparison takes the alpha channel in: an opaque picture keys its opaque background.
QImage KeyOut(const QPixmap& pixmap) {
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) return image;
  const QRgb key = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (line[x] == key) line[x] = qRgba(0, 0, 0, 0);
  }
  // Premultiplied, so that stretching blends edges with transparency, not with the key.
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
}  // namespace

CStaticPictureItem::CStaticPictureItem(QWidget* parent) : QLabel(parent) { setAutoFillBackground(false); }

CStaticPictureItem::~CStaticPictureItem() = default;

QPixmap CStaticPictureItem::SetImage(const QPixmap& image) {
  QPixmap previous = image_;
  image_ = image;
  keyed_ = QImage();
  update();
  return previous;
}

void CStaticPictureItem::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  if (keyed_.isNull()) keyed_ = KeyOut(image_);
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.drawImage(QRect(QPoint(0, 0), size()), keyed_);
}
