#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPalette>

#include "platform/ui/Controls.h"
#include "views/CStaticItem.h"
#include "views/CStaticPictureItem.h"

namespace {

const QColor kParentColor(0x20, 0xA0, 0x40);

// A parent that paints itself in one colour, so transparency shows through.
class Backdrop : public QWidget {
 public:
  Backdrop() {
    QPalette palette;
    palette.setColor(QPalette::Window, kParentColor);
    setPalette(palette);
    setAutoFillBackground(true);
    resize(200, 200);
  }
};

QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A 48 x 48 picture: magenta, with a blue square from 16 to 31 and a white corner
// pixel at (47, 47).
QPixmap TestPicture() {
  QImage image(48, 48, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));
  for (int y = 16; y < 32; ++y)
    for (int x = 16; x < 32; ++x) image.setPixel(x, y, qRgb(0, 0, 255));
  image.setPixel(47, 47, qRgb(255, 255, 255));
  return QPixmap::fromImage(image);
}

}  // namespace

TEST(StaticPictureItem, WithoutBitmapPaintsNothing) {
  Backdrop parent;
  CStaticPictureItem picture(&parent);
  picture.setGeometry(10, 10, 96, 96);
  EXPECT_EQ(plat::ControlClassName(&picture), u"Static");
  const QImage shot = Grab(parent);
  for (int y = 10; y < 106; y += 7)
    for (int x = 10; x < 106; x += 7) ASSERT_EQ(QColor(shot.pixel(x, y)), kParentColor) << x << "," << y;
}

TEST(StaticPictureItem, BitmapIsStretchedWithItsCornerColourTransparent) {
  Backdrop parent;
  CStaticPictureItem picture(&parent);
  picture.setGeometry(10, 10, 96, 96);
  EXPECT_TRUE(picture.SetImage(TestPicture()).isNull());
  EXPECT_EQ(picture.GetImage().size(), QSize(48, 48));
  const QImage shot = Grab(parent);
  // The square covers 32..63 of the control after stretching by two.
  EXPECT_EQ(QColor(shot.pixel(10 + 48, 10 + 48)), QColor(0, 0, 255));
  EXPECT_EQ(QColor(shot.pixel(10 + 35, 10 + 60)), QColor(0, 0, 255));
  // Magenta is nowhere; the backdrop shows where the picture was magenta.
  EXPECT_EQ(QColor(shot.pixel(10 + 2, 10 + 2)), kParentColor);
  EXPECT_EQ(QColor(shot.pixel(10 + 80, 10 + 20)), kParentColor);
  for (int y = 10; y < 106; ++y)
    for (int x = 10; x < 106; ++x) ASSERT_NE(QColor(shot.pixel(x, y)), QColor(255, 0, 255)) << x << "," << y;

  // Replacing the bitmap gives back the old one; a null one clears the control.
  EXPECT_EQ(picture.SetImage(QPixmap()).size(), QSize(48, 48));
  const QImage cleared = Grab(parent);
  EXPECT_EQ(QColor(cleared.pixel(10 + 48, 10 + 48)), kParentColor);
}

TEST(StaticPictureItem, TransparentColourIsTheTopLeftPixelWhateverItIs) {
  Backdrop parent;
  CStaticPictureItem picture(&parent);
  picture.setGeometry(0, 0, 48, 48);
  QImage image(48, 48, QImage::Format_RGB32);
  image.fill(QColor(0, 0, 255));  // blue everywhere but the top-left corner
  image.setPixel(0, 0, qRgb(255, 255, 0));
  picture.SetImage(QPixmap::fromImage(image));
  const QImage shot = Grab(parent);
  EXPECT_EQ(QColor(shot.pixel(0, 0)), kParentColor);
  EXPECT_EQ(QColor(shot.pixel(24, 24)), QColor(0, 0, 255));
}

TEST(StaticItem, PaintsItsBackgroundColourAndKeepsTheFirstBrush) {
  Backdrop parent;
  CStaticItem item(&parent);
  item.setGeometry(0, 0, 120, 24);
  EXPECT_EQ(item.BackgroundColor(), 0x00F0F0F0u);
  EXPECT_FALSE(item.HasBrush());
  EXPECT_EQ(QColor(Grab(item).pixel(60, 12)), QColor(240, 240, 240));
  EXPECT_TRUE(item.HasBrush());

  // The brush was made at the first colour request and stays.
  item.SetBackgroundColor(RgbColor(255, 0, 0));
  EXPECT_EQ(QColor(Grab(item).pixel(60, 12)), QColor(240, 240, 240));
  CStaticItem fresh(&parent);
  fresh.resize(40, 20);
  fresh.SetBackgroundColor(RgbColor(10, 20, 200));
  EXPECT_EQ(QColor(Grab(fresh).pixel(20, 10)), QColor(10, 20, 200));

  ASSERT_NE(item.OnCtlColor(CTLCOLOR_STATIC), nullptr);
  EXPECT_EQ(item.OnCtlColor(CTLCOLOR_STATIC)->color(), QColor(240, 240, 240));
  EXPECT_EQ(item.OnCtlColor(CTLCOLOR_EDIT), nullptr);
}

TEST(StaticItem, MakeBoldCopiesTheParentFontWithWeight700) {
  QWidget parent;
  QFont font(QStringLiteral("DejaVu Sans"), 13);
  font.setItalic(true);
  parent.setFont(font);
  CStaticItem item(&parent);
  item.setFont(QFont(QStringLiteral("DejaVu Serif"), 7));
  item.MakeBold();
  EXPECT_EQ(item.font().weight(), 700);
  EXPECT_EQ(item.font().pointSize(), 13);
  EXPECT_TRUE(item.font().italic());
  EXPECT_EQ(item.font().family(), font.family());

  CStaticItem orphan;
  const QFont before = orphan.font();
  orphan.MakeBold();
  EXPECT_EQ(orphan.font(), before);
}
