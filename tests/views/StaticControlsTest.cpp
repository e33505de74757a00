#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>

#include "platform/ui/Controls.h"
#include "views/CStaticItem.h"
#include "views/CStaticPictureItem.h"

namespace {
const QColor kParentColor(0x20, 0xA0, 0x40);

// A parent in one colour, so that transparency shows through.
struct Backdrop : QWidget {
  Backdrop() {
    QPalette palette;
    palette.setColor(QPalette::Window, kParentColor);
    setPalette(palette);
    setAutoFillBackground(true);
    resize(200, 200);
  }
};

QColor At(QWidget& w, int x, int y) { return QColor(w.grab().toImage().pixel(x, y)); }

// 48 x 48: the top-left pixel's colour (yellow) around a blue square from 16 to 31.
QPixmap TestPicture(QColor key) {
  QImage image(48, 48, QImage::Format_RGB32);
  image.fill(key);
  for (int y = 16; y < 32; ++y)
    for (int x = 16; x < 32; ++x) image.setPixel(x, y, qRgb(0, 0, 255));
  return QPixmap::fromImage(image);
}
}  // namespace

TEST(StaticPictureItem, BitmapIsStretchedWithItsTopLeftColourTransparent) {
  Backdrop parent;
  CStaticPictureItem picture(&parent);
  picture.setGeometry(10, 10, 96, 96);
  EXPECT_EQ(plat::ControlClassName(&picture), u"Static");
  EXPECT_EQ(At(parent, 58, 58), kParentColor);  // no bitmap: nothing painted

  EXPECT_TRUE(picture.SetImage(TestPicture(QColor(255, 255, 0))).isNull());
  const QImage shot = parent.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(10 + 48, 10 + 48)), QColor(0, 0, 255));  // the square covers 32..63
  EXPECT_EQ(QColor(shot.pixel(10 + 35, 10 + 60)), QColor(0, 0, 255));
  for (int y = 10; y < 106; ++y)
    for (int x = 10; x < 106; ++x) {
      const QColor c(shot.pixel(x, y));
      ASSERT_NE(c, QColor(255, 255, 0)) << x << "," << y;
      if (x < 10 + 30 || y < 10 + 30) {
        ASSERT_EQ(c, kParentColor) << x << "," << y;
      }
    }
  // Replacing the bitmap gives back the old one; a null one clears the control.
  EXPECT_EQ(picture.SetImage(QPixmap()).size(), QSize(48, 48));
  EXPECT_TRUE(picture.GetImage().isNull());
  EXPECT_EQ(At(parent, 58, 58), kParentColor);
}

TEST(StaticItem, PaintsItsBackgroundColourAndKeepsTheFirstBrush) {
  Backdrop parent;
  CStaticItem item(&parent);
  item.setGeometry(0, 0, 120, 24);
  EXPECT_EQ(item.BackgroundColor(), 0x00F0F0F0u);
  EXPECT_FALSE(item.HasBrush());
  EXPECT_EQ(At(item, 60, 12), QColor(240, 240, 240));
  item.SetBackgroundColor(RgbColor(255, 0, 0));  // too late: the brush is made
  EXPECT_EQ(At(item, 60, 12), QColor(240, 240, 240));
  CStaticItem fresh(&parent);
  fresh.resize(40, 20);
  fresh.SetBackgroundColor(RgbColor(10, 20, 200));
  EXPECT_EQ(At(fresh, 20, 10), QColor(10, 20, 200));
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
