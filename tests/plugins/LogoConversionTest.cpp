// Pictures made into the printer's dots, with small generated pictures: threshold and
// dithering on a grey gradient, brightness, scaling to the paper widths, transparency
// laid on white, the files that are no pictures, and the packed dots themselves.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "plugins/logo/LogoImage.h"
#include "tests/support/TestEnv.h"

namespace {

using namespace logo;

// A horizontal gradient from black (left) to white (right), one grey level per column.
QImage Gradient(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int x = 0; x < width; ++x) {
    const int level = x * 255 / (width - 1);
    for (int y = 0; y < height; ++y) image.setPixel(x, y, qRgb(level, level, level));
  }
  return image;
}

// Black dots in columns [from, to) of every row, as a fraction.
double BlackShare(const MonoBitmap& bitmap, int from, int to) {
  int black = 0;
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = from; x < to; ++x) black += bitmap.Dot(x, y) ? 1 : 0;
  }
  return static_cast<double>(black) / ((to - from) * bitmap.height);
}

TEST(LogoConversionTest, ThresholdSplitsAGradientAtMidGreyAndBrightnessMovesTheSplit) {
  ConversionOptions options;
  options.conversion = Conversion::kThreshold;
  const MonoBitmap plain = ConvertPicture(Gradient(256, 3), options);
  ASSERT_EQ(plain.width, 256);
  ASSERT_EQ(plain.height, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 256; ++x) EXPECT_EQ(plain.Dot(x, y), x < kThresholdLevel) << x << "," << y;
  }
  // Lighter: fewer black columns; darker: more.
  options.brightness = 25;
  EXPECT_NEAR(BlackShare(ConvertPicture(Gradient(256, 3), options), 0, 256), 0.25, 0.01);
  options.brightness = -25;
  EXPECT_NEAR(BlackShare(ConvertPicture(Gradient(256, 3), options), 0, 256), 0.75, 0.01);
  options.brightness = kMaxBrightness;
  EXPECT_EQ(BlackShare(ConvertPicture(Gradient(256, 3), options), 0, 256), 0.0) << "all white";
}

TEST(LogoConversionTest, DitheringGivesEachPartOfAGradientItsShareOfBlackDots) {
  ConversionOptions options;
  options.conversion = Conversion::kDithering;
  const MonoBitmap dithered = ConvertPicture(Gradient(256, 64), options);
  // Eight bands from dark to light: the black share follows the darkness of each band,
  // where a threshold would give only all or nothing.
  double previous = 1.0;
  for (int band = 0; band < 8; ++band) {
    const double share = BlackShare(dithered, band * 32, band * 32 + 32);
    const double darkness = 1.0 - (band * 32 + 15.5) / 255.0;
    EXPECT_NEAR(share, darkness, 0.06) << "band " << band;
    EXPECT_LE(share, previous + 0.01) << "band " << band;
    previous = share;
  }
  // Mid grey gives about half the dots black, mixed, not in blocks.
  QImage grey(64, 64, QImage::Format_RGB32);
  grey.fill(qRgb(128, 128, 128));
  const MonoBitmap half = ConvertPicture(grey, options);
  EXPECT_NEAR(BlackShare(half, 0, 64), 0.5, 0.03);
  int changes = 0;
  for (int x = 1; x < 64; ++x) changes += half.Dot(x, 32) != half.Dot(x - 1, 32) ? 1 : 0;
  EXPECT_GT(changes, 20);
}

TEST(LogoConversionTest, WidePicturesAreScaledToThePaperAndSmallerOnesKeepTheirSize) {
  QImage wide(1000, 500, QImage::Format_RGB32);
  wide.fill(Qt::black);
  ConversionOptions options;
  options.conversion = Conversion::kThreshold;
  for (const int paper : {kPaper58Dots, kPaper80Dots}) {
    options.paperDots = paper;
    const MonoBitmap scaled = ConvertPicture(wide, options);
    EXPECT_EQ(scaled.width, paper);
    EXPECT_EQ(scaled.height, paper / 2);
    EXPECT_EQ(BlackShare(scaled, 0, paper), 1.0);
    EXPECT_EQ(CheckLogoFits(scaled, paper, std::nullopt), LogoFit::kOk);
  }
  EXPECT_EQ(PaperWidthDots(1), kPaper58Dots);
  EXPECT_EQ(PaperWidthDots(6), kPaper80Dots);

  QImage small(200, 30, QImage::Format_RGB32);
  small.fill(Qt::white);
  EXPECT_EQ(ConvertedSize(small.size(), options), QSize(200, 30));
  // Not scaled, the wide picture is too wide for the paper.
  options.fitToPaper = false;
  const MonoBitmap unscaled = ConvertPicture(wide, options);
  EXPECT_EQ(unscaled.width, 1000);
  EXPECT_EQ(CheckLogoFits(unscaled, kPaper80Dots, std::nullopt), LogoFit::kTooWide);
  // A tall strip keeps its height even scaled, and is too high for the printer.
  options.fitToPaper = true;
  QImage tall(100, 3000, QImage::Format_RGB32);
  tall.fill(Qt::white);
  EXPECT_EQ(CheckLogoFits(ConvertPicture(tall, options), kPaper80Dots, std::nullopt), LogoFit::kTooTall);
  // More data than the free memory.
  const MonoBitmap logo = MonoBitmap::White(576, 100);
  EXPECT_EQ(CheckLogoFits(logo, kPaper80Dots, 7199), LogoFit::kTooLargeForMemory);
  EXPECT_EQ(CheckLogoFits(logo, kPaper80Dots, 7200), LogoFit::kOk);
}

TEST(LogoConversionTest, ATransparentPngIsLaidOnWhitePaper) {
  // Transparent everywhere but an opaque black square and a half-transparent black
  // band, saved and read back as a PNG file.
  QImage picture(40, 20, QImage::Format_ARGB32);
  picture.fill(qRgba(0, 0, 0, 0));
  for (int y = 5; y < 15; ++y) {
    for (int x = 5; x < 15; ++x) picture.setPixel(x, y, qRgba(0, 0, 0, 255));
    for (int x = 25; x < 35; ++x) picture.setPixel(x, y, qRgba(0, 0, 0, 100));
  }
  const QString path = QString::fromStdString(testenv::MakeTempDir("png") + "/logo.png");
  ASSERT_TRUE(picture.save(path, "PNG"));
  QImage loaded;
  ASSERT_EQ(LoadPicture(path, &loaded), PictureLoad::kOk);
  EXPECT_TRUE(loaded.hasAlphaChannel());

  const QImage paper = OnWhitePaper(loaded);
  EXPECT_FALSE(paper.hasAlphaChannel());
  EXPECT_EQ(paper.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(paper.pixel(10, 10), qRgb(0, 0, 0));
  EXPECT_EQ(qRed(paper.pixel(30, 10)), 155) << "100/255 black over white";

  ConversionOptions options;
  options.conversion = Conversion::kThreshold;
  const MonoBitmap dots = ConvertPicture(loaded, options);
  EXPECT_EQ(BlackShare(dots, 0, 5), 0.0) << "transparent prints nothing";
  EXPECT_FALSE(dots.Dot(30, 10)) << "light grey stays white with a threshold";
  for (int y = 0; y < 20; ++y) EXPECT_EQ(dots.Dot(10, y), y >= 5 && y < 15) << y;
}

TEST(LogoConversionTest, FilesThatAreNoPicturesAreRefusedWhateverTheirName) {
  const std::string folder = testenv::MakeTempDir("notpicture");
  ASSERT_TRUE(testenv::WriteFile(folder + "/text.png", "this is not a picture\n"));
  ASSERT_TRUE(testenv::WriteFile(folder + "/empty.gif", ""));
  // A picture kind Qt reads, but not one a logo is made from.
  ASSERT_TRUE(testenv::WriteFile(folder + "/grey.pgm", std::string("P5\n2 2\n255\n\x00\xFF\xFF\x00", 15)));
  // A picture file cut short.
  QImage image(64, 64, QImage::Format_RGB32);
  image.fill(Qt::red);
  const QString whole = QString::fromStdString(folder + "/whole.jpg");
  ASSERT_TRUE(image.save(whole, "JPEG"));
  ASSERT_TRUE(testenv::WriteFile(folder + "/cut.jpg", testenv::ReadFile(folder + "/whole.jpg").substr(0, 40)));
  QImage loaded;
  for (const char* name : {"/text.png", "/empty.gif", "/grey.pgm", "/cut.jpg", "/missing.bmp"}) {
    EXPECT_EQ(LoadPicture(QString::fromStdString(folder + name), &loaded), PictureLoad::kNotPicture) << name;
  }
  EXPECT_TRUE(loaded.isNull());
  // The kind is judged by the content: a JPEG named .gif is read.
  ASSERT_TRUE(testenv::WriteFile(folder + "/named.gif", testenv::ReadFile(folder + "/whole.jpg")));
  EXPECT_EQ(LoadPicture(QString::fromStdString(folder + "/named.gif"), &loaded), PictureLoad::kOk);
  EXPECT_EQ(loaded.size(), QSize(64, 64));
  // BMP reads too, and GIF (Qt writes none: a one-dot transparent GIF by hand).
  const QString bmp = QString::fromStdString(folder + "/picture.bmp");
  ASSERT_TRUE(image.save(bmp, "BMP"));
  EXPECT_EQ(LoadPicture(bmp, &loaded), PictureLoad::kOk);
  const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xf9\x04\x01\x00\x00"
                        "\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
                        43);
  ASSERT_TRUE(testenv::WriteFile(folder + "/dot.gif", gif));
  ASSERT_EQ(LoadPicture(QString::fromStdString(folder + "/dot.gif"), &loaded), PictureLoad::kOk);
  EXPECT_EQ(loaded.size(), QSize(1, 1));
  ConversionOptions options;
  EXPECT_FALSE(ConvertPicture(loaded, options).Dot(0, 0)) << "its transparent dot is white paper";
}

TEST(LogoConversionTest, DotsArePackedLeftmostInTheHighBitAndShowAsTheyPrint) {
  MonoBitmap bitmap = MonoBitmap::White(10, 2);
  EXPECT_EQ(bitmap.RowBytes(), 2u);
  EXPECT_EQ(bitmap.data.size(), RasterBytes(10, 2));
  bitmap.SetDot(0, 0, true);
  bitmap.SetDot(9, 0, true);
  bitmap.SetDot(7, 1, true);
  bitmap.SetDot(8, 1, true);
  EXPECT_EQ(bitmap.data, (std::vector<std::uint8_t>{0x80, 0x40, 0x01, 0x80}));
  bitmap.SetDot(9, 0, false);
  EXPECT_EQ(bitmap.data[1], 0x00);
  EXPECT_EQ(RasterBytes(576, 100), 7200u);
  EXPECT_EQ(RasterBytes(1, 1), 1u);
  EXPECT_EQ(RasterBytes(0, 5), 0u);

  const QImage shown = BitmapImage(bitmap);
  ASSERT_EQ(shown.size(), QSize(10, 2));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 10; ++x) EXPECT_EQ(shown.pixel(x, y) == qRgb(0, 0, 0), bitmap.Dot(x, y)) << x << "," << y;
  }
  // The picture of the dots converts back to the same dots.
  ConversionOptions options;
  options.conversion = Conversion::kThreshold;
  EXPECT_EQ(ConvertPicture(shown, options), bitmap);
}

}  // namespace
