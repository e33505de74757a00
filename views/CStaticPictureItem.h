#pragma once
// CStaticPictureItem: a picture control. It paints its bitmap stretched over its whole
// client rectangle, leaving every pixel of the colour of the bitmap's top-left pixel
// transparent, so the pictures' magenta background never shows. Without a bitmap it
// paints nothing. UI thread only.
#include <QImage>
#include <QLabel>
#include <QPixmap>

class CStaticPictureItem : public QLabel {
  Q_OBJECT
 public:
  explicit CStaticPictureItem(QWidget* parent = nullptr);
  ~CStaticPictureItem() override;

  // Gives the control a bitmap (a null pixmap removes it) and redraws; returns the
  // bitmap it held before.
  QPixmap SetImage(const QPixmap& image);
  // The bitmap the control holds; null when none.
  QPixmap GetImage() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap image_;
  QImage keyed_;  // image_ with its key colour made transparent, made on first paint
};
