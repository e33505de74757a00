#include "plugins/logo/LogoImage.h"

#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <vector>

namespace logo {
namespace {

// The picture formats a logo is made from.
const QByteArray kFormats[] = {"png", "bmp", "jpeg", "gif"};

// Grey level (0 black .. 255 white) of an opaque pixel.
int Grey(QRgb pixel) { return (299 * qRed(pixel) + 587 * qGreen(pixel) + 114 * qBlue(pixel) + 500) / 1000; }

}  // namespace

PictureLoad LoadPicture(const QString& path, QImage* picture) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  QByteArray format = reader.format().toLower();
  if (format == "jpg") format = "jpeg";
  if (std::find(std::begin(kFormats), std::end(kFormats), format) == std::end(kFormats)) {
    return PictureLoad::kNotPicture;
  }
  const QSize size = reader.size();
  if (size.isValid() && static_cast<long long>(size.width()) * size.height() > kMaxSourcePixels) {
    return PictureLoad::kTooLarge;
  }
  QImage image;
  if (!reader.read(&image) || image.isNull()) return PictureLoad::kNotPicture;
  if (static_cast<long long>(image.width()) * image.height() > kMaxSourcePixels) return PictureLoad::kTooLarge;
  *picture = std::move(image);
  return PictureLoad::kOk;
}

QImage OnWhitePaper(const QImage& picture) {
  const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
  QImage paper(source.size(), QImage::Format_RGB32);
  for (int y = 0; y < source.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(paper.scanLine(y));
    for (int x = 0; x < source.width(); ++x) {
      const int alpha = qAlpha(in[x]);
      auto blend = [alpha](int c) { return (c * alpha + 255 * (255 - alpha) + 127) / 255; };
      out[x] = qRgb(blend(qRed(in[x])), blend(qGreen(in[x])), blend(qBlue(in[x])));
    }
  }
  return paper;
}

QSize ConvertedSize(const QSize& picture, const ConversionOptions& options) {
  if (!options.fitToPaper || picture.width() <= options.paperDots || picture.width() < 1) return picture;
  const double scale = static_cast<double>(options.paperDots) / picture.width();
  return {options.paperDots, std::max(1, static_cast<int>(std::lround(picture.height() * scale)))};
}

MonoBitmap ConvertPicture(const QImage& picture, const ConversionOptions& options) {
  if (picture.isNull()) return {};
  QImage paper = OnWhitePaper(picture);
  const QSize size = ConvertedSize(paper.size(), options);
  if (size != paper.size()) paper = paper.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

  const int width = paper.width();
  const int height = paper.height();
  const int shift = std::clamp(options.brightness, kMinBrightness, kMaxBrightness) * 255 / kMaxBrightness;
  // Grey levels with the brightness applied; dithering adds each dot's error to the
  // dots right of it and below it.
  std::vector<int> grey(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(paper.constScanLine(y));
    for (int x = 0; x < width; ++x) {
      grey[static_cast<std::size_t>(y) * width + x] = std::clamp(Grey(row[x]) + shift, 0, 255);
    }
  }
  MonoBitmap bitmap = MonoBitmap::White(width, height);
  auto at = [&](int x, int y) -> int& { return grey[static_cast<std::size_t>(y) * width + x]; };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int level = at(x, y);
      const bool black = level < kThresholdLevel;
      bitmap.SetDot(x, y, black);
      if (options.conversion != Conversion::kDithering) continue;
      const int error = level - (black ? 0 : 255);
      if (x + 1 < width) at(x + 1, y) += error * 7 / 16;
      if (y + 1 < height) {
        if (x > 0) at(x - 1, y + 1) += error * 3 / 16;
        at(x, y + 1) += error * 5 / 16;
        if (x + 1 < width) at(x + 1, y + 1) += error / 16;
      }
    }
  }
  return bitmap;
}

QImage BitmapImage(const MonoBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  QImage image(bitmap.width, bitmap.height, QImage::Format_Mono);
  // Index 0 white, 1 black: the bits are the printer's dots as they are.
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < bitmap.height; ++y) {
    std::copy_n(bitmap.data.data() + static_cast<std::size_t>(y) * bitmap.RowBytes(), bitmap.RowBytes(),
                image.scanLine(y));
  }
  return image;
}

}  // namespace logo
