#pragma once
// Turning a picture file into a logo the printer stores: read with Qt's image readers
// (PNG, BMP, JPEG, GIF), transparency laid on white paper, scaled down to the paper
// width (a smaller picture keeps its size), brightness adjusted, and made one-colour by
// a threshold or by Floyd-Steinberg dithering. Qt Gui only (QImage), no widgets.
//
// Threads: any thread.
#include <QImage>
#include <QString>

#include "plugins/logo/NvGraphics.h"

namespace logo {

// Why a picture file was not read.
enum class PictureLoad {
  kOk,
  kNotPicture,  // not a PNG, BMP, JPEG or GIF file (or not readable as one)
  kTooLarge,    // more pixels than can be read safely
};

// Pictures beyond this many pixels are not read.
inline constexpr long long kMaxSourcePixels = 64LL * 1024 * 1024;

// Reads the picture at path (its first frame); its kind is judged by its content, not
// by its name.
PictureLoad LoadPicture(const QString& path, QImage* picture);

enum class Conversion { kThreshold, kDithering };

struct ConversionOptions {
  int paperDots = kPaper80Dots;  // the width the picture is scaled down to
  bool fitToPaper = true;        // false: the picture keeps its size
  int brightness = 0;            // -100 (darker) .. 100 (lighter)
  Conversion conversion = Conversion::kDithering;
};
inline constexpr int kMinBrightness = -100;
inline constexpr int kMaxBrightness = 100;
// Grey levels below this print black with a threshold.
inline constexpr int kThresholdLevel = 128;

// The picture laid on white paper: its transparency resolved, one opaque RGB picture.
QImage OnWhitePaper(const QImage& picture);
// The size the picture is converted to.
QSize ConvertedSize(const QSize& picture, const ConversionOptions& options);
// The picture as the printer prints it.
MonoBitmap ConvertPicture(const QImage& picture, const ConversionOptions& options);
// A bitmap as a picture (black dots on white), one pixel per dot.
QImage BitmapImage(const MonoBitmap& bitmap);

}  // namespace logo
