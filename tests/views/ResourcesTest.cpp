#include <gtest/gtest.h>

#include <QImage>

#include "res/AnimationWidget.h"
#include "res/BitmapResources.h"
#include "res/ResourceIds.h"
#include "tests/views/ViewsTestSupport.h"

namespace {
const QRgb kMagenta = qRgb(255, 0, 255);
}

TEST(BitmapResources, PicturesAre48SquareOnMagentaAndDistinct) {
  const int ids[] = {IDB_PRINTER,        IDB_BATTERY_FULL,  IDB_BATTERY_TWO_THIRDS, IDB_BATTERY_ONE_THIRD,
                     IDB_BATTERY_LOW,    IDB_BATTERY_EMPTY, IDB_BATTERY_UNKNOWN,    IDB_BATTERY_EXTERNAL};
  std::vector<QImage> images;
  for (int id : ids) {
    const QImage image = LoadBitmapResource(id).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(48, 48)) << id;
    EXPECT_EQ(image.pixel(0, 0), kMagenta) << id;
    EXPECT_EQ(image.pixel(47, 0), kMagenta) << id;
    // Something is drawn, and the picture is not mostly background.
    int drawn = 0;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 48; ++x) drawn += image.pixel(x, y) != kMagenta;
    EXPECT_GT(drawn, 48 * 48 / 8) << id;
    for (const QImage& other : images) EXPECT_NE(image, other) << id;
    images.push_back(image);
  }
}

TEST(BitmapResources, MenuBitmapsShareTheTopColour) {
  const QImage background = LoadBitmapResource(IDB_MENU_BACKGROUND).toImage();
  ASSERT_EQ(background.width(), kMenuItemBitmapWidth);
  ASSERT_EQ(background.height(), kMenuBackgroundHeight);
  const QRgb top = background.pixel(0, 0);
  for (int id : {IDB_MENU_ON_MOUSE, IDB_MENU_SELECTED, IDB_MENU_SELECTING}) {
    const QImage state = LoadBitmapResource(id).toImage();
    ASSERT_EQ(state.size(), QSize(kMenuItemBitmapWidth, kMenuItemBitmapHeight)) << id;
    EXPECT_EQ(state.pixel(0, 0), top) << id;  // the corner blends into the pane
    EXPECT_NE(state.pixel(kMenuItemBitmapWidth / 2, kMenuItemBitmapHeight / 2), top) << id;
  }
  EXPECT_NE(LoadBitmapResource(IDB_MENU_SELECTED).toImage(), LoadBitmapResource(IDB_MENU_SELECTING).toImage());
  EXPECT_TRUE(LoadBitmapResource(145).isNull());
  EXPECT_TRUE(LoadBitmapResource(IDR_AVI_PAPER_FEED).isNull());
}

TEST(BitmapResources, DrawnForAHigherPixelRatioTheyKeepTheirSizeWithMorePixels) {
  for (int id : {IDB_MENU_BACKGROUND, IDB_MENU_SELECTED, IDB_PRINTER}) {
    const QPixmap single = LoadBitmapResource(id);
    const QPixmap twice = LoadBitmapResource(id, 2.0);
    EXPECT_EQ(twice.devicePixelRatio(), 2.0) << id;
    EXPECT_EQ(twice.size(), single.size() * 2) << id;
    EXPECT_EQ(twice.deviceIndependentSize(), QSizeF(single.size())) << id;
    // The corner the menu pane takes its band colour from is the same colour.
    EXPECT_EQ(twice.toImage().pixel(0, 0), single.toImage().pixel(0, 0)) << id;
  }
}

TEST(AnimationWidget, OpensOnlyItsAnimationsAndLoops) {
  AnimationWidget animation;
  animation.resize(300, 70);
  animation.show();
  EXPECT_FALSE(animation.Open(150));
  EXPECT_EQ(animation.OpenId(), 0);
  animation.Play();
  EXPECT_FALSE(animation.IsPlaying());  // nothing open

  ASSERT_TRUE(animation.Open(IDR_AVI_DATA_TRANSFER));
  const QImage first = animation.grab().toImage();
  animation.Play();
  EXPECT_TRUE(animation.IsPlaying());
  ASSERT_TRUE(viewstest::ProcessUntil([&] { return animation.CurrentFrame() >= 3; }));
  EXPECT_NE(animation.grab().toImage(), first);  // the picture moves

  ASSERT_TRUE(animation.Open(IDR_AVI_PAPER_FEED));  // replaces and stops the open one
  EXPECT_FALSE(animation.IsPlaying());
  EXPECT_EQ(animation.CurrentFrame(), 0);
  animation.ShowFrame(AnimationWidget::kFrameCount + 7);
  EXPECT_EQ(animation.CurrentFrame(), 7);
  animation.ShowFrame(-1);
  EXPECT_EQ(animation.CurrentFrame(), AnimationWidget::kFrameCount - 1);
  animation.Close();
  EXPECT_EQ(animation.OpenId(), 0);
  const QImage closed = animation.grab().toImage();
  for (int y = 0; y < closed.height(); y += 5)
    for (int x = 0; x < closed.width(); x += 5) ASSERT_EQ(closed.pixel(x, y), closed.pixel(0, 0));
}
