#include "platform/ui/DialogUnits.h"

#include <QFontMetrics>

namespace plat {
namespace {
int MulDiv(int a, int b, int c) { return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c); }
}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  // The average width of the 52 Latin letters, as dialog templates measure it.
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {std::max(1, (letters / 26 + 1) / 2), std::max(1, metrics.height())};
}

int DluToPixelsX(const DialogBaseUnits& units, int dlu) { return MulDiv(dlu, units.cx, 4); }
int DluToPixelsY(const DialogBaseUnits& units, int dlu) { return MulDiv(dlu, units.cy, 8); }

QRect DluRect(const DialogBaseUnits& units, int x, int y, int width, int height) {
  return QRect(DluToPixelsX(units, x), DluToPixelsY(units, y), DluToPixelsX(units, width), DluToPixelsY(units, height));
}

QSize DluSize(const DialogBaseUnits& units, int width, int height) {
  return QSize(DluToPixelsX(units, width), DluToPixelsY(units, height));
}

}  // namespace plat
